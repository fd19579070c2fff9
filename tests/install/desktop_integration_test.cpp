// The installed game on a freedesktop desktop: the icon and the saved games' MIME type that
// the desktop entry names, the Uninstall action, the command link in <prefix>/games, and the
// desktop's caches, refreshed by their tools when present, at install and after "-Uninstall".
#include "tests/install/install_helpers.h"
#include "tests/support/temp_world.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

TEST(Install, DesktopEntryNamesTheIconTheSavedGamesAndAnUninstallAction) {
  TempWorld world;
  std::string prefix = world.Path("prefix");
  ASSERT_EQ(InstallTo(world, prefix).exitCode, 0);
  Installed paths = InstalledPaths(prefix);
  std::string entry = ReadFile(paths.desktopFile);

  EXPECT_EQ(DesktopValue(entry, "Icon"), kDesktopId);  // the icons' file name in hicolor
  EXPECT_EQ(DesktopValue(entry, "MimeType"), std::string(kMimeType) + ";");
  std::string mime = ReadFile(paths.mimePackage);
  EXPECT_NE(mime.find("<mime-type type=\"" + std::string(kMimeType) + "\">"), std::string::npos);
  EXPECT_NE(mime.find("<glob pattern=\"*.quarnsave\"/>"), std::string::npos) << mime;

  EXPECT_EQ(DesktopValue(entry, "Actions"), "Uninstall;");
  EXPECT_EQ(DesktopValue(entry, "Name", "Desktop Action Uninstall"), "Uninstall");
}

TEST(Install, CommandLinkIsARelativeLinkToTheLauncher) {
  TempWorld world;
  std::string prefix = world.Path("prefix");
  ASSERT_EQ(InstallTo(world, prefix).exitCode, 0);
  Installed paths = InstalledPaths(prefix);
  EXPECT_EQ(std::filesystem::read_symlink(paths.commandLink).string(),
            std::string("../") + kGameFolder + "/bin/" + kLauncherName);
  EXPECT_EQ(std::filesystem::canonical(paths.commandLink),
            std::filesystem::canonical(paths.launcher));
}

// Started by name from a terminal, the launcher finds its bundle through the link, from the
// executable's own path rather than argument 0.
TEST(Install, CommandNameStartsTheGame) {
  TempWorld world;
  std::string prefix = world.Path("prefix");
  ASSERT_EQ(InstallTo(world, prefix).exitCode, 0);
  ProcessOptions options = world.ChildOptions();
  const char* path = getenv("PATH");
  options.env.push_back({"PATH", prefix + "/games:" + world.BinDir() + ":" + (path ? path : "")});
  options.timeoutSeconds = 30;
  ProcessResult result = RunProcess({"quarn-demo"}, options);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("Quarn Demo: game over"), std::string::npos) << result.out;
}

TEST(Install, CacheToolsRunOnTheInstalledFoldersAndMayFail) {
  TempWorld world;
  for (const auto& tool : kCacheTools) world.FakeTool(tool, {"1"});  // every one fails
  std::string prefix = world.Path("prefix");
  ProcessResult result = InstallTo(world, prefix);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  using Calls = std::vector<std::vector<std::string>>;
  EXPECT_EQ(world.Calls("update-desktop-database"),
            (Calls{{"-q", prefix + "/share/applications"}}));
  EXPECT_EQ(world.Calls("update-mime-database"), (Calls{{prefix + "/share/mime"}}));
  EXPECT_EQ(world.Calls("gtk-update-icon-cache"),
            (Calls{{"-q", "-t", "-f", prefix + "/share/icons/hicolor"}}));

  // A staged install leaves the caches to the package manager.
  TempWorld staged;
  ASSERT_EQ(InstallTo(staged, "/opt/quarn", staged.Path("stage")).exitCode, 0);
  for (const auto& tool : kCacheTools) EXPECT_TRUE(staged.Calls(tool).empty()) << tool;
}

TEST(Install, RealCacheToolsFindTheGameAndForgetItAfterUninstall) {
  if (!ProgramsInstalled(
          {"update-desktop-database", "update-mime-database", "gtk-update-icon-cache"}))
    GTEST_SKIP() << "a desktop cache tool is not installed";
  TempWorld world;
  world.FakeTool("zenity", {"0", "1"});  // uninstall: yes; exit poll: no
  std::string prefix = world.Path("prefix");
  ProcessResult installed = InstallTo(world, prefix, "", CacheTools::kReal);
  ASSERT_EQ(installed.exitCode, 0) << installed.out << installed.err;
  EXPECT_NE(
      ReadFile(prefix + "/share/mime/globs2").find(":" + std::string(kMimeType) + ":*.quarnsave\n"),
      std::string::npos);
  EXPECT_NE(ReadFile(prefix + "/share/applications/mimeinfo.cache")
                .find(std::string(kMimeType) + "=" + kDesktopId + ".desktop;"),
            std::string::npos);
  EXPECT_TRUE(FileExists(prefix + "/share/icons/hicolor/icon-theme.cache"));

  Installed paths = InstalledPaths(prefix);
  ProcessResult removed = RunProcess({paths.launcher, "-Uninstall"}, world.ChildOptions());
  ASSERT_EQ(removed.exitCode, 0) << removed.err;
  // The caches stay (other programs are in them), rebuilt without the game.
  EXPECT_EQ(ReadFile(prefix + "/share/mime/globs2").find(kMimeType), std::string::npos);
  EXPECT_FALSE(
      FileExists(prefix + "/share/mime/application/" + std::string(kMimeType).substr(12) + ".xml"));
  std::string menuCache = ReadFile(prefix + "/share/applications/mimeinfo.cache");
  EXPECT_EQ(menuCache.find(kDesktopId), std::string::npos) << menuCache;
  for (const std::string& file : {paths.launcher, paths.desktopFile, paths.mimePackage})
    EXPECT_FALSE(FileExists(file)) << file;
}

}  // namespace
