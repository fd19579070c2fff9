// Files and folders over POSIX; see files.h.
#include "platform/linux/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
constexpr size_t kWorkCapacity = 1024;
}  // namespace

int OsCreateFolders(const char* path, int withLast) {
  char work[kWorkCapacity];
  if (!path || strnlen(path, sizeof work) == sizeof work) return 0;
  size_t i = 0;
  for (; path[i] != '\0'; ++i) {
    if (path[i] == '/' && i > 0) {
      work[i] = '\0';
      if (!OsCreateFolder(work)) return 0;
    }
    work[i] = path[i];
  }
  work[i] = '\0';
  if (withLast && i > 0 && path[i - 1] != '/' && !OsCreateFolder(work)) return 0;
  return 1;
}

int OsCreateFolder(const char* path) {
  return mkdir(path, 0777) == 0 || errno == EEXIST;
}

int OsRemoveFolder(const char* path) {
  return rmdir(path) == 0;
}

int OsRemoveFile(const char* path) {
  return unlink(path) == 0;
}

int OsChangeDir(const char* path) {
  return chdir(path);
}

int OsCurrentDir(char* buffer, size_t capacity) {
  return capacity > 0 && getcwd(buffer, capacity) != nullptr;
}
