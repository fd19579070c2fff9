// Open-file-description locks over fcntl (they do not see flock() locks); see
// platform/port/log.h and files.h. The shared lock is polled rather
// than waited for with F_OFD_SETLKW, so that a lock held forever by some other program
// delays a launch by a bounded time instead of hanging it.
#include "platform/port/log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/files.h"
#include "platform/linux/forked_child.h"
#include "platform/waiting.h"

namespace {

constexpr double kSharedSeconds = 2.0;
constexpr unsigned kTryPauseUs = 5000;

int SetLock(int fd, short type) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;  // the whole file, however long it grows
  int result;
  do {
    result = fcntl(fd, F_OFD_SETLK, &lock);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

}  // namespace

int OsLockShared(int fd) {
  double deadline = MonotonicSeconds() + kSharedSeconds;
  for (;;) {
    if (SetLock(fd, F_RDLCK)) return 1;
    if (errno != EAGAIN && errno != EACCES) return 0;
    if (MonotonicSeconds() >= deadline) return 0;
    PauseJittered(kTryPauseUs, 0);
  }
}

int OsTryLockExclusive(int fd) {
  return SetLock(fd, F_WRLCK);
}

int OsConvertToShared(int fd) {
  return SetLock(fd, F_RDLCK);
}

int OsUnlock(int fd) {
  return SetLock(fd, F_UNLCK);
}

namespace {

// 1 when only this user could have opened the file: it is this user's and closed to group
// and others (the folder it lies in is this user's alone, see fsMakePrivateFolder).
int OnlyThisUsers(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

// A file that others could open (one made before its folder was closed to them) may be held
// open and locked by another user's process, whose lock must never decide for this user: the
// claim then goes to a new file of this user's alone in its place.
int OpenClaimFile(const char* path) {
  int fd = OsOpenRegularFileToAppend(path);
  if (fd < 0 || OnlyThisUsers(fd)) return fd;
  close(fd);
  return unlink(path) == 0 ? OsOpenRegularFileToAppend(path) : -1;
}

}  // namespace

int ClaimFile(const char* path, int* heldByOther) {
  *heldByOther = 0;
  int fd = OpenClaimFile(path);
  if (fd < 0) return -1;
  if (OsTryLockExclusive(fd)) {
    CloseInForkedChild(fd);
    return fd;
  }
  *heldByOther = errno == EAGAIN || errno == EACCES;
  close(fd);
  return -1;
}

void ReleaseFileClaim(int handle) {
  if (handle < 0) return;
  KeepInForkedChild(handle);
  close(handle);  // the lock goes with the last descriptor
}

// The claim's file is opened to append, which would put every write at its end; F_SETFL sets
// only the status flags, so 0 takes the append flag (and no other worth keeping) away.
int WriteClaimNote(int handle, const char* text) {
  if (fcntl(handle, F_SETFL, 0) != 0) return 0;
  size_t length = strlen(text);
  ssize_t written;
  do {
    written = pwrite(handle, text, length, 0);
  } while (written < 0 && errno == EINTR);
  return written == static_cast<ssize_t>(length);
}

long ReadOwnFileStart(const char* path, char* out, size_t capacity) {
  if (capacity == 0) return -1;
  int fd = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  ssize_t n = -1;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid()) {
    do {
      n = read(fd, out, capacity - 1);
    } while (n < 0 && errno == EINTR);
  }
  close(fd);
  out[n > 0 ? n : 0] = '\0';
  return n;
}
