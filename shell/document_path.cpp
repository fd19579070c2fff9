// Absolute document paths for open-document requests (see document_path.h).
#include "shell/document_path.h"

#include <cstring>

#include "platform/files.h"
#include "util/strbuf.h"

int AbsoluteDocumentPath(const char* path, char* out, size_t capacity) {
  if (path[0] == '/') return StrCopy(out, capacity, path);
  if (!fsGetCurrentDir(out, static_cast<int>(capacity))) {
    StrCopy(out, capacity, path);
    return 0;
  }
  while (path[0] == '.' && path[1] == '/') {
    path += 2;
    while (path[0] == '/') ++path;
  }
  size_t length = strlen(out);
  if (length == 0 || out[length - 1] != '/') StrAppend(out, capacity, "/");
  return StrAppend(out, capacity, path);
}
