// Which desktop cache a removed file belongs to, from its path alone, and that each cache is
// noted once however many of its files went.
#include "launcher/cache_refresh.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CacheRefresh, CacheOfFileFollowsTheDataFolderLayout) {
  struct Case {
    const char* path;
    const char* folder;  // "" when the file is in no cache
  };
  const Case cases[] = {
      {"/p/share/applications/org.x.Game.desktop", "/p/share/applications"},
      {"/p/share/mime/packages/org.x.Game.xml", "/p/share/mime"},
      {"/p/share/icons/hicolor/48x48/apps/org.x.Game.png", "/p/share/icons/hicolor"},
      {"/p/share/icons/hicolor/scalable/apps/org.x.Game.svg", "/p/share/icons/hicolor"},
      // Not in a cache: other files of those folders, deeper files, the game's own files.
      {"/p/share/applications/mimeinfo.cache", ""},
      {"/p/share/applications/sub/org.x.Game.desktop", ""},
      {"/p/share/mime/application/x-game.xml", ""},
      {"/p/share/mime/packages/sub/x.xml", ""},
      {"/p/share/icons/hicolor/", ""},
      {"/p/lib/org.x.Game/bin/game", ""},
      {"share/applications/org.x.Game.desktop", ""},  // relative
  };
  int caches[3];
  int found = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    int cache = -1;
    char folder[64] = "";
    ASSERT_EQ(CacheOfFile(c.path, &cache, folder, sizeof folder), c.folder[0] ? 1 : 0);
    EXPECT_STREQ(folder, c.folder);
    if (c.folder[0] && found < 3) caches[found++] = cache;
  }
  // The menu entries, the MIME types and the icons are three caches; both icons one.
  EXPECT_NE(caches[0], caches[1]);
  EXPECT_NE(caches[1], caches[2]);
  EXPECT_NE(caches[0], caches[2]);
  int cache;
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
