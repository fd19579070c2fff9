// The home folder from HOME (getenv is standard C), the application-support folder below it,
// and no executable path nor link to it (the C++ standard library has no way to ask for
// either).
#include <cstdlib>
#include <cstring>

#include "platform/port/paths.h"
#include "util/strbuf.h"

int OsHomeFolder(char* out, size_t capacity) {
  const char* home = getenv("HOME");
  if (!home || home[0] != '/' || !StrCopy(out, capacity, home)) return 0;
  for (size_t length = strlen(out); length > 1 && out[length - 1] == '/';) out[--length] = '\0';
  return 1;
}

int OsAppSupportFolder(char* out, size_t capacity) {
  return OsHomeFolder(out, capacity) && StrAppend(out, capacity, "/.local/share");
}

int OsExecutablePath(char* out, size_t capacity) {
  if (capacity > 0) out[0] = '\0';
  return 0;
}

int OsLauncherLink(const char* argument0, char* out, size_t capacity) {
  if (capacity > 0) out[0] = '\0';
  return 0;
}
