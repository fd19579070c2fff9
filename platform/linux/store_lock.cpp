// flock-based locks of the preference stores, one file ".lock" in each scope's folder (a name
// no key, host or domain folder can take). flock works on a descriptor opened read-only,
// which is what lets a user who cannot write the any-user folder still take part in the
// any-user lock; the descriptor is close-on-exec so no child inherits the hold.
#include "platform/linux/pref_store.h"
#include "platform/port/prefs.h"
#include "platform/prefs.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/waiting.h"
#include "util/file_name.h"
#include "util/strbuf.h"

namespace {

// Opened without following a link and without waiting for a FIFO's writer; only a regular
// file is kept.
int OpenLockFile(int anyUser) {
  char path[kPathCapacity];
  if (!PrefScopeFolder(anyUser, path, sizeof path) || !StrAppend(path, sizeof path, "/.lock"))
    return -1;
  const int flags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
  int fd = open(path, flags);
  if (fd < 0 && errno == ENOENT) {
    // Folders that cannot be made fail the open below, and the store goes unlocked.
    CreatePrefStoreFolders(anyUser, path);
    // Whatever the file-creation mask: every user must open the any-user one. Left with the
    // mask's mode, it keeps only the other users out, who then go unlocked as with any lock
    // file they cannot open.
    const mode_t mode = anyUser ? 0644 : 0600;
    fd = open(path, flags | O_CREAT, mode);
    if (fd >= 0) fchmod(fd, mode);
  }
  struct stat st;
  if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    close(fd);
    fd = -1;
  }
  return fd;
}

}  // namespace

int LockPrefStore(int anyUser, double timeoutSeconds) {
  int fd = OpenLockFile(anyUser);
  if (fd < 0) return -1;
  double deadline = MonotonicSeconds() + PrefStoreWaitSeconds(anyUser, timeoutSeconds);
  for (;;) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
    if (errno != EWOULDBLOCK && errno != EINTR) break;
    if (MonotonicSeconds() >= deadline) {
      NotePrefStoreHeld(anyUser);
      break;
    }
    PauseJittered(200, 800);
  }
  close(fd);
  return -1;
}

void UnlockPrefStore(int handle) {
  if (handle >= 0) close(handle);  // closing the only descriptor releases the flock
}
