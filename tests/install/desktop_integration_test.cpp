// The installed game on a freedesktop desktop: started by its command name, and the desktop's
// caches refreshed by their tools when present (the real tools' effect, at install and after
// "-Uninstall", is the two-games test's).
#include "tests/install/install_helpers.h"
#include "tests/support/temp_world.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

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

}  // namespace
