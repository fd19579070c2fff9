// Removal confined to one installation, and opening a file only its owner can change. The
// installation's prefix folder is opened once, reached from "/" without following a link on
// any component; every path below it is then resolved from that descriptor alone, never by
// path again, without following a link and without crossing into another mount, so neither a
// link in a path nor a folder or link swapped in meanwhile leads a removal anywhere else.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/files.h"
#include "platform/linux/folder_match.h"
#include "platform/linux/open_beneath.h"
#include "util/file_name.h"
#include "util/strbuf.h"

namespace {

// relative opened below dirFd as OpenBeneath does, for reading.
int OpenBelow(int dirFd, const char* relative, int flags, bool sameMount) {
  return OpenBeneath(dirFd, relative, flags | O_RDONLY, 0, sameMount);
}

int ResultOfErrno() {
  if (errno == ENOENT) return kInsideAbsent;
  if (errno == ELOOP || errno == EXDEV || errno == ENOTDIR || errno == EINVAL) return kInsideRefused;
  return kInsideFailed;
}

// The folder holding the last component of relative, and that component's name in work.
int OpenParentBelow(int installation, const char* relative, char (&work)[kPathCapacity],
                    const char** name) {
  if (!StrCopy(work, relative)) {
    errno = ENAMETOOLONG;
    return -1;
  }
  char* slash = strrchr(work, '/');
  if (!slash) {
    *name = work;
    return fcntl(installation, F_DUPFD_CLOEXEC, 0);
  }
  *slash = '\0';
  *name = slash + 1;
  if (!IsPlainRelative(*name)) {
    errno = EINVAL;
    return -1;
  }
  return OpenBelow(installation, work, O_DIRECTORY, true);
}

int IsOwnersAlone(const struct stat& st) {
  return (st.st_uid == 0 || st.st_uid == geteuid()) && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

int OpenInstallation(const char* prefix) {
  if (!prefix || prefix[0] != '/') return -1;
  int root = open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (root < 0) return -1;
  int fd = OpenBelow(root, prefix + 1, O_DIRECTORY, false);
  close(root);
  return fd;
}

void CloseInstallation(int installation) {
  if (installation >= 0) close(installation);
}

int IsWorkingFolderBelow(int installation, const char* relative) {
  int fd = OpenBelow(installation, relative, O_DIRECTORY, true);
  if (fd < 0) return 0;
  struct stat inside, here;
  int same = fstat(fd, &inside) == 0 && stat(".", &here) == 0 && SameFile(inside, here);
  close(fd);
  return same;
}

int RemoveBelow(int installation, const char* relative, int folder) {
  char work[kPathCapacity];
  const char* name = nullptr;
  int fd = OpenParentBelow(installation, relative, work, &name);
  if (fd < 0) return ResultOfErrno();
  int result =
      unlinkat(fd, name, folder ? AT_REMOVEDIR : 0) == 0 ? kInsideRemoved : ResultOfErrno();
  close(fd);
  return result;
}

int RemoveMatchingBelow(int installation, const char* relativeFolder, const char* pattern) {
  int fd = OpenBelow(installation, relativeFolder, O_DIRECTORY, true);
  if (fd < 0) return errno == ENOENT ? -1 : -2;
  int removed = RemoveMatchingIn(fd, pattern);
  return removed < 0 ? -2 : removed;
}

// The prefix's own folder, once empty: its parent is reached as the prefix was, and the name
// there must still be the folder opened at the start.
int RemoveInstallationFolder(int installation, const char* prefix) {
  char parent[kPathCapacity];
  if (!prefix || prefix[0] != '/' || !StrCopy(parent, prefix)) return 0;
  char* slash = strrchr(parent, '/');
  const char* name = slash + 1;
  *slash = '\0';
  int fd = parent[0] ? OpenInstallation(parent) : open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return 0;
  struct stat named, opened;
  int removed = fstatat(fd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                fstat(installation, &opened) == 0 && SameFile(named, opened) &&
                unlinkat(fd, name, AT_REMOVEDIR) == 0;
  close(fd);
  return removed;
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
