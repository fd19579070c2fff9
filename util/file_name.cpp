// File name and extension of a path; see file_name.h. The slash and the colon deliberately
// do not end an extension: only the backslash does.
#include "util/file_name.h"

const char* GetFileName(const char* path) {
  const char* name = path;
  for (const char* p = path; *p != '\0'; p++) {
    if (*p == '/' || *p == ':' || *p == '\\') name = p + 1;
  }
  return name;
}

const char* GetFileExt(const char* path) {
  const char* ext = nullptr;
  const char* p = path;
  for (; *p != '\0'; p++) {
    if (*p == '.') {
      ext = p + 1;
    } else if (*p == '\\') {
      ext = nullptr;
    }
  }
  return ext != nullptr ? ext : p;
}
