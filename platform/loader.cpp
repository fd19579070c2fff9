// The launcher's rules for loading a library, over the port's loader; see loader.h.
#include "platform/loader.h"

#include <cstring>

#include "platform/port/loader.h"
#include "util/file_name.h"
#include "util/strbuf.h"

void* LoadDll(const char* path, const char** error) {
  if (!path || !path[0]) {
    *error = "no library name";
    return nullptr;
  }
  char fullPath[kPathCapacity];
  int fit = strchr(path, '/') ? StrCopy(fullPath, path)
                              : StrFormatf(fullPath, sizeof fullPath, "./%s", path);
  if (!fit) {
    *error = "library path too long";
    return nullptr;
  }
  return OsOpenLibrary(fullPath, error);
}
