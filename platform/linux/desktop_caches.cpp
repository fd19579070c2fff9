// The freedesktop caches of a data folder, from the one list in desktop_caches.cmake: which
// cache a file path belongs to, and rebuilding a cache with its tool, run as a child with an
// argument vector (no shell) and waited for a bounded time, so a tool that hangs cannot hang
// the uninstaller. A cache whose folder holds nothing left to list is removed instead, so
// that the last game of a prefix leaves no cache (and no folder) behind. The folder is passed as
// one argument whatever it holds. The tools' output (update-mime-database's notes on the search
// path) is none of the player's business.
#include "platform/desktop_caches.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/desktop_cache_list.h"
#include "platform/linux/spawn.h"
#include "util/file_name.h"
#include "util/strbuf.h"

namespace {

constexpr int kCacheCount = static_cast<int>(sizeof kDesktopCaches / sizeof kDesktopCaches[0]);
constexpr int kMaxToolWords = 8;

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

// Whether name is one of the files the cache's tool writes.
int IsGenerated(const DesktopCacheEntry& entry, const char* name) {
  size_t length = strlen(name);
  for (const char* at = strstr(entry.generated, name); at; at = strstr(at + 1, name))
    if ((at == entry.generated || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0'))
      return 1;
  return 0;
}

constexpr int kMaxDepth = 6;

// Whether the folder open as fd holds a file the cache lists; below names its place under the
// cache's folder ("" for that folder itself). Links are never followed; an unreadable folder
// counts as holding one, so nothing is removed that might still be listed.
int HoldsListed(const DesktopCacheEntry& entry, int fd, const char* below, int depth) {
  DIR* dir = fdopendir(fd);
  if (!dir) {
    close(fd);
    return 1;
  }
  int holds = 0;
  while (dirent* item = readdir(dir)) {
    const char* name = item->d_name;
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
    if (!below[0] && IsGenerated(entry, name)) continue;
    char path[kPathCapacity];
    if (!StrFormatf(path, sizeof path, "%s%s%s", below, below[0] ? "/" : "", name)) {
      holds = 1;
      break;
    }
    int sub = openat(dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub >= 0) {
      holds = depth >= kMaxDepth || HoldsListed(entry, sub, path, depth + 1);
    } else {
      holds = ListsFile(entry.files, path);
    }
    if (holds) break;
  }
  closedir(dir);
  return holds;
}

// Removes the files the cache's tool wrote in the folder; 1 when none is left.
int RemoveGenerated(const DesktopCacheEntry& entry, int fd) {
  char names[256];
  if (!StrCopy(names, entry.generated)) return 0;
  int removed = 1;
  char* rest = nullptr;
  for (char* name = strtok_r(names, " ", &rest); name; name = strtok_r(nullptr, " ", &rest))
    if (unlinkat(fd, name, 0) != 0 && errno != ENOENT) removed = 0;
  return removed;
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

int RefreshDesktopCache(int cache, const char* folder, double seconds) {
  if (cache < 0 || cache >= kCacheCount || !folder) return 0;
  int fd = open(folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return 0;
  int listed = dup(fd);
  int holds = listed < 0 || HoldsListed(kDesktopCaches[cache], listed, "", 0);
  int removed = !holds && RemoveGenerated(kDesktopCaches[cache], fd);
  close(fd);
  if (!holds) return removed;
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
  return WaitForChildWithin(pid, seconds) == 0;
}
