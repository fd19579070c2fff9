// After an uninstall: which of the desktop's caches the removed files were listed in, so
// that each affected cache is rebuilt once and forgets the game.
#pragma once

#include <cstddef>

#include "launcher/install_log.h"
#include "platform/desktop_caches.h"

constexpr int kMaxCacheRefreshes = 6;

struct CacheRefreshes {
  int count = 0;
  DesktopCache cache[kMaxCacheRefreshes] = {};
  char folder[kMaxCacheRefreshes][kInstallValueMax + 1] = {};
};

// The cache a file lives under: a ".desktop" file in <x>/applications/ (folder
// <x>/applications), a package in <x>/mime/packages/ (folder <x>/mime), or anything below
// <x>/icons/hicolor/ (folder <x>/icons/hicolor). 1 with cache and folder set, else 0.
int CacheOfFile(const char* path, DesktopCache* cache, char* folder, size_t capacity);
// Notes the cache of a removed file once; more distinct caches than fit are dropped.
void NoteRemovedFile(CacheRefreshes* refreshes, const char* path);
// Rebuilds every noted cache whose folder still exists, and forgets them.
void RunCacheRefreshes(CacheRefreshes* refreshes);
