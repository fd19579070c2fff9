// After an uninstall: which of the desktop's caches the removed files were listed in, so
// that each affected cache is rebuilt once and forgets the game.
#pragma once

#include "launcher/install_log.h"
#include "platform/desktop_caches.h"

constexpr int kMaxCacheRefreshes = 6;

struct CacheRefreshes {
  int count = 0;
  int cache[kMaxCacheRefreshes] = {};
  char folder[kMaxCacheRefreshes][kInstallValueMax + 1] = {};
};

// Notes the cache of a removed file once; more distinct caches than fit are dropped.
void NoteRemovedFile(CacheRefreshes* refreshes, const char* path);
// Rebuilds every noted cache whose folder still exists, and forgets them.
void RunCacheRefreshes(CacheRefreshes* refreshes);
