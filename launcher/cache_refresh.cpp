// Finding the desktop caches a removed file was part of, from its path alone: the caches
// are named by the freedesktop layout of a data folder, so no file needs to be read.
#include "launcher/cache_refresh.h"

#include <cstring>

#include "platform/files.h"
#include "util/strbuf.h"

namespace {
struct CacheLayout {
  DesktopCache cache;
  const char* marker;  // the folder part that names the cache, with both slashes
  int keep;            // characters of the marker kept in the cache's folder
  const char* suffix;  // the file name must end so ("" for any)
  int direct;          // the file must lie directly in the marked folder
};
const CacheLayout kLayouts[] = {
    {kCacheMenuEntries, "/applications/", 13, ".desktop", 1},
    {kCacheMimeTypes, "/mime/packages/", 5, ".xml", 1},
    {kCacheIcons, "/icons/hicolor/", 14, "", 0},
};

int EndsWith(const char* text, const char* suffix) {
  size_t length = strlen(text), suffixLength = strlen(suffix);
  return length >= suffixLength && strcmp(text + length - suffixLength, suffix) == 0;
}
}  // namespace

int CacheOfFile(const char* path, DesktopCache* cache, char* folder, size_t capacity) {
  if (!path || path[0] != '/') return 0;
  for (const CacheLayout& layout : kLayouts) {
    const char* at = strstr(path, layout.marker);
    if (!at) continue;
    const char* name = at + strlen(layout.marker);
    if (!name[0] || !EndsWith(name, layout.suffix)) continue;
    if (layout.direct && strchr(name, '/')) continue;
    size_t length = static_cast<size_t>(at - path) + static_cast<size_t>(layout.keep);
    if (length + 1 > capacity) return 0;
    memcpy(folder, path, length);
    folder[length] = '\0';
    *cache = layout.cache;
    return 1;
  }
  return 0;
}

void NoteRemovedFile(CacheRefreshes* refreshes, const char* path) {
  DesktopCache cache;
  char folder[kInstallValueMax + 1];
  if (!CacheOfFile(path, &cache, folder, sizeof folder)) return;
  for (int i = 0; i < refreshes->count; ++i)
    if (refreshes->cache[i] == cache && strcmp(refreshes->folder[i], folder) == 0) return;
  if (refreshes->count == kMaxCacheRefreshes) return;
  refreshes->cache[refreshes->count] = cache;
  StrCopy(refreshes->folder[refreshes->count], folder);
  ++refreshes->count;
}

void RunCacheRefreshes(CacheRefreshes* refreshes) {
  for (int i = 0; i < refreshes->count; ++i)
    if (fsEntryExists(refreshes->folder[i]))
      RefreshDesktopCache(refreshes->cache[i], refreshes->folder[i]);
  refreshes->count = 0;
}
