// Opening without links: openat2 resolves a whole path in one call; where the call is not
// known (a kernel before 5.6, or valgrind), the path is opened one level at a time, each
// relative to the level above with O_NOFOLLOW, and a change of mount id (or of device, where
// no mount id is told) counts as another mount, as a bind mount of a folder of the same file
// system keeps its device.
#include "platform/linux/open_beneath.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "util/file_name.h"
#include "util/strbuf.h"

namespace {

bool SameMount(int a, int b) {
  struct statx sa, sb;
  if (statx(a, "", AT_EMPTY_PATH, STATX_MNT_ID, &sa) != 0 ||
      statx(b, "", AT_EMPTY_PATH, STATX_MNT_ID, &sb) != 0)
    return false;
  if ((sa.stx_mask & sb.stx_mask & STATX_MNT_ID) != 0) return sa.stx_mnt_id == sb.stx_mnt_id;
  return sa.stx_dev_major == sb.stx_dev_major && sa.stx_dev_minor == sb.stx_dev_minor;
}

int Openat2(int dirFd, const char* path, int flags, mode_t mode, unsigned long long resolve) {
  struct open_how how;
  memset(&how, 0, sizeof how);
  how.flags = static_cast<unsigned long long>(flags);
  how.mode = (flags & O_CREAT) ? mode : 0;
  how.resolve = resolve;
  long fd;
  do {
    fd = syscall(SYS_openat2, dirFd, path, &how, sizeof how);
  } while (fd < 0 && errno == EINTR);
  return static_cast<int>(fd);
}

int WalkBeneath(int dirFd, const char* relative, int flags, mode_t mode, bool sameMount) {
  char work[kPathCapacity];
  if (!StrCopy(work, relative)) {
    errno = ENAMETOOLONG;
    return -1;
  }
  int fd = dirFd;
  for (char* part = work;;) {
    char* slash = strchr(part, '/');
    if (slash) *slash = '\0';
    int next;
    do {
      next = openat(fd, part, slash ? O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC : flags,
                    mode);
    } while (next < 0 && errno == EINTR);
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

}  // namespace

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

int OpenBeneath(int dirFd, const char* relative, int flags, mode_t mode, bool sameMount) {
  if (!IsPlainRelative(relative)) {
    errno = EINVAL;
    return -1;
  }
  flags |= O_NOFOLLOW | O_CLOEXEC;
  int fd = Openat2(dirFd, relative, flags, mode,
                   RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS |
                       (sameMount ? RESOLVE_NO_XDEV : 0));
  if (fd >= 0 || errno != ENOSYS) return fd;
  return WalkBeneath(dirFd, relative, flags, mode, sameMount);
}

int OpenWithoutLinks(const char* path, int flags) {
  if (path[0] != '/') {
    errno = EINVAL;
    return -1;
  }
  flags |= O_NOFOLLOW | O_CLOEXEC;
  int fd = Openat2(AT_FDCWD, path, flags, 0, RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS);
  if (fd >= 0 || errno != ENOSYS) return fd;
  int root = open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (root < 0) return -1;
  fd = path[1] == '\0' ? fcntl(root, F_DUPFD_CLOEXEC, 0)
                       : OpenBeneath(root, path + 1, flags, 0, false);
  int saved = errno;
  close(root);
  errno = saved;
  return fd;
}
