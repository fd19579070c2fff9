// Files and folders over POSIX; see platform/files.h and file_making.h. The write test uses
// only a regular file of its own name, made and removed here.
#include "platform/files.h"
#include "platform/linux/file_making.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "util/file_name.h"
#include "util/strbuf.h"

namespace {

constexpr unsigned kMaskedMode = ~0u;  // no exact mode: 0777 less the creation mask

// One level. A folder made now is changed to the exact mode through a descriptor opened
// without following a link, so nothing swapped in at that name is changed instead.
// 1 when a folder (or a link to one) is at path; after a mkdir that found the name taken.
int FolderWasThere(const char* path) {
  struct stat st;
  return errno == EEXIST && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

int CreateLevel(const char* path, unsigned mode) {
  if (mode == kMaskedMode) return fsCreateDirectory(path);
  if (mkdir(path, mode & 07777) != 0) return FolderWasThere(path);
  int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return 0;
  int ok = fchmod(fd, mode & 07777) == 0;
  close(fd);
  return ok;
}

}  // namespace

int CreateFolders(const char* path, int withLast) {
  return CreateFoldersWithMode(path, withLast, kMaskedMode);
}

int CreateFoldersWithMode(const char* path, int withLast, unsigned mode) {
  char work[kPathCapacity];
  if (!path || strnlen(path, sizeof work) == sizeof work) return 0;
  // Nearly always the whole path exists already: one look instead of a mkdir for each level.
  struct stat st;
  if (withLast && stat(path, &st) == 0 && S_ISDIR(st.st_mode)) return 1;
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

int fsIsDirectoryWriteable(const char* path) {
  char testPath[kPathCapacity];
  if (!StrFormatf(testPath, sizeof testPath, "%s%c__QFN_WRITE_TEST__.txt", path, '/')) return 0;
  if (!fsCreatePath(path)) return 0;
  if (!TouchRegularFile(testPath)) return 0;
  // The folder took a file, which is the answer; a test file that stays (its removal was
  // refused) is reused by the next test and harms nothing.
  fsRemoveFile(testPath);
  return 1;
}

// Nearly always the folder is there already: opened first, made only when missing.
int fsMakePrivateFolder(const char* path) {
  const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  int fd = open(path, flags);
  if (fd < 0 && errno == ENOENT && CreateFoldersWithMode(path, 1, 0700)) fd = open(path, flags);
  if (fd < 0) return 0;
  struct stat st;
  int ok = fstat(fd, &st) == 0 && st.st_uid == geteuid() &&
           ((st.st_mode & 077) == 0 || fchmod(fd, st.st_mode & 07700) == 0);
  close(fd);
  return ok;
}

int fsCreatePath(const char* path) {
  return CreateFolders(path, 1);
}

int fsCreateDirectory(const char* path) {
  return mkdir(path, 0777) == 0 || FolderWasThere(path);
}

int fsRemoveDirectory(const char* path) {
  return rmdir(path) == 0;
}

int fsRemoveFile(const char* path) {
  return unlink(path) == 0;
}

int fsEntryExists(const char* path) {
  struct stat info;
  return lstat(path, &info) == 0;
}

int fsSetCurrentDir(const char* path) {
  return chdir(path);
}

int fsGetCurrentDir(char* buffer, int size) {
  return size > 0 && getcwd(buffer, static_cast<size_t>(size)) != nullptr;
}
