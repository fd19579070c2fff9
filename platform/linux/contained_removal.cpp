// Removal confined to one installation, and opening a file only its owner can change. A
// path is walked from the installation's prefix one folder at a time, each level opened
// without following a link and relative to the level above, so neither a link in the path
// nor one swapped in meanwhile leads the removal anywhere else.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/files.h"
#include "util/file_name.h"
#include "util/strbuf.h"

namespace {

// The folder that holds the last component of path, opened level by level below prefix
// (which ends with '/'); *name points at that last component. -1 with *result set when the
// walk stops: refused for a path outside prefix, an empty, "." or ".." component, or a
// link on the way; absent when a level does not exist.
int OpenParentInside(const char* prefix, const char* path, char (&work)[kPathCapacity],
                     const char** name, int* result) {
  size_t prefixLength = strlen(prefix);
  *result = kInsideRefused;
  if (prefixLength == 0 || prefix[prefixLength - 1] != '/' ||
      strncmp(path, prefix, prefixLength) != 0 || !StrCopy(work, path + prefixLength))
    return -1;
  int fd = open(prefix, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    *result = errno == ENOENT ? kInsideAbsent : kInsideFailed;
    return -1;
  }
  char* part = work;
  for (;;) {
    char* slash = strchr(part, '/');
    if (slash) *slash = '\0';
    if (part[0] == '\0' || strcmp(part, ".") == 0 || strcmp(part, "..") == 0) break;
    if (!slash) {
      *name = part;
      return fd;
    }
    struct stat st;
    if (fstatat(fd, part, &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) *result = kInsideAbsent;
      break;
    }
    int next = openat(fd, part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0) break;  // a link (also one swapped in since the look) or not a folder
    close(fd);
    fd = next;
    part = slash + 1;
  }
  close(fd);
  return -1;
}

int IsOwnersAlone(const struct stat& st) {
  return (st.st_uid == 0 || st.st_uid == geteuid()) && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

int RemoveInside(const char* prefix, const char* path, int folder) {
  char work[kPathCapacity];
  const char* name = nullptr;
  int result = kInsideRefused;
  if (!prefix || !path) return result;
  int fd = OpenParentInside(prefix, path, work, &name, &result);
  if (fd < 0) return result;
  if (unlinkat(fd, name, folder ? AT_REMOVEDIR : 0) == 0)
    result = kInsideRemoved;
  else
    result = errno == ENOENT ? kInsideAbsent : kInsideFailed;
  close(fd);
  return result;
}

int IsFolderInside(const char* prefix, const char* folder, const char* here) {
  char work[kPathCapacity];
  const char* name = nullptr;
  int result = kInsideRefused;
  if (!prefix || !folder || !here) return 0;
  int fd = OpenParentInside(prefix, folder, work, &name, &result);
  if (fd < 0) return result == kInsideAbsent ? -1 : 0;
  struct stat inside, at;
  int same = 0;
  if (fstatat(fd, name, &inside, AT_SYMLINK_NOFOLLOW) != 0)
    same = errno == ENOENT ? -1 : 0;
  else
    same = S_ISDIR(inside.st_mode) && stat(here, &at) == 0 && inside.st_dev == at.st_dev &&
           inside.st_ino == at.st_ino;
  close(fd);
  return same;
}

FILE* OpenOwnersFile(const char* name, int* refusal) {
  *refusal = kOwnersNoFile;
  int fd = open(name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat file, folder;
  if (fstat(fd, &file) != 0 || !S_ISREG(file.st_mode)) {
    close(fd);
    return nullptr;
  }
  if (!IsOwnersAlone(file))
    *refusal = kOwnersFileOpen;
  else if (stat(".", &folder) != 0 || !IsOwnersAlone(folder))
    *refusal = kOwnersFolderOpen;
  else
    *refusal = kOwnersTrusted;
  FILE* stream = *refusal == kOwnersTrusted ? fdopen(fd, "r") : nullptr;
  if (!stream) close(fd);
  return stream;
}
