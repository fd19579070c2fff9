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
  int fit = strchr(path, '/') ? StrCopy(fullPath, path)
                              : StrFormatf(fullPath, sizeof fullPath, "./%s", path);
  if (!fit) {
    s_pRefusal = "library path too long";
    return nullptr;
  }
  return dlopen(fullPath, RTLD_LAZY);
}

void* GetDllSymbol(void* handle, const char* name) { return dlsym(handle, name); }

const char* GetDllError() {
  const char* error = dlerror();
  if (error) return error;
  if (s_pRefusal) return s_pRefusal;
  return "unknown error";
}

int FreeDll(void* handle) { return dlclose(handle) == 0; }
