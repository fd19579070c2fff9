// Shipping a game of one's own: the example game project in examples/lantern is built and
// installed with the installed engine kit alone, into the prefix where the demo game lives
// too; each game then uninstalls without harming the other.
#include "tests/install/install_helpers.h"
#include "tests/support/launch.h"
#include "tests/support/temp_world.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kLanternType[] = "application/x-lantern-save";
const char kLanternId[] = "org.example.Lantern";

// Configures, builds and installs examples/lantern against the kit in prefix, into prefix.
ProcessResult InstallLantern(TempWorld& world, const std::string& prefix) {
  ProcessOptions options = world.ChildOptions();
  options.unset.push_back("DESTDIR");
  options.timeoutSeconds = 180;
  std::string build = world.Path("lantern-build");
  std::vector<std::vector<std::string>> steps = {
      {QFN_CMAKE_COMMAND, "-S", std::string(QFN_SOURCE_DIR) + "/examples/lantern", "-B", build,
       "-DCMAKE_PREFIX_PATH=" + prefix, "-DCMAKE_INSTALL_PREFIX=" + prefix},
      {QFN_CMAKE_COMMAND, "--build", build},
      {QFN_CMAKE_COMMAND, "--install", build}};
  ProcessResult result;
  for (const auto& step : steps) {
    result = RunProcess(step, options);
    if (result.exitCode != 0) break;
  }
  return result;
}

TEST(TwoGames, EachUninstallsWithoutHarmingTheOther) {
  if (!ProgramsInstalled(
          {"cc", "update-desktop-database", "update-mime-database", "gtk-update-icon-cache"}))
    GTEST_SKIP() << "a compiler or a desktop cache tool is not installed";
  TempWorld world;
  world.FakeTool("zenity", {"0", "1", "0", "0"});  // demo: yes, no poll; lantern: yes, OK
  world.FakeTool("xdg-open");
  std::string prefix = world.Path("prefix");
  ProcessResult kit = InstallTo(world, prefix, "", CacheTools::kReal);
  ASSERT_EQ(kit.exitCode, 0) << kit.out << kit.err;
  // The caches the install refreshed know the demo game.
  EXPECT_NE(
      ReadFile(prefix + "/share/mime/globs2").find(":" + std::string(kMimeType) + ":*.quarnsave\n"),
      std::string::npos);
  EXPECT_NE(ReadFile(prefix + "/share/applications/mimeinfo.cache")
                .find(std::string(kMimeType) + "=" + kDesktopId + ".desktop;"),
            std::string::npos);
  EXPECT_TRUE(FileExists(prefix + "/share/icons/hicolor/icon-theme.cache"));
  ProcessResult lantern = InstallLantern(world, prefix);
  ASSERT_EQ(lantern.exitCode, 0) << lantern.out << lantern.err;

  const std::string lanternGame = prefix + "/lib/" + kLanternId;
  const std::string lanternEntry = prefix + "/share/applications/" + kLanternId + ".desktop";
  for (const std::string& file :
       {lanternGame + "/bin/lantern", lanternGame + "/Resources/quarnc.so",
        lanternGame + "/Resources/levels/first.txt", lanternEntry, prefix + "/games/lantern",
        prefix + "/share/icons/hicolor/scalable/apps/" + std::string(kLanternId) + ".svg",
        prefix + "/share/metainfo/" + std::string(kLanternId) + ".metainfo.xml",
        prefix + "/share/man/man6/lantern.6.gz"})
    EXPECT_TRUE(FileExists(file)) << file;
  EXPECT_EQ(DesktopValue(ReadFile(lanternEntry), "StartupWMClass"), "lantern");
  EXPECT_EQ(DesktopValue(ReadFile(lanternEntry), "Categories"), "Game;LogicGame;");
  // The game's own log lists what it installed, and nothing of the kit or the caches.
  std::string log = ReadFile(lanternGame + "/Resources/uninstall.log");
  for (const char* shared : {"quarn_engine.h", "QuarnEngine", "mime.cache", "globs", "mimeinfo"})
    EXPECT_EQ(log.find(shared), std::string::npos) << shared << " in\n" << log;

  // The demo goes; the lantern game still starts and still owns its documents.
  Installed demo = InstalledPaths(prefix);
  ProcessResult removed = RunProcess({demo.launcher, "-Uninstall"}, world.ChildOptions());
  ASSERT_EQ(removed.exitCode, 0) << removed.err;
  for (const std::string& file : {demo.launcher, demo.desktopFile, demo.mimePackage,
                                  prefix + "/share/mime/" + kMimeType + ".xml"})
    EXPECT_FALSE(FileExists(file)) << file;
  EXPECT_TRUE(FileExists(demo.engineKit[0]));
  std::string globs = ReadFile(prefix + "/share/mime/globs2");
  EXPECT_EQ(globs.find(kMimeType), std::string::npos) << globs;
  EXPECT_NE(globs.find(std::string(kLanternType) + ":*.lantern"), std::string::npos) << globs;
  std::string menuCache = ReadFile(prefix + "/share/applications/mimeinfo.cache");
  EXPECT_NE(menuCache.find(std::string(kLanternType) + "=" + kLanternId + ".desktop;"),
            std::string::npos)
      << menuCache;
  EXPECT_EQ(menuCache.find(kDesktopId), std::string::npos) << menuCache;
  ProcessResult played = RunProcess({prefix + "/games/lantern"}, world.ChildOptions());
  EXPECT_EQ(played.exitCode, 0) << played.err;
  EXPECT_EQ(played.out, "Lantern Tiles: level Four corners\n");

  // The lantern game goes too; it has no exit poll, so the user gets a note instead.
  ProcessResult second =
      RunProcess({lanternGame + "/bin/lantern", "-Uninstall"}, world.ChildOptions());
  ASSERT_EQ(second.exitCode, 0) << second.err;
  std::vector<std::vector<std::string>> dialogs = world.Calls("zenity");
  ASSERT_EQ(dialogs.size(), 4u);
  EXPECT_EQ(AlertExplanation(dialogs[3]),
            "Lantern Tiles has succesfully been removed from your computer.");
  EXPECT_TRUE(world.Calls("xdg-open").empty());
  EXPECT_FALSE(FileExists(lanternEntry));
  EXPECT_FALSE(FileExists(lanternGame + "/Resources/levels"));
  EXPECT_EQ(ReadFile(prefix + "/share/mime/globs2").find(kLanternType), std::string::npos);
}

// The AppStream metadata of both games passes the validator software centres use.
TEST(TwoGames, MetainfoIsValid) {
  if (!ProgramsInstalled({"appstreamcli", "cc"})) GTEST_SKIP() << "appstreamcli missing";
  TempWorld world;
  std::string prefix = world.Path("prefix");
  ASSERT_EQ(InstallTo(world, prefix).exitCode, 0);
  ProcessResult lantern = InstallLantern(world, prefix);
  ASSERT_EQ(lantern.exitCode, 0) << lantern.out << lantern.err;
  for (const std::string& id : {std::string(kDesktopId), std::string(kLanternId)}) {
    ProcessResult check = RunProcess({"appstreamcli", "validate", "--no-net",
                                      prefix + "/share/metainfo/" + id + ".metainfo.xml"},
                                     world.ChildOptions());
    EXPECT_EQ(check.exitCode, 0) << id << "\n" << check.out << check.err;
  }
}

// Arguments that would break the generated desktop entry, install steps or log stop the
// configure, naming what is wrong.
TEST(TwoGames, GameArgumentsThatWouldBreakTheFilesAreRefused) {
  struct Case {
    const char* arguments;
    const char* message;
  };
  const Case cases[] = {
      {"ID Lantern NAME x LAUNCHER l", "ID must be reverse-DNS"},
      {"ID org.x.L NAME \"a\nb\" LAUNCHER l", "NAME must be one line"},
      {"ID org.x.L NAME x LAUNCHER ../l", "LAUNCHER must be a plain file name"},
      {"ID org.x.L NAME x LAUNCHER l EXIT_POLL_URL file:///etc", "EXIT_POLL_URL must be"},
      {"ID org.x.L NAME x LAUNCHER l MIME_TYPE application/x-l", "MIME_TYPE needs GLOB"},
  };
  TempWorld world;
  std::string prefix = world.Path("prefix");
  ASSERT_EQ(InstallTo(world, prefix).exitCode, 0);
  std::string source = world.Path("game");
  MakeDirs(source);
  WriteFile(source + "/e.c", "int x;\n");
  WriteFile(source + "/i.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"/>\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    WriteFile(source + "/CMakeLists.txt",
              std::string("cmake_minimum_required(VERSION 3.20)\nproject(g C)\n"
                          "find_package(QuarnEngine 1 REQUIRED)\nquarn_add_engine(e e.c)\n"
                          "quarn_install_game(e ICON i.svg ") +
                  c.arguments + ")\n");
    ProcessResult configured = RunProcess(
        {QFN_CMAKE_COMMAND, "-S", source, "-B", source + "/build", "-DCMAKE_PREFIX_PATH=" + prefix},
        world.ChildOptions());
    EXPECT_NE(configured.exitCode, 0);
    EXPECT_NE(configured.err.find(c.message), std::string::npos) << configured.err;
  }
}

}  // namespace
