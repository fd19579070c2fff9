// The desktop's caches over a data folder's menu entries, MIME packages and icons. After an
// uninstall removed a game's files, rebuilding them makes the desktop forget the game while
// every other program those caches describe stays.
#pragma once

enum DesktopCache {
  kCacheMenuEntries,  // <share>/applications/mimeinfo.cache: update-desktop-database
  kCacheMimeTypes,    // <share>/mime/*: update-mime-database
  kCacheIcons,        // <share>/icons/hicolor/icon-theme.cache: gtk-update-icon-cache
};

// Rebuilds one cache of the folder (applications/, mime/ or icons/hicolor/) with its tool
// from PATH and waits for it, at most about 10 s (then it is ended). 1 when the tool ran and
// succeeded; 0 otherwise (no such tool is required). Its output is not shown.
int RefreshDesktopCache(DesktopCache cache, const char* folder);
