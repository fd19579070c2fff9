// The launcher's rules for loading a library, over the port's loader; see loader.h.
#include "platform/loader.h"

#include <cstring>

#include "platform/port/loader.h"
#include "util/file_name.h"
#include "util/strbuf.h"

namespace {
// Set when LoadDll refuses a name before asking the loader; read by GetDllError.
const char* s_pRefusal = nullptr;
}  // namespace

void* LoadDll(const char* path) {
  char fullPath[kPathCapacity];
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
  return OsOpenLibrary(fullPath);
}

const char* GetDllError() {
  if (s_pRefusal) return s_pRefusal;
  const char* error = OsLibraryError();
  if (error) return error;
  return "unknown error";
}
