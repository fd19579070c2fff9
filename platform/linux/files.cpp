// Files and folders over POSIX; see platform/files.h. The write test uses only a regular file of
// its own name, made and removed here.
#include "platform/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "util/file_name.h"
#include "util/strbuf.h"

int OsCreateFolders(const char* path, int withLast) {
  char work[kPathCapacity];
  if (!path || strnlen(path, sizeof work) == sizeof work) return 0;
  size_t i = 0;
  for (; path[i] != '\0'; ++i) {
    if (path[i] == '/' && i > 0) {
      work[i] = '\0';
      if (!fsCreateDirectory(work)) return 0;
    }
    work[i] = path[i];
  }
  work[i] = '\0';
  if (withLast && i > 0 && path[i - 1] != '/' && !fsCreateDirectory(work)) return 0;
  return 1;
}

int fsIsDirectoryWriteable(const char* path) {
  char testPath[kPathCapacity];
  if (!StrFormatf(testPath, sizeof testPath, "%s%c__QFN_WRITE_TEST__.txt", path, '/')) return 0;
  if (!fsCreatePath(path)) return 0;
  if (!OsTouchRegularFile(testPath)) return 0;
  fsRemoveFile(testPath);
  return 1;
}

int fsCreatePath(const char* path) {
  return OsCreateFolders(path, 1);
}

int fsCreateDirectory(const char* path) {
  return mkdir(path, 0777) == 0 || errno == EEXIST;
}

int fsRemoveDirectory(const char* path) {
  return rmdir(path) == 0;
}

int fsRemoveFile(const char* path) {
  return unlink(path) == 0;
}

int fsSetCurrentDir(const char* path) {
  return chdir(path);
}

int fsGetCurrentDir(char* buffer, int size) {
  return size > 0 && getcwd(buffer, static_cast<size_t>(size)) != nullptr;
}
