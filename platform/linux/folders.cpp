// Folder paths created level by level; see folders.h.
#include "platform/linux/folders.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace {
constexpr size_t kWorkCapacity = 1024;

int CreateLevel(const char* path) {
  return mkdir(path, 0777) == 0 || errno == EEXIST;
}
}  // namespace

int OsCreateFolders(const char* path, int withLast) {
  char work[kWorkCapacity];
  if (!path || strnlen(path, sizeof work) == sizeof work) return 0;
  size_t i = 0;
  for (; path[i] != '\0'; ++i) {
    if (path[i] == '/' && i > 0) {
      work[i] = '\0';
      if (!CreateLevel(work)) return 0;
    }
    work[i] = path[i];
  }
  work[i] = '\0';
  if (withLast && i > 0 && path[i - 1] != '/' && !CreateLevel(work)) return 0;
  return 1;
}
