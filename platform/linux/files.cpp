// Files and folders over POSIX; see files.h.
#include "platform/linux/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr size_t kWorkCapacity = 1024;
constexpr unsigned kMaskedMode = ~0u;  // no exact mode: 0777 less the creation mask

// One level. A folder made now is changed to the exact mode through a descriptor opened
// without following a link, so nothing swapped in at that name is changed instead.
int CreateLevel(const char* path, unsigned mode) {
  if (mode == kMaskedMode) return OsCreateFolder(path);
  if (mkdir(path, mode & 07777) != 0) return errno == EEXIST;
  int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return 0;
  int ok = fchmod(fd, mode & 07777) == 0;
  close(fd);
  return ok;
}

}  // namespace

int OsCreateFolders(const char* path, int withLast) {
  return OsCreateFoldersWithMode(path, withLast, kMaskedMode);
}

int OsCreateFoldersWithMode(const char* path, int withLast, unsigned mode) {
  char work[kWorkCapacity];
  if (!path || strnlen(path, sizeof work) == sizeof work) return 0;
  size_t i = 0;
  for (; path[i] != '\0'; ++i) {
    if (path[i] == '/' && i > 0) {
      work[i] = '\0';
      if (!CreateLevel(work, mode)) return 0;
    }
    work[i] = path[i];
  }
  work[i] = '\0';
  if (withLast && i > 0 && path[i - 1] != '/' && !CreateLevel(work, mode)) return 0;
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
