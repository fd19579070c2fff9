// Open-file-description locks over fcntl; see platform/files.h. The shared lock is polled rather
// than waited for with F_OFD_SETLKW, so that a lock held forever by some other program
// delays a launch by a bounded time instead of hanging it.
#include "platform/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr int kSharedTries = 400;  // 5 ms apart: about 2 s
constexpr useconds_t kTryPauseUs = 5000;

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
  for (int i = 0; i < kSharedTries; ++i) {
    if (SetLock(fd, F_RDLCK)) return 1;
    if (errno != EAGAIN && errno != EACCES) return 0;
    usleep(kTryPauseUs);
  }
  return 0;
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
