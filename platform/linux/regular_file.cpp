// Regular-file opening; see platform/port/log.h. O_NONBLOCK only keeps the open itself from
// waiting (for a FIFO's reader, a device); it is cleared again once the file is known to be
// a regular file, on which it has no effect anyway. Also the signal-safe write of a whole text.
#include "platform/linux/file_making.h"
#include "platform/port/log.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "util/file_name.h"
#include "util/strbuf.h"

namespace {
// Opened without waiting for a FIFO's other end and without following a link; only a regular
// file is kept.
int OpenRegularFile(const char* path) {
  int fd = open(path, O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
  struct stat st;
  if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    close(fd);
    return -1;
  }
  return fd;
}
}  // namespace

// F_SETFL sets only the status flags (append, non-blocking and a few more), so the flags
// wanted are given whole: the file stays open to append and blocks from now on.
int OsOpenRegularFileToAppend(const char* path) {
  int fd = OpenRegularFile(path);
  if (fd >= 0 && fcntl(fd, F_SETFL, O_APPEND) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

int TouchRegularFile(const char* path) {
  int fd = OpenRegularFile(path);
  if (fd < 0) return 0;
  close(fd);
  return 1;
}

int OsEmptyFile(int fd) {
  return ftruncate(fd, 0) == 0;
}

// The temporary name is fixed: only the holder of the old file's exclusive lock makes it, so
// one found there was left by a process that ended on the way, and is removed.
int OsReplaceWithNewFile(int fd, const char* path) {
  struct stat old;
  char temporary[kPathCapacity];
  if (fstat(fd, &old) != 0 || !S_ISREG(old.st_mode) ||
      !StrFormatf(temporary, sizeof temporary, "%s.new", path))
    return -1;
  const int flags = O_RDWR | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC | O_NOFOLLOW;
  int fresh = open(temporary, flags, 0600);
  if (fresh < 0 && errno == EEXIST && unlink(temporary) == 0) fresh = open(temporary, flags, 0600);
  if (fresh < 0) return -1;
  struct stat made;
  int ok = fstat(fresh, &made) == 0 &&
           ((made.st_uid == old.st_uid && made.st_gid == old.st_gid) ||
            fchown(fresh, old.st_uid, old.st_gid) == 0) &&
           ((made.st_mode & 07777) == (old.st_mode & 07777) ||
            fchmod(fresh, old.st_mode & 07777) == 0) &&
           OsTryLockExclusive(fresh) &&
           rename(temporary, path) == 0;
  if (!ok) {
    unlink(temporary);
    close(fresh);
    return -1;
  }
  return fresh;
}

void OsCloseFile(int handle) {
  if (handle >= 0) close(handle);
}

int OsIsFileAt(int fd, const char* path) {
  struct stat open, there;
  return fstat(fd, &open) == 0 && lstat(path, &there) == 0 && open.st_dev == there.st_dev &&
         open.st_ino == there.st_ino;
}

FILE* OsAppendStream(int fd) {
  FILE* stream = fdopen(fd, "a");
  if (!stream) close(fd);
  return stream;
}

int OsWriteText(int fd, const char* text) {
  size_t left = strlen(text);
  while (left > 0) {
    ssize_t written = write(fd, text, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return 0;
    text += written;
    left -= static_cast<size_t>(written);
  }
  return 1;
}
