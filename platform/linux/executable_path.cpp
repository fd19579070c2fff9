// The executable's own path from /proc/self/exe; see platform/port/paths.h. Under valgrind the
// link is answered for the program being checked, not for valgrind's tool, so a launcher run
// through the memory checker finds its own bundle as well.
#include "platform/port/paths.h"

#include <unistd.h>

int OsExecutablePath(char* out, size_t capacity) {
  if (capacity == 0) return 0;
  out[0] = '\0';
  ssize_t n = readlink("/proc/self/exe", out, capacity);
  if (n <= 0 || static_cast<size_t>(n) >= capacity || out[0] != '/') {
    out[0] = '\0';
    return 0;
  }
  out[n] = '\0';
  return 1;
}
