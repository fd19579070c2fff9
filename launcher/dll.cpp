// The only place that knows the platform loader. A bare library name is opened from the
// working directory ("./name"), never from the loader's search path, so that a library of
// the same name on LD_LIBRARY_PATH or in a system folder cannot be the one that is loaded.
#include "launcher/engine.h"

#include "util/strbuf.h"

#include <dlfcn.h>

#include <cstring>

namespace {
// Set when LoadDll refuses a name before asking the loader; read by GetDllError.
const char* s_pRefusal = nullptr;
}  // namespace

void* LoadDll(const char* path) {
  char fullPath[1024];
  s_pRefusal = nullptr;
  if (!path || !path[0]) {
    s_pRefusal = "no library name";
    return nullptr;
  }
  int fit = strchr(path, '/') ? StrCopy(fullPath, path)
                              : StrFormatf(fullPath, sizeof fullPath, "./%s", path);
  if (!fit) {
    s_pRefusal = "library path too long";
    return nullptr;
  }
  dlerror();  // a stale error must not be reported for this load
  return dlopen(fullPath, RTLD_LAZY);
}

// A null handle would mean RTLD_DEFAULT to dlsym and find the launcher's own variables of
// the same names as the entry points, so it finds nothing instead.
void* GetDllSymbol(void* handle, const char* name) {
  if (!handle || !name) return nullptr;
  return dlsym(handle, name);
}

const char* GetDllError() {
  if (s_pRefusal) return s_pRefusal;
  const char* error = dlerror();
  if (error) return error;
  return "unknown error";
}

int FreeDll(void* handle) {
  return handle && dlclose(handle) == 0;
}
