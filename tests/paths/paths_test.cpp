// The executable's paths and working directory, the per-user data folder search and the
// home-folder look-ups, each against a temporary home. Working directory and environment are
// restored after every test, since SetPath and the look-ups depend on them.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gtest/gtest.h"
#include "platform/paths.h"
#include "state/state.h"
#include "tests/support/temp_world.h"
#include "util/strbuf.h"

namespace {

std::string Cwd() {
  char buffer[PATH_MAX];
  return getcwd(buffer, sizeof buffer) ? buffer : "";
}

class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_cwd = Cwd();
    world.Apply(false);
    g_UserPath[0] = '\0';
    StrCopy(g_AppNameLong, "Big Game");
  }
  void TearDown() override {
    if (chdir(m_cwd.c_str()) != 0) ADD_FAILURE() << "cannot return to " << m_cwd;
    g_UserPath[0] = '\0';
  }
  TempWorld world;
  std::string m_cwd;
};

struct SetPathCase {
  std::string arg, filename, appPath;
};

TEST_F(PathsTest, SetPathCutsAtSecondToLastSlash) {
  const std::string longName(60, 'q');
  const std::string a240(240, 'a');
  const SetPathCase cases[] = {
      {"/Applications/Big Game.app/Contents/MacOS/Big Game", "Big Game",
       "/Applications/Big Game.app/Contents/Resources"},
      {"/usr/games/Big Game/bin/quarn", "quarn", "/usr/games/Big Game/Resources"},
      {"/opt/x/exe", "exe", "/opt/Resources"},
      {"/x/exe", "exe", "/Resources"},
      {"/exe", "exe", "Resources"},
      {"MacOS/exe", "exe", "Resources"},
      {"exe", "exe", "Resources"},
      {"", "", "Resources"},
      {"/opt/game/bin/", "", "/opt/game/Resources"},
      {"a//b", "b", "a/Resources"},
      // Argument 0 over 255 characters whose resource folder still fits.
      {"/" + a240 + "/bin/" + longName, longName, "/" + a240 + "/Resources"},
      // Resource folder of exactly 255 characters, and one of 256 that is refused.
      {"/" + std::string(244, 'b') + "/bin/x", "x", "/" + std::string(244, 'b') + "/Resources"},
      {"/" + std::string(245, 'c') + "/bin/x", "x", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arg);
    SetPathFor(c.arg.c_str(), c.arg.c_str());
    EXPECT_EQ(c.arg.substr(0, 255), g_AppExePath);
    EXPECT_EQ(c.filename, g_AppFilename);
    EXPECT_EQ(c.appPath, g_AppPath);
  }
}

TEST_F(PathsTest, SetPathEntersResourceFolderOfLinuxLayout) {
  MakeDirs(world.Path("Big Game/Resources"));
  MakeDirs(world.Path("Big Game/bin"));
  std::string exe = world.Path("Big Game/bin/quarn");
  EXPECT_EQ(0, SetPathFor(exe.c_str(), exe.c_str()));
  EXPECT_EQ(world.Path("Big Game/Resources"), Cwd());
  EXPECT_EQ(world.Path("Big Game/Resources"), g_AppPath);
}

TEST_F(PathsTest, SetPathKeepsWorkingDirectoryWhenFolderMissingOrTooLong) {
  std::string before = Cwd();
  EXPECT_EQ(-1, SetPathFor(world.Path("nowhere/bin/quarn").c_str(),
                           world.Path("nowhere/bin/quarn").c_str()));
  EXPECT_EQ(before, Cwd());
  // A resource folder that would not fit is not entered cut: the cut text could name an
  // existing folder.
  std::string longRoot = PathOfLength(world.Root(), 260);
  MakeDirs(longRoot + "/Resources");
  std::string cut = (longRoot + "/Resources").substr(0, 255);
  MakeDirs(cut);
  EXPECT_EQ(-1, SetPathFor((longRoot + "/bin/quarn").c_str(), (longRoot + "/bin/quarn").c_str()));
  EXPECT_STREQ("", g_AppPath);
  EXPECT_EQ(before, Cwd());
}

TEST_F(PathsTest, DataFolderUnderApplicationSupport) {
  GetUserPath();
  EXPECT_EQ(world.DataHome() + "/Quillfen/Big Game/", g_UserPath);
  struct stat st;
  EXPECT_EQ(0, stat(g_UserPath, &st));
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_FALSE(FileExists(std::string(g_UserPath) + "__QFN_WRITE_TEST__.txt"));
  EXPECT_FALSE(FileExists(world.Home() + "/Documents"));
}

TEST_F(PathsTest, DataFolderDefaultsToLocalShareWithoutXdgDataHome) {
  unsetenv("XDG_DATA_HOME");
  GetUserPath();
  EXPECT_EQ(world.Home() + "/.local/share/Quillfen/Big Game/", g_UserPath);
  setenv("XDG_DATA_HOME", "relative/share", 1);  // not absolute: ignored
  g_UserPath[0] = '\0';
  GetUserPath();
  EXPECT_EQ(world.Home() + "/.local/share/Quillfen/Big Game/", g_UserPath);
}

TEST_F(PathsTest, DataFolderFallsBackToDocuments) {
  // A plain file where the folder should be: not writeable even for root.
  MakeDirs(world.Home() + "/.local");
  WriteFile(world.DataHome(), "not a folder");
  GetUserPath();
  EXPECT_EQ(world.Home() + "/Documents/Quillfen/Big Game/", g_UserPath);
  EXPECT_FALSE(FileExists(std::string(g_UserPath) + "__QFN_WRITE_TEST__.txt"));
  EXPECT_EQ("not a folder", ReadFile(world.DataHome()));
}

TEST_F(PathsTest, DataFolderIsKeptForTheProcess) {
  GetUserPath();
  std::string first = g_UserPath;
  setenv("XDG_DATA_HOME", world.Path("elsewhere").c_str(), 1);
  for (int call = 2; call <= 10; ++call) {
    GetUserPath();
    EXPECT_EQ(first, g_UserPath) << "call " << call;
  }
  EXPECT_FALSE(FileExists(world.Path("elsewhere")));
}

// The long name is one path component, whatever the engine says.
TEST_F(PathsTest, DataFolderNameIsOneComponent) {
  const struct {
    const char* name;
    const char* folder;
  } cases[] = {{"../../../esc", ".._.._.._esc"}, {"a/b", "a_b"},   {"..", "__"},
               {".", "_"},                       {"", "_"},        {"...x", "...x"},
               {"Big Game", "Big Game"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StrCopy(g_AppNameLong, c.name);
    g_UserPath[0] = '\0';
    ASSERT_TRUE(GetUserPath());
    EXPECT_EQ(world.DataHome() + "/Quillfen/" + c.folder + "/", g_UserPath);
  }
  EXPECT_FALSE(FileExists(world.Path("esc")));
  EXPECT_FALSE(FileExists(world.DataHome() + "/esc"));
}

TEST_F(PathsTest, DataFolderCandidateMustFitWithFinalSlash) {
  // The data folder of a candidate root takes root + "/Quillfen/Big Game" (18 characters)
  // and then a final '/'; 255 characters in all fit the 256-byte buffer.
  const size_t suffix = strlen("/Quillfen/Big Game");
  std::string fits = PathOfLength(world.Path("fit"), 254 - suffix);
  setenv("XDG_DATA_HOME", fits.c_str(), 1);
  GetUserPath();
  EXPECT_EQ(fits + "/Quillfen/Big Game/", g_UserPath);
  EXPECT_EQ(255u, strlen(g_UserPath));

  // One more character: the candidate is refused (not used cut, not created) and the
  // documents folder is used instead.
  std::string tooLong = PathOfLength(world.Path("long"), 255 - suffix);
  setenv("XDG_DATA_HOME", tooLong.c_str(), 1);
  g_UserPath[0] = '\0';
  GetUserPath();
  EXPECT_EQ(world.Home() + "/Documents/Quillfen/Big Game/", g_UserPath);
  EXPECT_FALSE(FileExists(tooLong));
}

TEST_F(PathsTest, NoWriteableFolderIsReportedAndLeavesTheDataFolderUnset) {
  MakeDirs(world.Home() + "/.local");
  WriteFile(world.DataHome(), "file");
  WriteFile(world.Home() + "/Documents", "file");
  EXPECT_EQ(GetUserPath(), 0);
  EXPECT_STREQ(g_UserPath, "");
}

struct HomeCase {
  const char* home;
  const char* dataHome;  // null: unset
  const char* expectHome;
  const char* expectAppData;
  const char* expectDocuments;
};

TEST_F(PathsTest, HomeFolderLookUps) {
  const HomeCase cases[] = {
      {"/h/u", nullptr, "/h/u", "/h/u/.local/share", "/h/u/Documents"},
      {"/h/u//", "/data/x/", "/h/u", "/data/x", "/h/u/Documents"},
      {"/h/u", "data", "/h/u", "/h/u/.local/share", "/h/u/Documents"},
      {"/", nullptr, "/", "/.local/share", "/Documents"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.home);
    setenv("HOME", c.home, 1);
    if (c.dataHome)
      setenv("XDG_DATA_HOME", c.dataHome, 1);
    else
      unsetenv("XDG_DATA_HOME");
    const char* p = GetHomePath();
    ASSERT_NE(nullptr, p);
    EXPECT_STREQ(c.expectHome, p);
    p = GetAppDataPath();
    ASSERT_NE(nullptr, p);
    EXPECT_STREQ(c.expectAppData, p);
    p = GetMyDocumentsPath();
    ASSERT_NE(nullptr, p);
    EXPECT_STREQ(c.expectDocuments, p);
  }
}

TEST_F(PathsTest, HomeFallsBackToPasswordEntry) {
  const passwd* entry = getpwuid(getuid());
  ASSERT_NE(nullptr, entry);
  std::string expected = entry->pw_dir;
  while (expected.size() > 1 && expected.back() == '/') expected.pop_back();
  for (const char* home : {"", "relative/home", static_cast<const char*>(nullptr)}) {
    SCOPED_TRACE(home ? home : "(unset)");
    if (home)
      setenv("HOME", home, 1);
    else
      unsetenv("HOME");
    const char* p = GetHomePath();
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(expected, p);
  }
}

TEST_F(PathsTest, OverlongHomeIsRefusedNotCut) {
  // 1013 + "/Documents" is 1023 characters: fits the 1024-byte buffer; 1014 does not.
  std::string home = "/" + std::string(1012, 'h');
  setenv("HOME", home.c_str(), 1);
  ASSERT_NE(nullptr, GetMyDocumentsPath());
  EXPECT_EQ(home + "/Documents", GetMyDocumentsPath());
  home += "h";
  setenv("HOME", home.c_str(), 1);
  EXPECT_EQ(nullptr, GetMyDocumentsPath());
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(nullptr, GetAppDataPath());
  EXPECT_NE(nullptr, GetHomePath());
  home = "/" + std::string(1022, 'h');  // 1023 characters: fits
  setenv("HOME", home.c_str(), 1);
  EXPECT_EQ(home, GetHomePath());
  home += "h";
  setenv("HOME", home.c_str(), 1);
  EXPECT_EQ(nullptr, GetHomePath());
}

}  // namespace
