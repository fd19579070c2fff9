// Which desktop cache a removed file belongs to, from its path alone, and that each cache is
// noted once however many of its files went.
#include "launcher/cache_refresh.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CacheRefresh, CacheOfFileFollowsTheDataFolderLayout) {
  struct Case {
    const char* path;
    int found;
    DesktopCache cache;
    const char* folder;
  };
  const Case cases[] = {
      {"/p/share/applications/org.x.Game.desktop", 1, kCacheMenuEntries, "/p/share/applications"},
      {"/p/share/mime/packages/org.x.Game.xml", 1, kCacheMimeTypes, "/p/share/mime"},
      {"/p/share/icons/hicolor/48x48/apps/org.x.Game.png", 1, kCacheIcons,
       "/p/share/icons/hicolor"},
      {"/p/share/icons/hicolor/scalable/apps/org.x.Game.svg", 1, kCacheIcons,
       "/p/share/icons/hicolor"},
      // Not in a cache: other files of those folders, deeper files, the game's own files.
      {"/p/share/applications/mimeinfo.cache", 0, kCacheMenuEntries, ""},
      {"/p/share/applications/sub/org.x.Game.desktop", 0, kCacheMenuEntries, ""},
      {"/p/share/mime/application/x-game.xml", 0, kCacheMenuEntries, ""},
      {"/p/share/icons/hicolor/", 0, kCacheMenuEntries, ""},
      {"/p/lib/org.x.Game/bin/game", 0, kCacheMenuEntries, ""},
      {"share/applications/org.x.Game.desktop", 0, kCacheMenuEntries, ""},  // relative
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    DesktopCache cache = kCacheMenuEntries;
    char folder[64] = "";
    EXPECT_EQ(CacheOfFile(c.path, &cache, folder, sizeof folder), c.found);
    if (!c.found) continue;
    EXPECT_EQ(cache, c.cache);
    EXPECT_STREQ(folder, c.folder);
  }
  DesktopCache cache;
  char tooSmall[8];
  EXPECT_EQ(CacheOfFile("/p/share/mime/packages/a.xml", &cache, tooSmall, sizeof tooSmall), 0);
}

TEST(CacheRefresh, EachCacheIsNotedOnce) {
  CacheRefreshes refreshes;
  for (const char* size : {"48x48", "64x64", "scalable"})
    NoteRemovedFile(&refreshes,
                    (std::string("/p/share/icons/hicolor/") + size + "/apps/g.png").c_str());
  NoteRemovedFile(&refreshes, "/p/share/applications/g.desktop");
  NoteRemovedFile(&refreshes, "/q/share/applications/g.desktop");  // another prefix
  NoteRemovedFile(&refreshes, "/p/lib/g/bin/g");
  ASSERT_EQ(refreshes.count, 3);
  EXPECT_STREQ(refreshes.folder[0], "/p/share/icons/hicolor");
  EXPECT_STREQ(refreshes.folder[1], "/p/share/applications");
  EXPECT_STREQ(refreshes.folder[2], "/q/share/applications");
}

}  // namespace
