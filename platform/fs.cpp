// File-system wrappers over the Linux layer's files.h. Success is 1 and failure 0; fsSetCurrentDir
// passes chdir's own 0 or -1 on. Error codes are never passed on. Paths are composed in 1024-byte
// work buffers; a path that does not fit is refused (0) before anything is created, since a
// cut path would name a different folder. The write test uses only a regular file of its
// own name: a symbolic link or a FIFO there makes the folder count as not writeable.
#include "platform/fs.h"

#include "platform/linux/files.h"
#include "platform/linux/regular_file.h"
#include "util/strbuf.h"

namespace {
constexpr size_t kWorkCapacity = 1024;
}

int fsIsDirectoryWriteable(const char* path) {
  char testPath[kWorkCapacity];
  if (!StrFormatf(testPath, sizeof testPath, "%s%c__QFN_WRITE_TEST__.txt", path, '/')) return 0;
  if (!fsCreatePath(path)) return 0;
  if (!OsTouchRegularFile(testPath)) return 0;
  fsRemoveFile(testPath);
  return 1;
}

// Every level of the path, from the top down; see platform/linux/files.h.
int fsCreatePath(const char* path) {
  return OsCreateFolders(path, 1);
}

int fsCreateDirectory(const char* path) {
  return OsCreateFolder(path);
}

int fsSetCurrentDir(const char* path) {
  return OsChangeDir(path);
}

int fsGetCurrentDir(char* buffer, int size) {
  return size > 0 && OsCurrentDir(buffer, static_cast<size_t>(size));
}

int fsRemoveDirectory(const char* path) {
  return OsRemoveFolder(path);
}

int fsEntryExists(const char* path) {
  return OsEntryExists(path);
}

int fsRemoveFile(const char* path) {
  return OsRemoveFile(path);
}
