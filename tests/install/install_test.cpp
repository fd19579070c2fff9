// "cmake --install" of this build tree: the layout a user gets, the desktop entry (valid,
// Exec naming the installed launcher, quoted whatever the prefix holds; icon, MIME type and
// Uninstall action), the command link, the desktop's caches, the install log with run-time
// paths (also under DESTDIR), and uninstalling through the installed launcher.
#include "launcher/install_log_keys.h"
#include "tests/install/install_helpers.h"
#include "tests/support/temp_world.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

void ExpectInstalled(TempWorld& world, const std::string& prefix) {
  ProcessResult result = InstallTo(world, prefix);
  ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
}

// The files of the demo game alone, without its install log.
std::vector<std::string> GameFiles(const Installed& paths) {
  std::vector<std::string> files = {paths.launcher, paths.engine, paths.desktopFile};
  files.insert(files.end(), paths.icons.begin(), paths.icons.end());
  files.insert(files.end(), {paths.mimePackage, paths.metainfo, paths.manPage});
  files.insert(files.end(), paths.docs.begin(), paths.docs.end());
  files.push_back(paths.commandLink);
  return files;
}

// Everything an install of this build lays down: the kit, then the demo game with its log.
std::vector<std::string> FullTree(const std::string& prefix) {
  Installed paths = InstalledPaths(prefix);
  std::vector<std::string> files = paths.engineKit;
  std::vector<std::string> game = GameFiles(paths);
  files.insert(files.end(), game.begin(), game.end());
  files.push_back(paths.installLog);
  return TreeOf(prefix, files);
}

// One record of the install log, as the install step writes it.
std::string Record(InstallRecordKind kind, const std::string& value) {
  return std::string(InstallKeyOf(kind)->name) + ":" + value + "\n";
}

// The records after the files of a game whose shared folders all existed before: the game's
// own folders, deepest first, and the log itself.
std::string GameFolderRecords(const std::string& game) {
  return Record(kInstallFolder, game + "/bin") + Record(kInstallFolder, game + "/Resources") +
         Record(kInstallFolder, game) + Record(kInstallSelf, "");
}

// The records before the folders: the installation's prefix and game folder, the exit poll,
// then every file of the game in the log's order. The kit is never listed: other games use it.
std::string InstalledFileRecords(const Installed& paths) {
  std::string records = Record(kInstallPrefix, paths.prefix + "/") +
                        Record(kInstallGame, paths.prefix + "/" + kGameFolder) +
                        Record(kInstallPoll, "http://www.quillfen.example/uninstallpoll.html");
  for (const std::string& file : GameFiles(paths)) records += Record(kInstallFile, file);
  return records;
}

TEST(Install, LaysOutTheGameFolderAndTheDesktopEntry) {
  TempWorld world;
  std::string prefix = world.Path("Games dir");
  ExpectInstalled(world, prefix);
  Installed paths = InstalledPaths(prefix);
  EXPECT_EQ(TreeUnder(prefix), FullTree(prefix));
  EXPECT_EQ(access(paths.launcher.c_str(), X_OK), 0);

  std::string entry = ReadFile(paths.desktopFile);
  EXPECT_EQ(DesktopValue(entry, "Type"), "Application");
  EXPECT_EQ(DesktopValue(entry, "Name"), "Quarn Demo");
  EXPECT_EQ(DesktopValue(entry, "Exec"), "\"" + paths.launcher + "\" -psn_desktop %F");
  EXPECT_EQ(
      ExecArguments(DesktopValue(entry, "Exec"), {"/saves/a.sav", "/saves/b c.sav"}),
      (std::vector<std::string>{paths.launcher, "-psn_desktop", "/saves/a.sav", "/saves/b c.sav"}));
  EXPECT_EQ(DesktopValue(entry, "Icon"), kDesktopId);  // the icons' file name in hicolor
  EXPECT_EQ(DesktopValue(entry, "MimeType"), std::string(kMimeType) + ";");
  std::string mime = ReadFile(paths.mimePackage);
  EXPECT_NE(mime.find("<mime-type type=\"" + std::string(kMimeType) + "\">"), std::string::npos);
  EXPECT_NE(mime.find("<glob pattern=\"*.quarnsave\"/>"), std::string::npos) << mime;
  EXPECT_EQ(DesktopValue(entry, "Actions"), "Uninstall;");
  EXPECT_EQ(DesktopValue(entry, "Name", "Desktop Action Uninstall"), "Uninstall");
  // The command link is relative, so the prefix can move.
  EXPECT_EQ(std::filesystem::read_symlink(paths.commandLink).string(),
            std::string("../") + kGameFolder + "/bin/" + kLauncherName);
}

TEST(Install, InstallLogListsFilesThenFoldersDeepestFirstThenSelf) {
  TempWorld world;
  std::string prefix = world.Path("fresh/prefix");
  ExpectInstalled(world, prefix);
  Installed paths = InstalledPaths(prefix);
  const std::string game = prefix + "/" + kGameFolder;
  // fresh/ existed before? No: the world has no "fresh", so the install made it too, but
  // it lies above the prefix and is never listed.
  const std::string icons = prefix + "/share/icons";
  const std::string hicolor = icons + "/hicolor";
  std::string expected = InstalledFileRecords(paths);
  for (const char* size : {"scalable", "64x64", "48x48", "256x256", "128x128"})
    expected += Record(kInstallFolder, hicolor + "/" + size + "/apps");
  for (const char* size : {"scalable", "64x64", "48x48", "256x256", "128x128"})
    expected += Record(kInstallFolder, hicolor + "/" + size);
  // The kit was installed first: lib/, share/doc/ and the prefix are its, never the game's.
  for (const char* folder :
       {"/share/mime/packages", "/share/man/man6", "/share/icons/hicolor", "/share/doc/quarn-demo",
        "/lib/com.quillfen.QuarnDemo/bin", "/lib/com.quillfen.QuarnDemo/Resources", "/share/mime",
        "/share/metainfo", "/share/man", "/share/icons", "/share/applications",
        "/lib/com.quillfen.QuarnDemo", "/games"})
    expected += Record(kInstallFolder, prefix + folder);
  expected += Record(kInstallSelf, "");
  EXPECT_EQ(ReadFile(paths.installLog), expected);
}

TEST(Install, SharedFoldersThatExistedBeforeAreNotListed) {
  TempWorld world;
  std::string prefix = world.Path("usr");
  // A system prefix: every shared folder the game installs into is there already.
  MakeDirs(prefix + "/share/applications");
  MakeDirs(prefix + "/share/mime/packages");
  for (const std::string& icon : InstalledPaths(prefix).icons) {
    MakeDirs(std::filesystem::path(icon).parent_path().string());
  }
  for (const char* folder : {"/games", "/share/metainfo", "/share/man/man6", "/share/doc"})
    MakeDirs(prefix + folder);
  ExpectInstalled(world, prefix);
  std::string log = ReadFile(InstalledPaths(prefix).installLog);
  const std::string game = prefix + "/" + kGameFolder;
  EXPECT_EQ(log.substr(log.find(std::string(InstallKeyOf(kInstallFolder)->name) + ":")),
            Record(kInstallFolder, prefix + "/share/doc/quarn-demo") + GameFolderRecords(game));
}

TEST(Install, ReinstallKeepsTheFoldersTheFirstInstallCreated) {
  TempWorld world;
  std::string prefix = world.Path("prefix");
  ExpectInstalled(world, prefix);
  std::string first = ReadFile(InstalledPaths(prefix).installLog);
  ExpectInstalled(world, prefix);
  EXPECT_EQ(ReadFile(InstalledPaths(prefix).installLog), first);
}

TEST(Install, StagedInstallNamesRunTimePaths) {
  TempWorld world;
  std::string stage = world.Path("stage");
  const std::string prefix = "/opt/quarn demo";
  ProcessResult result = InstallTo(world, prefix, stage);
  ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
  EXPECT_FALSE(FileExists(prefix));
  Installed runTime = InstalledPaths(prefix);
  Installed staged = InstalledPaths(stage + prefix);
  EXPECT_EQ(TreeUnder(stage + prefix), FullTree(stage + prefix));
  EXPECT_EQ(DesktopValue(ReadFile(staged.desktopFile), "Exec"),
            "\"" + runTime.launcher + "\" -psn_desktop %F");
  // A package manager owns the shared folders: only the game's own are listed.
  const std::string game = prefix + "/" + kGameFolder;
  EXPECT_EQ(ReadFile(staged.installLog), InstalledFileRecords(runTime) + GameFolderRecords(game));
}

struct PrefixCase {
  const char* name;
  const char* folder;
};

class ExecQuoting : public testing::TestWithParam<PrefixCase> {};

TEST_P(ExecQuoting, DesktopEntryIsValidAndStartsTheInstalledLauncher) {
  TempWorld world;
  std::string prefix = world.Path(GetParam().folder);
  ExpectInstalled(world, prefix);
  Installed paths = InstalledPaths(prefix);
  if (!ProgramsInstalled({"desktop-file-validate"}))
    GTEST_SKIP() << "desktop-file-validate missing";
  ProcessResult check = RunProcess({"desktop-file-validate", paths.desktopFile}, {});
  EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
  std::string exec = DesktopValue(ReadFile(paths.desktopFile), "Exec");
  EXPECT_EQ(ExecArguments(exec, {"/doc"}),
            (std::vector<std::string>{paths.launcher, "-psn_desktop", "/doc"}))
      << exec;
  std::string uninstall =
      DesktopValue(ReadFile(paths.desktopFile), "Exec", "Desktop Action Uninstall");
  EXPECT_EQ(ExecArguments(uninstall, {}), (std::vector<std::string>{paths.launcher, "-Uninstall"}))
      << uninstall;
}

INSTANTIATE_TEST_SUITE_P(Install, ExecQuoting,
                         testing::Values(PrefixCase{"Plain", "plain"},
                                         PrefixCase{"Spaces", "my games/x y"},
                                         PrefixCase{"Reserved", "q$x%y\"z`w'(1)&#"}),
                         [](const testing::TestParamInfo<PrefixCase>& info) {
                           return info.param.name;
                         });

class UnnamablePrefix : public testing::TestWithParam<PrefixCase> {};

TEST_P(UnnamablePrefix, IsRefusedBeforeAnythingIsCopied) {
  TempWorld world;
  std::string prefix = world.Path(GetParam().folder);
  ProcessResult result = InstallTo(world, prefix);
  EXPECT_NE(result.exitCode, 0);
  EXPECT_NE(result.err.find("The install prefix must not hold"), std::string::npos) << result.err;
  EXPECT_FALSE(FileExists(InstalledPaths(prefix).launcher));
}

INSTANTIATE_TEST_SUITE_P(Install, UnnamablePrefix,
                         testing::Values(PrefixCase{"LineBreak", "a\nb"}, PrefixCase{"Tab", "a\tb"},
                                         PrefixCase{"Semicolon", "a;b"},
                                         PrefixCase{"Backslash", "a\\b"}),
                         [](const testing::TestParamInfo<PrefixCase>& info) {
                           return info.param.name;
                         });

// The questions and their answers are the uninstaller's own tests; this one shows that the
// installed launcher removes what the real install laid down and offers the demo's poll.
TEST(Install, InstalledLauncherUninstallsWhatTheInstallLaid) {
  TempWorld world;
  world.FakeTool("zenity", {"0", "0"});  // uninstall: yes; exit poll: yes
  world.FakeTool("xdg-open");
  std::string prefix = world.Path("prefix");
  ExpectInstalled(world, prefix);
  Installed paths = InstalledPaths(prefix);
  ProcessResult result = RunProcess({paths.launcher, "-Uninstall"}, world.ChildOptions());
  ASSERT_EQ(result.exitCode, 0) << result.err;
  // Nothing of the game stays, its emptied folders included; the kit stays for other games.
  std::vector<std::string> left = TreeOf(prefix, paths.engineKit);
  std::sort(left.begin(), left.end());
  EXPECT_EQ(TreeUnder(prefix), left);
  // The browser is started without waiting for it: give its call time to be recorded.
  for (int i = 0; i < 500 && world.Calls("xdg-open").empty(); ++i) usleep(10000);
  auto opened = world.Calls("xdg-open");
  ASSERT_EQ(opened.size(), 1u);
  ASSERT_FALSE(opened[0].empty());
  EXPECT_NE(opened[0].back().find("From=QUARN-DEMO&Build=7"), std::string::npos);
}

}  // namespace
