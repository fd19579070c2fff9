// What a port implements for the desktop's caches: the calls behind CacheOfFile and
// RefreshDesktopCache of desktop_caches.h, which say what each does.
#pragma once

#include <cstddef>

int OsCacheOfFile(const char* path, int* cache, char* folder, size_t capacity);
int OsRefreshDesktopCache(int cache, const char* folder);
