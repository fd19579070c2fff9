// Removal confined to one installation, and opening a file only its owner can change. The
// installation's prefix folder is opened once, reached from "/" without following a link on
// any component; every path below it is then resolved from that descriptor alone, never by
// path again, without following a link and without crossing into another mount, so neither a
// link in a path nor a folder or link swapped in meanwhile leads a removal anywhere else.
// openat2 does the resolution in one call; on a kernel without it (or under a tool that does
// not know the call), each level is opened in turn, relative to the level above and without
// following a link, and a change of mount id (or of device, where no mount id is told)
// counts as another mount: a bind mount of a folder of the same file system keeps the device.
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/files.h"
#include "platform/linux/folder_match.h"
#include "util/file_name.h"
#include "util/strbuf.h"

namespace {

// A path of plain components: not absolute, no empty, "." or ".." component.
bool IsPlainRelative(const char* path) {
  if (path[0] == '\0') return false;
  for (const char* part = path;;) {
    const char* slash = strchr(part, '/');
    size_t length = slash ? static_cast<size_t>(slash - part) : strlen(part);
    if (length == 0 || (length == 1 && part[0] == '.') ||
        (length == 2 && part[0] == '.' && part[1] == '.'))
      return false;
    if (!slash) return true;
    part = slash + 1;
  }
}

// Whether two open files lie on the same mount.
bool SameMount(int a, int b) {
  struct statx sa, sb;
  if (statx(a, "", AT_EMPTY_PATH, STATX_MNT_ID, &sa) != 0 ||
      statx(b, "", AT_EMPTY_PATH, STATX_MNT_ID, &sb) != 0)
    return false;
  if ((sa.stx_mask & sb.stx_mask & STATX_MNT_ID) != 0) return sa.stx_mnt_id == sb.stx_mnt_id;
  return sa.stx_dev_major == sb.stx_dev_major && sa.stx_dev_minor == sb.stx_dev_minor;
}

// One level at a time, for a kernel without openat2.
int WalkBelow(int dirFd, const char* relative, int flags, bool sameMount) {
  char work[kPathCapacity];
  if (!StrCopy(work, relative)) {
    errno = ENAMETOOLONG;
    return -1;
  }
  int fd = dirFd;
  for (char* part = work;;) {
    char* slash = strchr(part, '/');
    if (slash) *slash = '\0';
    int next = openat(fd, part, (slash ? O_DIRECTORY : flags) | O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    int saved = errno;
    if (next >= 0 && sameMount && !SameMount(next, dirFd)) {
      close(next);
      next = -1;
      saved = EXDEV;
    }
    if (fd != dirFd) close(fd);
    if (next < 0) {
      errno = saved;
      return -1;
    }
    if (!slash) return next;
    fd = next;
    part = slash + 1;
  }
}

// relative (plain components) opened below dirFd without following a link on any
// component, and without leaving dirFd's mount when sameMount. errno tells why not: ENOENT
// absent, ELOOP a link, EXDEV a mount, ENOTDIR a file where a folder was expected.
int OpenBelow(int dirFd, const char* relative, int flags, bool sameMount) {
  if (!IsPlainRelative(relative)) {
    errno = EINVAL;
    return -1;
  }
  struct open_how how;
  memset(&how, 0, sizeof how);
  how.flags = static_cast<unsigned>(flags | O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS |
                (sameMount ? RESOLVE_NO_XDEV : 0);
  long fd = syscall(SYS_openat2, dirFd, relative, &how, sizeof how);
  if (fd >= 0 || errno != ENOSYS) return static_cast<int>(fd);
  return WalkBelow(dirFd, relative, flags, sameMount);
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
