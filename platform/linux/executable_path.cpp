// The executable's own path from /proc/self/exe, and the link a game's bundle holds in place
// of a copy of a shared launcher; see platform/port/paths.h. Under valgrind the link is
// answered for the program being checked, not for valgrind's tool, so a launcher run through
// the memory checker finds its own bundle as well.
#include "platform/port/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "util/file_name.h"
#include "util/strbuf.h"

namespace {

constexpr int kMaxLinks = 16;

// argument 0 as an absolute path: taken against the working directory when it holds a '/',
// else the first executable of its name in a PATH folder.
int StartPath(const char* argument0, char (&out)[kPathCapacity]) {
  if (strchr(argument0, '/')) {
    if (argument0[0] == '/') return StrCopy(out, argument0);
    return getcwd(out, sizeof out) && StrAppendChar(out, sizeof out, '/') &&
           StrAppend(out, argument0);
  }
  const char* folder = getenv("PATH");
  if (!folder || !argument0[0]) return 0;
  for (;;) {
    size_t length = strcspn(folder, ":");
    // A relative PATH folder (the working folder) is never searched.
    if (length > 0 && folder[0] == '/' && length + 1 + strlen(argument0) < sizeof out) {
      memcpy(out, folder, length);
      out[length] = '/';
      out[length + 1] = '\0';
      if (StrAppend(out, argument0) && access(out, X_OK) == 0) return 1;
    }
    if (folder[length] == '\0') return 0;
    folder += length + 1;
  }
}

// The link's path with its folder's links resolved.
int WithRealFolder(const char* link, char* out, size_t capacity) {
  const char* name = strrchr(link, '/');
  char folder[kPathCapacity];
  if (!name || static_cast<size_t>(name - link) >= sizeof folder) return 0;
  memcpy(folder, link, static_cast<size_t>(name - link));
  folder[name - link] = '\0';
  char real[PATH_MAX];
  if (!realpath(folder[0] ? folder : "/", real)) return 0;
  return StrFormatf(out, capacity, "%s%s", strcmp(real, "/") == 0 ? "" : real, name);
}

}  // namespace

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

int OsLauncherLink(const char* argument0, char* out, size_t capacity) {
  if (capacity == 0) return 0;
  out[0] = '\0';
  // The executable as OsExecutablePath names it (under valgrind, the program checked).
  struct stat self;
  char at[kPathCapacity];
  if (!argument0 || !OsExecutablePath(at, sizeof at) || stat(at, &self) != 0 ||
      !StartPath(argument0, at))
    return 0;
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    char target[kPathCapacity];
    ssize_t n = readlink(at, target, sizeof target - 1);
    if (n <= 0) return 0;  // no link (any more): none led straight to the executable
    target[n] = '\0';
    char next[kPathCapacity];
    if (target[0] == '/') {
      if (!StrCopy(next, target)) return 0;
    } else {
      const char* slash = strrchr(at, '/');
      if (!StrFormatf(next, sizeof next, "%.*s/%s", static_cast<int>(slash - at), at, target))
        return 0;
    }
    struct stat link, reached;
    if (lstat(next, &link) == 0 && !S_ISLNK(link.st_mode) && stat(next, &reached) == 0 &&
        reached.st_dev == self.st_dev && reached.st_ino == self.st_ino) {
      if (WithRealFolder(at, out, capacity)) return 1;
      out[0] = '\0';
      return 0;
    }
    if (!StrCopy(at, next)) return 0;
  }
  return 0;
}
