// The desktop's caches over a data folder (menu entries by MIME type, MIME types, icons).
// After an uninstall removed a game's files, rebuilding the caches they were listed in makes
// the desktop forget the game while every other program those caches describe stays. Which
// caches exist and how they are laid out is the platform's; a cache is named by a number.
#pragma once

#include <cstddef>

// The cache a file is listed in, found from its absolute path alone (no file is read): 1
// with cache and the cache's folder (e.g. <share>/applications for
// <share>/applications/x.desktop) set, else 0, also when the folder does not fit.
int CacheOfFile(const char* path, int* cache, char* folder, size_t capacity);

// Rebuilds one cache of the folder CacheOfFile named with its tool from PATH and waits for
// it, at most seconds (then it is ended). 1 when the tool ran and succeeded; 0 otherwise
// (no such tool is required). Its output is not shown. When the folder holds nothing the
// cache lists any more, the cache's own files are removed instead (1 when none is left).
int RefreshDesktopCache(int cache, const char* folder, double seconds);
