// After an uninstall: which of the desktop's caches the removed files were listed in, so
// that each affected cache is rebuilt once and forgets the game. All the rebuilds of one
// uninstall share one bound, however many caches there are and however often they run.
#pragma once

#include "launcher/install_log.h"
#include "platform/desktop_caches.h"

constexpr int kMaxCacheRefreshes = 6;
// Seconds all the cache tools of one uninstall may take together.
constexpr double kCacheRefreshSeconds = 10.0;

struct CacheRefreshes {
  int count = 0;
  int cache[kMaxCacheRefreshes] = {};
  char folder[kMaxCacheRefreshes][kInstallValueMax + 1] = {};
  double deadline = 0;  // on the monotonic clock, set by the first rebuild; 0 before it
};

// Notes the cache of a removed file once; more distinct caches than fit are dropped.
void NoteRemovedFile(CacheRefreshes* refreshes, const char* path);
// Rebuilds every noted cache whose folder still exists, and forgets them. The first time a
// cache is rebuilt the player is told on standard error, as the tools may take a while; a
// cache whose turn comes after the shared bound has passed is not rebuilt.
void RunCacheRefreshes(CacheRefreshes* refreshes);
