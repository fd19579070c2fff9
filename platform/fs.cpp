// File-system wrappers over POSIX. Success is 1 and failure 0; fsSetCurrentDir passes
// chdir's own 0 or -1 on. Error codes are never passed on. Paths are composed in 1024-byte
// work buffers; a path that does not fit is refused (0) before anything is created, since a
// cut path would name a different folder. The write test uses only a regular file of its
// own name: a symbolic link or a FIFO there makes the folder count as not writeable.
#include "platform/fs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/regular_file.h"
#include "util/strbuf.h"

namespace {
constexpr size_t kWorkCapacity = 1024;
}

int fsIsDirectoryWriteable(const char* path) {
  char testPath[kWorkCapacity];
  if (!StrFormatf(testPath, sizeof testPath, "%s%c__QFN_WRITE_TEST__.txt", path, '/')) return 0;
  if (!fsCreatePath(path)) return 0;
  int fd = OsOpenRegularFileToAppend(testPath);
  if (fd < 0) return 0;
  close(fd);
  fsRemoveFile(testPath);
  return 1;
}

// Creates every level of the path from the top down; the root is never created and a final
// '/' causes no extra call. Stops at the first level that cannot be created.
int fsCreatePath(const char* path) {
  char work[kWorkCapacity];
  if (strnlen(path, sizeof work) == sizeof work) return 0;
  size_t i = 0;
  for (; path[i] != '\0'; ++i) {
    if (path[i] == '/' && i > 0) {
      work[i] = '\0';
      if (!fsCreateDirectory(work)) return 0;
    }
    work[i] = path[i];
  }
  work[i] = '\0';
  if (i > 0 && path[i - 1] != '/' && !fsCreateDirectory(work)) return 0;
  return 1;
}

int fsCreateDirectory(const char* path) {
  return mkdir(path, 0777) == 0 || errno == EEXIST;
}

int fsSetCurrentDir(const char* path) {
  return chdir(path);
}

int fsGetCurrentDir(char* buffer, int size) {
  return size > 0 && getcwd(buffer, static_cast<size_t>(size)) != nullptr;
}

int fsRemoveDirectory(const char* path) {
  return rmdir(path) == 0;
}

int fsRemoveFile(const char* path) {
  return unlink(path) == 0;
}
