// The preference operations against a temporary world: the domain rule, the two scopes and
// their files, text conversion, the value and name limits, values that do not count, other
// hosts' values and what other processes write.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "gtest/gtest.h"
#include "platform/paths.h"
#include "platform/prefs.h"
#include "tests/prefs/store_files.h"
#include "tests/support/temp_world.h"

namespace {

std::string Repeat(const std::string& text, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) result += text;
  return result;
}

class PrefsTest : public ::testing::Test {
 protected:
  void SetUp() override { world.Apply(false); }
  std::string UserStore() const { return world.ConfigHome() + "/Quillfen"; }
  std::string AnyStore() const { return world.SystemPrefs(); }
  TempWorld world;
};

struct DomainCase {
  std::string name;
  bool accepted;
  std::string folder;  // the domain's folder name
};

TEST_F(PrefsTest, DomainRule) {
  const DomainCase cases[] = {
      {"Big Game", true, "com.quillfen.Big Game"},
      {"!Big Game", true, "Big Game"},
      {"!", true, "%"},
      {"!!x", true, "!x"},
      {"", true, "com.quillfen."},
      // "com.quillfen." is 13 characters; 255 characters fit the 256-byte domain buffer.
      {std::string(242, 'n'), true, "com.quillfen." + std::string(242, 'n')},
      {std::string(243, 'm'), false, ""},
      {"!" + std::string(255, 'l'), true, std::string(255, 'l')},
      {"!.hidden/a%b\n", true, "%2Ehidden%2Fa%25b%0A"},
      {"!" + std::string(85, '/'), true, Repeat("%2F", 85)},  // 255 bytes
      {"!" + std::string(86, '/'), false, ""},
      {"!" + std::string(256, 'k'), false, ""},
  };
  const char* fallback = "fallback";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.substr(0, 20) + " (" + std::to_string(c.name.size()) + ")");
    EXPECT_EQ(c.accepted ? 1 : 0, SetSystemPreference(1, c.name.c_str(), "K", "v"));
    const char* got = GetSystemPreference(1, c.name.c_str(), "K", fallback);
    if (c.accepted) {
      EXPECT_STREQ("v", got);
      EXPECT_EQ("v", Stored(AnyStore(), c.folder, "K"));
      EXPECT_EQ(1, RemoveSystemPreference(1, c.name.c_str(), "K"));
      EXPECT_EQ("<none>", Stored(AnyStore(), c.folder, "K"));
    } else {
      EXPECT_EQ(fallback, got);
      EXPECT_EQ(0, RemoveSystemPreference(1, c.name.c_str(), "K"));
    }
  }
  // Refused names wrote nothing, not even under a cut domain.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(AnyStore()))
    EXPECT_TRUE(entry.is_directory()) << entry.path();
}

TEST_F(PrefsTest, AbsentKeyGivesDefaultExactly) {
  EXPECT_EQ(nullptr, GetSystemPreference(0, "Big Game", "PSN", nullptr));
  const char* fallback = "none";
  EXPECT_EQ(fallback, GetSystemPreference(0, "Big Game", "PSN", fallback));
  EXPECT_EQ(1, SetSystemPreference(0, "Big Game", "PSN", "1"));
  EXPECT_EQ(1, RemoveSystemPreference(0, "Big Game", "PSN"));
  EXPECT_EQ(nullptr, GetSystemPreference(0, "Big Game", "PSN", nullptr));
  EXPECT_EQ(1, RemoveSystemPreference(0, "Big Game", "PSN"));  // absent: still committed
}

TEST_F(PrefsTest, ReadNeverCreatesStore) {
  EXPECT_EQ(nullptr, GetSystemPreference(0, "Big Game", "PSN", nullptr));
  EXPECT_EQ(nullptr, GetSystemPreference(1, "Big Game", "PSN", nullptr));
  EXPECT_FALSE(FileExists(world.ConfigHome()));
  EXPECT_FALSE(FileExists(AnyStore()));
}

TEST_F(PrefsTest, ScopesAreSeparateFiles) {
  EXPECT_EQ(1, SetSystemPreference(1, "Big Game", "PSN", "any"));
  EXPECT_EQ(nullptr, GetSystemPreference(0, "Big Game", "PSN", nullptr));
  EXPECT_FALSE(FileExists(UserStore()));
  EXPECT_EQ(1, SetSystemPreference(0, "Big Game", "PSN", "mine"));
  EXPECT_STREQ("any", GetSystemPreference(1, "Big Game", "PSN", nullptr));
  EXPECT_STREQ("mine", GetSystemPreference(0, "Big Game", "PSN", nullptr));
  EXPECT_EQ("any", Stored(AnyStore(), "com.quillfen.Big Game", "PSN"));
  EXPECT_EQ("mine", Stored(UserStore(), "com.quillfen.Big Game", "PSN"));
  EXPECT_EQ(1, RemoveSystemPreference(0, "Big Game", "PSN"));
  EXPECT_STREQ("any", GetSystemPreference(1, "Big Game", "PSN", nullptr));
}

// A link above the scope folder (a home folder reached through one) is the user's own
// setting, not a link inside the store: both scopes are used through it.
TEST_F(PrefsTest, ScopeFolderReachedThroughALinkIsUsed) {
  MakeDirs(world.Path("real"));
  ASSERT_EQ(0, symlink(world.Path("real").c_str(), world.Path("via").c_str()));
  setenv("XDG_CONFIG_HOME", world.Path("via/config").c_str(), 1);
  setenv("QFN_SYSTEM_PREFS", world.Path("via/system").c_str(), 1);
  for (int anyUser : {0, 1}) {
    SCOPED_TRACE(anyUser);
    ASSERT_EQ(1, SetSystemPreference(anyUser, "Big Game", "PSN", "linked"));
    EXPECT_STREQ("linked", GetSystemPreference(anyUser, "Big Game", "PSN", nullptr));
  }
  EXPECT_EQ("linked", Stored(world.Path("real/system"), "com.quillfen.Big Game", "PSN"));
}

TEST_F(PrefsTest, CurrentUserStoreDefaultsToDotConfig) {
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(1, SetSystemPreference(0, "Big Game", "PSN", "x"));
  EXPECT_EQ("x", Stored(world.Home() + "/.config/Quillfen", "com.quillfen.Big Game", "PSN"));
}

// No store from a base the environment does not really give: a relative any-user path is
// none, a configuration folder "/" (an empty prefix and '/') or a relative one gives way to
// the home's .config. Written as nobody from a folder of the world, so that a store gone
// astray could land neither outside the world nor unseen.
TEST_F(PrefsTest, StoreNeedsARealBaseFolder) {
  MakeDirs(world.ConfigHome());
  MakeDirs(world.Path("cwd"));
  for (const auto& entry : std::filesystem::recursive_directory_iterator(world.Root()))
    (void)!chown(entry.path().c_str(), 65534, 65534);
  const char* const cases[][2] = {{"QFN_SYSTEM_PREFS", "Quillfen"},
                                  {"XDG_CONFIG_HOME", "/"},
                                  {"XDG_CONFIG_HOME", "rel"}};
  for (const auto& [variable, value] : cases) {
    int anyUser = variable[0] == 'Q';
    pid_t pid = fork();
    if (pid == 0) {
      setenv(variable, value, 1);
      if (chdir(world.Path("cwd").c_str()) != 0 || (geteuid() == 0 && setuid(65534) != 0)) _exit(9);
      _exit(SetSystemPreference(anyUser, "Big Game", "PSN", "x"));
    }
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    EXPECT_EQ(anyUser ? 0 : 1, WEXITSTATUS(status)) << value;
    EXPECT_TRUE(std::filesystem::is_empty(world.Path("cwd")));
    EXPECT_EQ(anyUser ? "<none>" : "x", Stored(UserStore(), "com.quillfen.Big Game", "PSN"));
    std::filesystem::remove_all(world.ConfigHome() + "/Quillfen");
  }
}

// Neither a read nor a removal makes a store, or a folder for it, that does not exist; a
// removal from it has nothing to do and succeeds.
TEST_F(PrefsTest, MissingStoreIsNeverCreated) {
  struct Case {
    const char* what;
    int anyUser;
    std::string folder;  // holds the database; made empty when the case says so
    bool makeFolder;
  };
  const Case cases[] = {
      {"current user, no folder", 0, world.ConfigHome(), false},
      {"current user, empty folder", 0, world.ConfigHome() + "/Quillfen", true},
      {"any user, no folder", 1, world.Path("system/Quillfen"), false},
      {"any user, empty folder", 1, world.Path("system/Quillfen"), true},
  };
  setenv("QFN_SYSTEM_PREFS", world.Path("system/Quillfen").c_str(), 1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.makeFolder) MakeDirs(c.folder);
    EXPECT_EQ(nullptr, GetSystemPreference(c.anyUser, "Big Game", "PSN", nullptr));
    EXPECT_EQ(1, RemoveSystemPreference(c.anyUser, "Big Game", "PSN"));
    EXPECT_EQ(c.makeFolder, FileExists(c.folder));
    EXPECT_TRUE(!c.makeFolder || std::filesystem::is_empty(c.folder));
  }
  // Through a plain file no store can exist either.
  WriteFile(world.Path("plain"), "x");
  setenv("XDG_CONFIG_HOME", world.Path("plain").c_str(), 1);
  EXPECT_EQ(1, RemoveSystemPreference(0, "Big Game", "PSN"));
  EXPECT_EQ("x", ReadFile(world.Path("plain")));
}

TEST_F(PrefsTest, EightBitTextsRoundTrip) {
  const std::string values[] = {"caf\xe9", "\x80\x81\xfe\xff",       "\xc3\xa9", "",
                                " x ",     std::string(1023, '\xe9')};
  for (const auto& value : values) {
    SCOPED_TRACE(value.substr(0, 16));
    ASSERT_EQ(1, SetSystemPreference(0, "Gr\xfcn", "cl\xe9", value.c_str()));
    const char* got = GetSystemPreference(0, "Gr\xfcn", "cl\xe9", nullptr);
    ASSERT_NE(nullptr, got);
    EXPECT_EQ(value, got);
  }
  // Stored as UTF-8, so other programs read the same characters.
  ASSERT_EQ(1, SetSystemPreference(0, "Gr\xfcn", "cl\xe9", "caf\xe9"));
  EXPECT_EQ("caf\xc3\xa9", Stored(UserStore(), "com.quillfen.Gr\xc3\xbcn", "cl\xc3\xa9"));
}

TEST_F(PrefsTest, ValueLengthLimit) {
  std::string longest(1023, 'v');
  EXPECT_EQ(1, SetSystemPreference(0, "Big Game", "K", longest.c_str()));
  EXPECT_EQ(longest, GetSystemPreference(0, "Big Game", "K", ""));
  // 1024 bytes could never be read back: refused, the stored value stays.
  std::string tooLong(1024, 'w');
  EXPECT_EQ(0, SetSystemPreference(0, "Big Game", "K", tooLong.c_str()));
  EXPECT_EQ(longest, GetSystemPreference(0, "Big Game", "K", ""));
}

// A key is one file name: at most 255 bytes once in UTF-8 with its escapes.
TEST_F(PrefsTest, KeyLengthLimit) {
  const struct {
    std::string key;
    bool accepted;
  } cases[] = {
      {std::string(255, 'k'), true},
      {std::string(256, 'k'), false},
      {std::string(127, '\xe9') + "a", true},  // two bytes each in UTF-8
      {std::string(128, '\xe9'), false},
      {"." + std::string(252, 'k'), true},  // a leading '.' takes three bytes
      {"." + std::string(253, 'k'), false},
      {std::string(1024, 'k'), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key.size());
    EXPECT_EQ(c.accepted ? 1 : 0, SetSystemPreference(0, "Big Game", c.key.c_str(), "v"));
    EXPECT_STREQ(c.accepted ? "v" : "", GetSystemPreference(0, "Big Game", c.key.c_str(), ""));
    EXPECT_EQ(c.accepted ? 1 : 0, RemoveSystemPreference(0, "Big Game", c.key.c_str()));
  }
}

// A key's file that another program wrote counts only when it holds an ISO 8859-1 text of at
// most 1023 characters in UTF-8.
TEST_F(PrefsTest, StoredValuesThatDoNotCountReadAsDefault) {
  ASSERT_EQ(1, SetSystemPreference(1, "Big Game", "seed", "x"));  // makes the folders
  const struct {
    const char* what;
    std::string content;
  } cases[] = {
      {"character above U+00FF", "\xc4\x80"},
      {"euro sign", "\xe2\x82\xac"},
      {"truncated sequence", "a\xc3"},
      {"bad continuation", "\xc3("},
      {"overlong form", "\xc1\x81"},
      {"stray continuation", "\x80"},
      {"embedded U+0000", std::string("a\0b", 3)},
      {"1024 characters", std::string(1024, 'a')},
      {"1024 characters of U+00E9", Repeat("\xc3\xa9", 1024)},
      {"8 KiB of noise", Repeat("\xff\xfe\x00\x17", 2048)},
  };
  const std::string file = KeyFile(AnyStore(), "com.quillfen.Big Game", "K");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(file, c.content);
    EXPECT_STREQ("dflt", GetSystemPreference(1, "Big Game", "K", "dflt"));
    // The other scope is unaffected.
    ASSERT_EQ(1, SetSystemPreference(0, "Big Game", "K", "mine"));
    EXPECT_STREQ("mine", GetSystemPreference(0, "Big Game", "K", nullptr));
  }
  // The control: a well-formed text of 1023 characters written by another program.
  WriteFile(file, Repeat("\xc3\xa9", 1023));
  EXPECT_EQ(std::string(1023, '\xe9'), GetSystemPreference(1, "Big Game", "K", "dflt"));
}

TEST_F(PrefsTest, OtherHostsValuesAreNeverReadOrChanged) {
  const std::string theirs = UserStore() + "/other-host/com.quillfen.Big Game/PSN";
  MakeDirs(UserStore() + "/other-host/com.quillfen.Big Game");
  WriteFile(theirs, "theirs");
  EXPECT_EQ(nullptr, GetSystemPreference(0, "Big Game", "PSN", nullptr));
  EXPECT_EQ(1, SetSystemPreference(0, "Big Game", "PSN", "ours"));
  EXPECT_STREQ("ours", GetSystemPreference(0, "Big Game", "PSN", nullptr));
  EXPECT_EQ("ours", Stored(UserStore(), "com.quillfen.Big Game", "PSN"));
  EXPECT_EQ(1, RemoveSystemPreference(0, "Big Game", "PSN"));
  EXPECT_EQ("theirs", ReadFile(theirs));
}

TEST_F(PrefsTest, FailedReadKeepsScratchBufferIntact) {
  // A default that points into the shared scratch buffer survives a read that finds nothing.
  const char* home = GetHomePath();
  ASSERT_NE(nullptr, home);
  EXPECT_EQ(home, GetSystemPreference(0, "Big Game", "missing", home));
  EXPECT_EQ(world.Home(), home);
}

TEST_F(PrefsTest, EveryReadSeesOtherProcessesWrites) {
  auto toolSet = [&](const char* value) {
    return RunProcess({QFN_PREFS_TOOL, "set", "1", "Big Game", "PSN", value},
                      world.ChildOptions(false))
        .exitCode;
  };
  ASSERT_EQ(1, SetSystemPreference(1, "Big Game", "PSN", "first"));
  EXPECT_STREQ("first", GetSystemPreference(1, "Big Game", "PSN", nullptr));
  ASSERT_EQ(0, toolSet("second"));
  EXPECT_STREQ("second", GetSystemPreference(1, "Big Game", "PSN", nullptr));

  // The key's file removed by another program, then written again.
  ASSERT_EQ(0, unlink(KeyFile(AnyStore(), "com.quillfen.Big Game", "PSN").c_str()));
  EXPECT_EQ(nullptr, GetSystemPreference(1, "Big Game", "PSN", nullptr));
  ASSERT_EQ(0, toolSet("third"));
  EXPECT_STREQ("third", GetSystemPreference(1, "Big Game", "PSN", nullptr));

  // Another store named by the environment is used from the next call on.
  setenv("QFN_SYSTEM_PREFS", world.Path("other").c_str(), 1);
  EXPECT_EQ(nullptr, GetSystemPreference(1, "Big Game", "PSN", nullptr));
  EXPECT_EQ(1, SetSystemPreference(1, "Big Game", "PSN", "other"));
  EXPECT_EQ("third", Stored(AnyStore(), "com.quillfen.Big Game", "PSN"));
}

TEST_F(PrefsTest, ForkedChildAndParentSeeEachOthersWrites) {
  ASSERT_EQ(1, SetSystemPreference(0, "Big Game", "PSN", "parent"));
  pid_t pid = fork();
  if (pid == 0) {
    int ok = SetSystemPreference(0, "Big Game", "PSN", "child") &&
             strcmp("child", GetSystemPreference(0, "Big Game", "PSN", "")) == 0;
    _exit(ok ? 0 : 1);
  }
  ASSERT_GT(pid, 0);
  int status = 0;
  ASSERT_EQ(pid, waitpid(pid, &status, 0));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_STREQ("child", GetSystemPreference(0, "Big Game", "PSN", nullptr));
  EXPECT_EQ(1, SetSystemPreference(0, "Big Game", "PSN", "parent again"));
  EXPECT_STREQ("parent again", GetSystemPreference(0, "Big Game", "PSN", nullptr));
}

}  // namespace
