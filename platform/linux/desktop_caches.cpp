// The freedesktop caches of a data folder, from the one list in desktop_caches.cmake: which
// cache a file path belongs to, and rebuilding a cache with its tool, run as a child with an
// argument vector (no shell) and waited for a bounded time, so a tool that hangs cannot hang
// the uninstaller. The folder is passed as one argument whatever it holds. The tools' output
// (update-mime-database's notes on the search path) is none of the player's business.
#include "platform/desktop_caches.h"

#include <cstring>

#include "platform/linux/desktop_cache_list.h"
#include "platform/linux/spawn.h"
#include "util/file_name.h"
#include "util/strbuf.h"

namespace {

constexpr int kCacheCount = static_cast<int>(sizeof kDesktopCaches / sizeof kDesktopCaches[0]);
constexpr int kMaxToolWords = 8;
constexpr double kToolSeconds = 10.0;

int EndsWith(const char* text, const char* suffix) {
  size_t length = strlen(text), suffixLength = strlen(suffix);
  return length >= suffixLength && strcmp(text + length - suffixLength, suffix) == 0;
}

// Whether name, the part of a path below the cache's folder, is one of the files it lists.
int ListsFile(const char* files, const char* name) {
  const char* pattern = strrchr(files, '/');
  if (pattern) {
    size_t sub = static_cast<size_t>(pattern - files);
    if (strncmp(name, files, sub) != 0 || name[sub] != '/') return 0;
    name += sub + 1;
    ++pattern;
  } else {
    pattern = files;
  }
  if (!name[0]) return 0;
  if (strcmp(pattern, "**") == 0) return 1;
  return pattern[0] == '*' && !strchr(name, '/') && EndsWith(name, pattern + 1);
}

}  // namespace

int CacheOfFile(const char* path, int* cache, char* folder, size_t capacity) {
  if (!path || path[0] != '/') return 0;
  for (int i = 0; i < kCacheCount; ++i) {
    char marker[64] = "/";
    if (!StrAppend(marker, kDesktopCaches[i].folder) || !StrAppend(marker, "/")) continue;
    const char* at = strstr(path, marker);
    if (!at || !ListsFile(kDesktopCaches[i].files, at + strlen(marker))) continue;
    size_t length = static_cast<size_t>(at - path) + strlen(marker) - 1;
    if (length + 1 > capacity) return 0;
    memcpy(folder, path, length);
    folder[length] = '\0';
    *cache = i;
    return 1;
  }
  return 0;
}

int RefreshDesktopCache(int cache, const char* folder) {
  if (cache < 0 || cache >= kCacheCount || !folder) return 0;
  char tool[128];
  char path[kPathCapacity];
  if (!StrCopy(tool, kDesktopCaches[cache].tool) || !StrCopy(path, folder)) return 0;
  char* argv[kMaxToolWords + 2];
  int count = 0;
  char* rest = nullptr;
  for (char* word = strtok_r(tool, " ", &rest); word && count < kMaxToolWords;
       word = strtok_r(nullptr, " ", &rest))
    argv[count++] = word;
  argv[count++] = path;
  argv[count] = nullptr;
  pid_t pid = SpawnWatchedChild(argv, 1);
  if (pid < 0) return 0;
  return WaitForChildWithin(pid, kToolSeconds) == 0;
}
