// Shipping a game of one's own: the example game project in examples/lantern is built and
// installed with the installed engine kit alone, into the prefix where the demo game lives
// too; each game then uninstalls without harming the other. Games' arguments are checked
// when configuring, and an install neither replaces another game's files nor strands any.
#include "tests/install/install_helpers.h"
#include "tests/support/launch.h"
#include "tests/support/temp_world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <sstream>
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
  EXPECT_EQ(DesktopValue(ReadFile(lanternEntry), "Keywords"), "puzzle;lantern;tiles;");
  // A packager's file list names the command link too.
  EXPECT_NE(
      ReadFile(world.Path("lantern-build/install_manifest.txt")).find(prefix + "/games/lantern\n"),
      std::string::npos);
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
  // The last game gone, the caches it needed go too: the kit alone stays.
  EXPECT_EQ(TreeUnder(prefix), TreeOf(prefix, demo.engineKit));
}

// The AppStream metadata of both games passes the validator software centres use, with
// nothing to note even pedantically but the capital letters that desktop ids conventionally
// have.
TEST(TwoGames, MetainfoIsValid) {
  if (!ProgramsInstalled({"appstreamcli", "cc"})) GTEST_SKIP() << "appstreamcli missing";
  TempWorld world;
  std::string prefix = world.Path("prefix");
  ASSERT_EQ(InstallTo(world, prefix).exitCode, 0);
  ProcessResult lantern = InstallLantern(world, prefix);
  ASSERT_EQ(lantern.exitCode, 0) << lantern.out << lantern.err;
  for (const std::string& id : {std::string(kDesktopId), std::string(kLanternId)}) {
    ProcessResult check = RunProcess({"appstreamcli", "validate", "--no-net", "--pedantic",
                                      prefix + "/share/metainfo/" + id + ".metainfo.xml"},
                                     world.ChildOptions());
    EXPECT_EQ(check.exitCode, 0) << id << "\n" << check.out << check.err;
    std::istringstream lines(check.out);
    for (std::string line; std::getline(lines, line);)
      if (line.size() > 1 && line[1] == ':') {
        EXPECT_NE(line.find("cid-contains-uppercase-letter"), std::string::npos) << line;
      }
  }
}

// CMake wraps its messages: every run of white space as one space.
std::string Flat(const std::string& text) {
  std::string flat;
  for (char c : text)
    if (!isspace(static_cast<unsigned char>(c)))
      flat += c;
    else if (flat.empty() || flat.back() != ' ')
      flat += ' ';
  return flat;
}

// PNG header bytes (signature and IHDR) of an image of the given size.
std::string PngHeader(unsigned width, unsigned height) {
  std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
  for (unsigned value : {width, height})
    for (int shift = 24; shift >= 0; shift -= 8) png += static_cast<char>((value >> shift) & 0xff);
  return png + std::string(5, '\0');
}

// A game project in <world>/<folder> with an engine that binds, an SVG icon and the given
// arguments after "quarn_install_game(e ICON i.svg", configured against the kit in prefix,
// to be installed there too unless another prefix is given.
ProcessResult ConfigureGame(TempWorld& world, const std::string& prefix, const std::string& folder,
                            const std::string& arguments, std::string installPrefix = "") {
  if (installPrefix.empty()) installPrefix = prefix;
  std::string source = world.Path(folder);
  MakeDirs(source);
  WriteFile(source + "/e.c",
            "#include <quarn_engine.h>\n#include <string.h>\n"
            "int qrnGetAppName(char* s, char* l, char* a, int* b) {\n"
            "  strcpy(s, \"G\"); strcpy(l, \"Some Game\"); strcpy(a, \"G\"); *b = 1; return 0; }\n"
            "int qrnCreate(int c, char** v) { return 0; }\nint qrnRun(void) { return 0; }\n"
            "int qrnClose(void) { return 0; }\nint qrnSendIPC(const char* m) { return 0; }\n");
  WriteFile(source + "/i.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"/>\n");
  WriteFile(
      source + "/CMakeLists.txt",
      "cmake_minimum_required(VERSION 3.20)\nproject(g C)\n"
      "find_package(QuarnEngine 1 REQUIRED)\nquarn_add_engine(e e.c)\n"
      "add_library(plain MODULE EXCLUDE_FROM_ALL e.c)\n"  // a library quarn_add_engine did not make
      "quarn_install_game(e ICON i.svg " +
          arguments + ")\n");
  ProcessOptions options = world.ChildOptions();
  options.timeoutSeconds = 120;
  return RunProcess({QFN_CMAKE_COMMAND, "-S", source, "-B", source + "/build",
                     "-DCMAKE_PREFIX_PATH=" + prefix, "-DCMAKE_INSTALL_PREFIX=" + installPrefix},
                    options);
}

// Builds and installs a configured game project.
ProcessResult BuildAndInstall(TempWorld& world, const std::string& folder) {
  ProcessOptions options = world.ChildOptions();
  options.unset.push_back("DESTDIR");
  options.timeoutSeconds = 120;
  std::string build = world.Path(folder) + "/build";
  ProcessResult built = RunProcess({QFN_CMAKE_COMMAND, "--build", build}, options);
  if (built.exitCode != 0) return built;
  return RunProcess({QFN_CMAKE_COMMAND, "--install", build}, options);
}

// An install never replaces another game's files; one that stops half-way leaves only what
// its own uninstall removes; a game reinstalls over itself.
TEST(TwoGames, AnInstallNeverHarmsAnotherGameAndNeverStrandsFiles) {
  if (!ProgramsInstalled({"cc"})) GTEST_SKIP() << "no compiler";
  TempWorld world;
  world.FakeTool("zenity");
  std::string prefix = world.Path("prefix");
  ASSERT_EQ(InstallTo(world, prefix).exitCode, 0);
  const std::vector<std::string> before = TreeUnder(prefix);

  ASSERT_EQ(
      ConfigureGame(world, prefix, "other", "ID org.example.Other NAME Other LAUNCHER quarn-demo")
          .exitCode,
      0);
  ProcessResult other = BuildAndInstall(world, "other");
  EXPECT_NE(other.exitCode, 0);
  EXPECT_NE(Flat(other.err).find(prefix + "/games/quarn-demo belongs to the game Quarn Demo "
                                          "(com.quillfen.QuarnDemo)"),
            std::string::npos)
      << other.err;
  EXPECT_EQ(TreeUnder(prefix), before);
  EXPECT_EQ(InstallTo(world, prefix).exitCode, 0);  // the demo over itself

  // Reinstalled under another LAUNCHER, a game keeps nothing of its first name, and its
  // uninstall leaves the prefix as it found it.
  for (const char* launcher : {"first", "second"}) {
    ASSERT_EQ(ConfigureGame(world, prefix, "renamed",
                            std::string("ID org.example.Renamed NAME R LAUNCHER ") + launcher)
                  .exitCode,
              0);
    ASSERT_EQ(BuildAndInstall(world, "renamed").exitCode, 0);
  }
  for (const char* first :
       {"/games/first", "/lib/org.example.Renamed/bin/first", "/share/man/man6/first.6.gz"})
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(prefix + first))) << first;
  ProcessResult renamed =
      RunProcess({prefix + "/games/second", "-Uninstall"}, world.ChildOptions());
  EXPECT_EQ(renamed.exitCode, 0) << renamed.err;
  EXPECT_EQ(TreeUnder(prefix), before);

  MakeDirs(world.Path("half"));
  WriteFile(world.Path("half/gone.txt"), "data\n");
  ASSERT_EQ(ConfigureGame(world, prefix, "half",
                          "ID org.example.Half NAME Half LAUNCHER half "
                          "DATA gone.txt")
                .exitCode,
            0);
  std::remove(world.Path("half/gone.txt").c_str());
  ASSERT_NE(BuildAndInstall(world, "half").exitCode, 0);
  ProcessResult removed =
      RunProcess({prefix + "/lib/org.example.Half/bin/half", "-Uninstall"}, world.ChildOptions());
  EXPECT_EQ(removed.exitCode, 0) << removed.err;
  for (const std::string& path : TreeUnder(prefix)) {
    // The emptied game folder is the uninstaller's to remove; no file may stay.
    if (path.find("org.example.Half") != std::string::npos)
      EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::symlink_status(path))) << path;
    else
      EXPECT_TRUE(std::find(before.begin(), before.end(), path) != before.end()) << path;
  }
}

// Installed into a prefix of its own that the install creates, with the desktop's real cache
// tools, a game's uninstall leaves nothing of the prefix: no file, no cache, no folder.
TEST(TwoGames, AGameUninstallsFromAPrefixItsInstallCreated) {
  if (!ProgramsInstalled({"cc", "update-mime-database"})) GTEST_SKIP() << "no compiler or tool";
  TempWorld world;
  world.FakeTool("zenity");
  std::string kit = world.Path("kit");
  ASSERT_EQ(InstallTo(world, kit, "", CacheTools::kReal).exitCode, 0);
  std::string prefix = world.Path("opt-game");
  ASSERT_EQ(ConfigureGame(world, kit, "own",
                          "ID org.example.Own NAME Own LAUNCHER own MIME_TYPE "
                          "application/x-own GLOB *.own",
                          prefix)
                .exitCode,
            0);
  ProcessResult installed = BuildAndInstall(world, "own");
  ASSERT_EQ(installed.exitCode, 0) << installed.out << installed.err;
  ASSERT_TRUE(FileExists(prefix + "/share/mime/mime.cache"));
  ProcessResult removed = RunProcess({prefix + "/games/own", "-Uninstall"}, world.ChildOptions());
  EXPECT_EQ(removed.exitCode, 0) << removed.err;
  EXPECT_FALSE(std::filesystem::exists(prefix)) << testing::PrintToString(TreeUnder(prefix));
}

// A game that shares the kit's launcher holds a relative link to it, not a copy, and plays
// from its own bundle however it is started.
TEST(TwoGames, AGameSharingTheKitsLauncherPlaysFromItsOwnBundle) {
  if (!ProgramsInstalled({"cc"})) GTEST_SKIP() << "no compiler";
  TempWorld world;
  std::string prefix = world.Path("prefix");
  ASSERT_EQ(InstallTo(world, prefix).exitCode, 0);
  ASSERT_EQ(ConfigureGame(world, prefix, "shared",
                          "ID org.example.Shared NAME Shared LAUNCHER shared SHARED_LAUNCHER")
                .exitCode,
            0);
  ProcessResult installed = BuildAndInstall(world, "shared");
  ASSERT_EQ(installed.exitCode, 0) << installed.out << installed.err;
  const std::string bin = prefix + "/lib/org.example.Shared/bin/shared";
  EXPECT_EQ(std::filesystem::read_symlink(bin).string(), "../../../libexec/quarn/quarn");
  for (const std::string& start : {bin, prefix + "/games/shared"}) {
    ProcessResult played = RunProcess({start}, world.ChildOptions());
    EXPECT_EQ(played.exitCode, 0) << start << "\n" << played.err;
    EXPECT_TRUE(FileExists(world.LauncherLog("Some Game", "shared"))) << start;
  }
}

// Arguments that would break the generated files, install steps or log, or the game itself,
// stop the configure, naming the argument and the value; arguments that merely look like
// CMake's false constants are texts like any other, and every text is escaped for the file it
// goes into.
TEST(TwoGames, GameArgumentsAreCheckedWhenConfiguring) {
  struct Case {
    std::string arguments;
    const char* message;  // "" when the arguments are accepted
    // Accepted: texts that the generated file (below quarn_game/org.x.L/) holds, or, after
    // '!', does not hold.
    std::vector<std::pair<const char*, std::string>> generated;
  };
  const std::string ok = "ID org.x.L NAME x LAUNCHER l ";
  const Case cases[] = {
      {"ID Lantern NAME x LAUNCHER l", "ID \"Lantern\": ID must be reverse-DNS", {}},
      {"ID pebble.garden NAME x LAUNCHER l", "ID \"pebble.garden\": ID must be reverse-DNS", {}},
      {"ID org.x." + std::string(300, 'a') + " NAME x LAUNCHER l",
       "longer than 100 characters",
       {}},
      {"ID org.x.L ID org.x.M NAME x LAUNCHER l", "ID \"ID\": given twice", {}},
      {"ID org.x.L NAME \"a\nb\" LAUNCHER l", "NAME must be one line", {}},
      {"ID org.x.L NAME \"caf\xe9\" LAUNCHER l", "NAME \"caf\xe9\": not UTF-8 text", {}},
      {ok + "COMMENT \"a\tb\"", "COMMENT \"a\tb\": not UTF-8 text without control", {}},
      {"ID org.x.L NAME x LAUNCHER ../l", "LAUNCHER \"../l\": LAUNCHER must be a plain file", {}},
      {"ID org.x.L NAME x LAUNCHER " + std::string(300, 'l'), "longer than 100 characters", {}},
      {"ID org.x.L NAME x LAUNCHR l",
       "LAUNCHR \"LAUNCHR;l\": unknown argument; is it a misspelt",
       {}},
      {ok + "EXIT_POLL_URL file:///etc", "EXIT_POLL_URL \"file:///etc\"", {}},
      {ok + "EXIT_POLL_URL http://x.example/caf\xc3\xa9",
       "EXIT_POLL_URL must be an http or https address in ASCII",
       {}},
      {ok + "EXIT_POLL_URL http://x.example/" + std::string(496, 'a'),
       "longer than the 512 characters of an install-log value",
       {}},
      {ok + "EXIT_POLL_URL \"http://x.example/poll#form\"",
       "a #fragment would hold the poll's query",
       {}},
      {ok + "HOMEPAGE www.x.example", "HOMEPAGE/SCREENSHOTS \"www.x.example\": not an http", {}},
      {ok + "MIME_TYPE application/x-l", "MIME_TYPE needs GLOB", {}},
      {ok + "MIME_TYPE \"pebble file\" GLOB *.p",
       "MIME_TYPE \"pebble file\": not a media type",
       {}},
      {ok + "MIME_TYPE text/plain GLOB *.txt", "MIME_TYPE \"text/plain\": a game's own type", {}},
      {ok + "CATEGORIES Games", "CATEGORIES \"Games;\": Games is not a registered category", {}},
      {ok + "CATEGORIES LogicGame", "CATEGORIES \"LogicGame;\": no main category", {}},
      {ok + "CATEGORIES \"Game;Game\"", "CATEGORIES \"Game;Game;\": Game is named twice", {}},
      {ok + "DATA levels", "DATA \"levels\": no such file", {}},
      {ok + "DATA quarnc.so", "quarnc.so would replace the game's own file in Resources/", {}},
      {ok + "DOCS a/readme b/readme", "a second DOCS item named readme", {}},
      {ok + "ICON gone.svg", "ICON \"gone.svg\": no such file", {}},
      {ok + "ICON fake.svg", "fake.svg\": not an SVG image", {}},
      {"CATEGORY Game ID org.x.L NAME x LAUNCHER l",
       "ICON \"CATEGORY\": no such file; is it a misspelt keyword?",
       {}},
      {ok + "ICON big.png", "1024x1024 px; a PNG icon is square", {}},
      {ok + "ICON wide.png", "64x48 px; a PNG icon is square", {}},
      {ok + "ICON ok.png ok2.png", "ok2.png\": a second 48x48 icon", {}},
      {"ID org.x.L NAME x LAUNCHER", "LAUNCHER \"\": given without a value", {}},
      {ok + "CONTENT_RATING violence=lots", "CONTENT_RATING \"violence=lots\": not an OARS", {}},
      {ok + "CONTENT_RATING violence-lots=mild",
       "CONTENT_RATING \"violence-lots=mild\": not an OARS",
       {}},
      {ok + "LICENSE GPL", "LICENSE \"GPL\": GPL is no SPDX license id", {}},
      // A library that quarn_add_engine did not make would not be loaded as the engine.
      {ok + ")\nquarn_install_game(plain ICON i.svg ID org.x.P NAME p LAUNCHER p",
       "engine \"plain\": not made by quarn_add_engine",
       {}},
      // Texts reach the files as written, whatever CMake would make of them, escaped for each.
      {"ID org.x.L NAME Off LAUNCHER n COMMENT No SUMMARY \"a \\\"b\\\" $c;d\\\\e\" ICON ok.png",
       "",
       {{"org.x.L.metainfo.xml", "<name>Off</name>"},
        {"org.x.L.metainfo.xml", "<p>a &quot;b&quot; $c;d\\e. No.</p>"}}},
      {"ID org.x.L NAME \"Caf\xc3\xa9 \\\"Q\\\"\" LAUNCHER n MIME_TYPE application/x-l "
       "GLOB \"*.a&<\\\"\" LICENSE \"MIT OR (Apache-2.0 AND LicenseRef-Art)\"",
       "",
       {{"n.6", ".TH \"n\" 6 \"\" \"Caf\xc3\xa9 \\(dqQ\\(dq\" \"Games\"\n"},
        {"org.x.L.xml", "<glob pattern=\"*.a&amp;&lt;&quot;\"/>"},
        {"org.x.L.xml", "<generic-icon name=\"application-x-generic\"/>"},
        {"org.x.L.metainfo.xml", "<project_license>MIT OR (Apache-2.0 AND LicenseRef-Art)"},
        {"n.6", "Uninstall"}}},
      // What a maker may add; a game a package manager removes has no -Uninstall to document.
      {ok + "NO_UNINSTALLER KEYWORDS \"tiles;light\" HOMEPAGE https://x.example/ "
            "SCREENSHOTS https://x.example/1.png https://x.example/2.png "
            "MIME_TYPE image/x-l-board GLOB *.lb MIME_ICON i.svg",
       "",
       {{"org.x.L.metainfo.xml", "<url type=\"homepage\">https://x.example/</url>"},
        {"org.x.L.metainfo.xml",
         "  <keywords>\n    <keyword>tiles</keyword>\n    <keyword>light</keyword>\n  </keywords>"},
        {"org.x.L.metainfo.xml",
         "<screenshot type=\"default\">\n      <caption>x</caption>\n      "
         "<image>https://x.example/1.png</image>"},
        {"org.x.L.metainfo.xml", "<screenshot type=\"extra\">"},
        {"org.x.L.xml",
         "<icon name=\"image-x-l-board\"/>\n    <generic-icon name=\"image-x-generic\"/>"},
        {"l.6", "!Uninstall"}}},
  };
  TempWorld world;
  std::string prefix = world.Path("prefix");
  ASSERT_EQ(InstallTo(world, prefix).exitCode, 0);
  MakeDirs(world.Path("game/a"));
  MakeDirs(world.Path("game/b"));
  WriteFile(world.Path("game/big.png"), PngHeader(1024, 1024));
  WriteFile(world.Path("game/wide.png"), PngHeader(64, 48));
  WriteFile(world.Path("game/ok.png"), PngHeader(48, 48));
  WriteFile(world.Path("game/ok2.png"), PngHeader(48, 48));
  WriteFile(world.Path("game/fake.svg"), "<html>not a drawing</html>\n");
  WriteFile(world.Path("game/quarnc.so"), "data\n");
  WriteFile(world.Path("game/a/readme"), "a\n");
  WriteFile(world.Path("game/b/readme"), "b\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    std::filesystem::remove_all(world.Path("game/build"));
    ProcessResult configured = ConfigureGame(world, prefix, "game", c.arguments);
    if (c.message[0]) {
      EXPECT_NE(configured.exitCode, 0);
      EXPECT_NE(Flat(configured.err).find(Flat(c.message)), std::string::npos) << configured.err;
      continue;
    }
    EXPECT_EQ(configured.exitCode, 0) << configured.err;
    for (const auto& [file, text] : c.generated) {
      std::string content = ReadFile(world.Path("game/build/quarn_game/org.x.L/") + file);
      if (text[0] == '!')
        EXPECT_EQ(content.find(text.substr(1)), std::string::npos) << file << "\n" << content;
      else
        EXPECT_NE(content.find(text), std::string::npos) << file << "\n" << content;
    }
  }
}

}  // namespace
