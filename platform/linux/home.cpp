// The user's home and application-support folders on Linux: $HOME when set and absolute, else
// the password-database entry of the real user id; $XDG_DATA_HOME when set and absolute, else
// home + "/.local/share". A folder that does not fit the caller's buffer is refused (result 0,
// empty text), never cut: a cut path names a different folder. Results carry no final '/',
// except the root folder itself.
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/port/paths.h"
#include "util/strbuf.h"

namespace {

// Copies an absolute folder without its final '/' characters ("/" stays "/").
int CopyFolder(char* out, size_t capacity, const char* folder) {
  size_t len = strlen(folder);
  while (len > 1 && folder[len - 1] == '/') --len;
  if (len + 1 > capacity) {
    if (capacity > 0) out[0] = '\0';
    return 0;
  }
  memcpy(out, folder, len);
  out[len] = '\0';
  return 1;
}

int IsAbsolute(const char* path) {
  return path != nullptr && path[0] == '/';
}

}  // namespace

int OsHomeFolder(char* out, size_t capacity) {
  if (capacity == 0) return 0;
  out[0] = '\0';
  const char* home = getenv("HOME");
  if (IsAbsolute(home)) return CopyFolder(out, capacity, home);

  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  char buffer[16384];
  if (size <= 0 || size > static_cast<long>(sizeof buffer)) size = sizeof buffer;
  passwd entry;
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer, static_cast<size_t>(size), &found) != 0 ||
      found == nullptr || !IsAbsolute(found->pw_dir))
    return 0;
  return CopyFolder(out, capacity, found->pw_dir);
}

int OsAppSupportFolder(char* out, size_t capacity) {
  if (capacity == 0) return 0;
  out[0] = '\0';
  const char* dataHome = getenv("XDG_DATA_HOME");
  if (IsAbsolute(dataHome)) return CopyFolder(out, capacity, dataHome);
  if (!OsHomeFolder(out, capacity)) return 0;
  if (strcmp(out, "/") == 0) out[0] = '\0';  // avoid "//.local/share"
  if (!StrAppend(out, capacity, "/.local/share")) {
    out[0] = '\0';
    return 0;
  }
  return 1;
}
