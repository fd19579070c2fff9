// flock-based locks beside the preference stores. flock works on a descriptor opened
// read-only, which is what lets a user who cannot write the any-user folder still take part
// in the any-user lock; the descriptor is close-on-exec so no child inherits the hold.
#include "platform/linux/store_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "util/strbuf.h"

namespace {

constexpr size_t kPathCapacity = 1024;

double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// The folders above the store, made when missing, as the store itself makes them.
void MakeParentFolders(const char* path) {
  char folder[kPathCapacity];
  StrCopy(folder, sizeof folder, path);
  for (char* p = folder + 1; *p; ++p) {
    if (*p != '/') continue;
    *p = '\0';
    mkdir(folder, 0777);
    *p = '/';
  }
}

int OpenLockFile(int anyUser) {
  char path[kPathCapacity];
  if (!OsPrefStorePath(anyUser, path, sizeof path) || !StrAppend(path, sizeof path, ".lock"))
    return -1;
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd >= 0) return fd;
  MakeParentFolders(path);
  fd = open(path, O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd >= 0) fchmod(fd, 0644);  // whatever the file-creation mask: every user must open it
  return fd;
}

}  // namespace

int OsLockPrefStore(int anyUser, double timeoutSeconds) {
  int fd = OpenLockFile(anyUser);
  if (fd < 0) return -1;
  double deadline = Now() + timeoutSeconds;
  unsigned int jitter = static_cast<unsigned int>(getpid());
  for (;;) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
    if (errno != EWOULDBLOCK && errno != EINTR) break;
    if (Now() >= deadline) break;
    jitter = jitter * 1103515245u + 12345u;
    usleep(200 + (jitter >> 16) % 800);
  }
  close(fd);
  return -1;
}

void OsUnlockPrefStore(int handle) {
  if (handle >= 0) close(handle);  // closing the only descriptor releases the flock
}
