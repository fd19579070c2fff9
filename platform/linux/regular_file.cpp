// Regular-file opening; see platform/port/log.h. O_NONBLOCK only keeps the open itself from
// waiting (for a FIFO's reader, a device); it is cleared again once the file is known to be
// a regular file, on which it has no effect anyway.
#include "platform/linux/file_making.h"
#include "platform/port/log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int OsOpenRegularFileToAppend(const char* path) {
  int fd = open(path, O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
  if (fd < 0) return -1;
  struct stat st;
  int flags = fcntl(fd, F_GETFL);
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
      fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

int TouchRegularFile(const char* path) {
  int fd = OsOpenRegularFileToAppend(path);
  if (fd < 0) return 0;
  close(fd);
  return 1;
}

int OsEmptyFile(int fd) {
  return ftruncate(fd, 0) == 0;
}

FILE* OsAppendStream(int fd) {
  FILE* stream = fdopen(fd, "a");
  if (!stream) close(fd);
  return stream;
}
