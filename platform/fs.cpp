// One-line file-system wrappers over POSIX. Success is 1 and failure 0; fsSetCurrentDir
// passes chdir's own 0 or -1 on. Error codes are never passed on.
#include "platform/fs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

int fsCreateDirectory(const char* path) {
  return mkdir(path, 0777) == 0 || errno == EEXIST;
}

int fsSetCurrentDir(const char* path) { return chdir(path); }

int fsGetCurrentDir(char* buffer, int size) {
  return size > 0 && getcwd(buffer, static_cast<size_t>(size)) != nullptr;
}

int fsRemoveDirectory(const char* path) { return rmdir(path) == 0; }

int fsRemoveFile(const char* path) { return unlink(path) == 0; }
