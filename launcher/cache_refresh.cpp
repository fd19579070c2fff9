// Noting the desktop caches a removed file was part of, each cache of each folder once, and
// rebuilding them; which cache a path belongs to is the platform's to say.
#include "launcher/cache_refresh.h"

#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/waiting.h"
#include "state/state.h"
#include "util/strbuf.h"

void NoteRemovedFile(CacheRefreshes* refreshes, const char* path) {
  int cache;
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
  for (int i = 0; i < refreshes->count; ++i) {
    if (!fsEntryExists(refreshes->folder[i])) continue;
    if (refreshes->deadline == 0) {
      refreshes->deadline = MonotonicSeconds() + kCacheRefreshSeconds;
      fprintf(stderr,
              "%s: updating the desktop's menus, file types and icons (at most %.0f s)...\n",
              g_AppNameLong, kCacheRefreshSeconds);
    }
    double left = refreshes->deadline - MonotonicSeconds();
    if (left > 0) RefreshDesktopCache(refreshes->cache[i], refreshes->folder[i], left);
  }
  refreshes->count = 0;
}
