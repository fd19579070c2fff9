// The preference operations against a temporary world: the domain rule, the two scopes and
// their files, text conversion, the value limit, values that do not count, other hosts' rows
// and what other processes commit.
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
#include "tests/prefs/db.h"
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
  std::string UserDb() const { return world.ConfigHome() + "/Quillfen/preferences.db"; }
  std::string AnyDb() const { return world.SystemPrefs(); }
  TempWorld world;
};

struct DomainCase {
  std::string name;
  bool accepted;
  std::string domain;
};

TEST_F(PrefsTest, DomainRule) {
  const DomainCase cases[] = {
      {"Big Game", true, "com.quillfen.Big Game"},
      {"!Big Game", true, "Big Game"},
      {"!", true, ""},
      {"!!x", true, "!x"},
      {"", true, "com.quillfen."},
      // "com.quillfen." is 13 characters; 255 characters fit the 256-byte domain buffer.
      {std::string(242, 'n'), true, "com.quillfen." + std::string(242, 'n')},
      {std::string(243, 'm'), false, ""},
      {"!" + std::string(255, 'l'), true, std::string(255, 'l')},
      {"!" + std::string(256, 'k'), false, ""},
  };
  const char* fallback = "fallback";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.substr(0, 20) + " (" + std::to_string(c.name.size()) + ")");
    EXPECT_EQ(c.accepted ? 1 : 0, SetSystemPreference(1, c.name.c_str(), "K", "v"));
    const char* got = GetSystemPreference(1, c.name.c_str(), "K", fallback);
    if (c.accepted) {
      EXPECT_STREQ("v", got);
      EXPECT_EQ("v", Stored(AnyDb(), c.domain, "K"));
      EXPECT_EQ(1, RemoveSystemPreference(1, c.name.c_str(), "K"));
      EXPECT_EQ("<none>", Stored(AnyDb(), c.domain, "K"));
    } else {
      EXPECT_EQ(fallback, got);
      EXPECT_EQ(0, RemoveSystemPreference(1, c.name.c_str(), "K"));
    }
  }
  // Refused names wrote nothing, not even under a cut domain.
  EXPECT_EQ("0", Query(AnyDb(), "SELECT count(*) FROM prefs"));
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

TEST_F(PrefsTest, ReadNeverCreatesDatabase) {
  EXPECT_EQ(nullptr, GetSystemPreference(0, "Big Game", "PSN", nullptr));
  EXPECT_EQ(nullptr, GetSystemPreference(1, "Big Game", "PSN", nullptr));
  EXPECT_FALSE(FileExists(world.ConfigHome()));
  EXPECT_FALSE(FileExists(AnyDb()));
}

TEST_F(PrefsTest, ScopesAreSeparateFiles) {
  EXPECT_EQ(1, SetSystemPreference(1, "Big Game", "PSN", "any"));
  EXPECT_EQ(nullptr, GetSystemPreference(0, "Big Game", "PSN", nullptr));
  EXPECT_FALSE(FileExists(UserDb()));
  EXPECT_EQ(1, SetSystemPreference(0, "Big Game", "PSN", "mine"));
  EXPECT_STREQ("any", GetSystemPreference(1, "Big Game", "PSN", nullptr));
  EXPECT_STREQ("mine", GetSystemPreference(0, "Big Game", "PSN", nullptr));
  EXPECT_EQ("any", Stored(AnyDb(), "com.quillfen.Big Game", "PSN"));
  EXPECT_EQ("mine", Stored(UserDb(), "com.quillfen.Big Game", "PSN"));
  EXPECT_EQ(1, RemoveSystemPreference(0, "Big Game", "PSN"));
  EXPECT_STREQ("any", GetSystemPreference(1, "Big Game", "PSN", nullptr));
}

TEST_F(PrefsTest, CurrentUserStoreDefaultsToDotConfig) {
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(1, SetSystemPreference(0, "Big Game", "PSN", "x"));
  EXPECT_EQ("x", Stored(world.Home() + "/.config/Quillfen/preferences.db", "com.quillfen.Big Game",
                        "PSN"));
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
  const char* const cases[][2] = {{"QFN_SYSTEM_PREFS", "Quillfen/preferences.db"},
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
    EXPECT_EQ(anyUser ? "<error>" : "x", Stored(UserDb(), "com.quillfen.Big Game", "PSN"));
    std::filesystem::remove_all(world.ConfigHome() + "/Quillfen");
  }
}

// The any-user store, its log and the log's index are readable by every user whatever the
// file-creation mask: a user who may not write the store opens all three read-only.
TEST_F(PrefsTest, AnyUserStoreAndItsLogAreWorldReadable) {
  mode_t old = umask(077);
  int written = SetSystemPreference(1, "Big Game", "PSN", "x");
  umask(old);
  ASSERT_EQ(1, written);
  EXPECT_EQ("wal", Query(AnyDb(), "PRAGMA journal_mode"));
  for (const char* suffix : {"", "-wal", "-shm"}) {
    SCOPED_TRACE(suffix);
    struct stat st;
    ASSERT_EQ(0, stat((AnyDb() + suffix).c_str(), &st));
    EXPECT_EQ(0644u, st.st_mode & 0777);
  }
}

// Both stores keep a write-ahead log; a database made with the rollback journal is converted
// by the first write, not by a read, and keeps its rows.
TEST_F(PrefsTest, StoresWriteThroughTheLog) {
  for (int anyUser : {0, 1}) {
    for (bool old : {false, true}) {
      SCOPED_TRACE(std::string(anyUser ? "any-user " : "current-user ") +
                   (old ? "rollback-journal database" : "new database"));
      TempWorld fresh;
      fresh.Apply(false);
      std::string db =
          anyUser ? fresh.SystemPrefs() : fresh.ConfigHome() + "/Quillfen/preferences.db";
      if (old) {
        MakeDirs(std::filesystem::path(db).parent_path().string());
        ASSERT_TRUE(Exec(db, std::string(kCreatePrefs) +
                                 "INSERT INTO prefs VALUES ('com.quillfen.Big Game', " +
                                 Quote(ThisHost()) + ", 'Old', 'kept');"));
        EXPECT_STREQ("kept", GetSystemPreference(anyUser, "Big Game", "Old", nullptr));
        EXPECT_EQ("delete", Query(db, "PRAGMA journal_mode"));
      }
      ASSERT_EQ(1, SetSystemPreference(anyUser, "Big Game", "PSN", "x"));
      EXPECT_EQ("wal", Query(db, "PRAGMA journal_mode"));
      EXPECT_EQ("x", Stored(db, "com.quillfen.Big Game", "PSN"));
      EXPECT_EQ(old ? "kept" : "<none>", Stored(db, "com.quillfen.Big Game", "Old"));
    }
  }
  world.Apply(false);
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
      {"any user, empty folder", 1, world.Path("system"), true},
  };
  setenv("QFN_SYSTEM_PREFS", world.Path("system/Quillfen/preferences.db").c_str(), 1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.makeFolder) {
      MakeDirs(c.folder);
      if (c.anyUser) setenv("QFN_SYSTEM_PREFS", (c.folder + "/preferences.db").c_str(), 1);
    }
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
  EXPECT_EQ("caf\xc3\xa9", Stored(UserDb(), "com.quillfen.Gr\xc3\xbcn", "cl\xc3\xa9"));
}

TEST_F(PrefsTest, ValueLengthLimit) {
  std::string longest(1023, 'v');
  EXPECT_EQ(1, SetSystemPreference(0, "Big Game", "K", longest.c_str()));
  EXPECT_EQ(longest, GetSystemPreference(0, "Big Game", "K", ""));
  // 1024 bytes could never be read back: refused, the stored value stays.
  std::string tooLong(1024, 'w');
  EXPECT_EQ(0, SetSystemPreference(0, "Big Game", "K", tooLong.c_str()));
  EXPECT_EQ(longest, GetSystemPreference(0, "Big Game", "K", ""));
  // Keys are held to the same bound.
  EXPECT_EQ(1, SetSystemPreference(0, "Big Game", longest.c_str(), "k"));
  EXPECT_STREQ("k", GetSystemPreference(0, "Big Game", longest.c_str(), ""));
  EXPECT_EQ(0, SetSystemPreference(0, "Big Game", tooLong.c_str(), "k"));
  EXPECT_STREQ("", GetSystemPreference(0, "Big Game", tooLong.c_str(), ""));
}

TEST_F(PrefsTest, StoredValuesThatDoNotCountReadAsDefault) {
  ASSERT_EQ(1, SetSystemPreference(1, "Big Game", "seed", "x"));  // creates the table
  const std::string host = Quote(ThisHost());
  const struct {
    const char* what;
    std::string sql;
  } cases[] = {
      {"integer", "42"},
      {"real", "4.5"},
      {"blob", "x'6869'"},
      {"null", "NULL"},
      {"character above U+00FF", "CAST(x'C480' AS TEXT)"},
      {"euro sign", "CAST(x'E282AC' AS TEXT)"},
      {"truncated sequence", "CAST(x'61C3' AS TEXT)"},
      {"bad continuation", "CAST(x'C328' AS TEXT)"},
      {"overlong form", "CAST(x'C181' AS TEXT)"},
      {"stray continuation", "CAST(x'80' AS TEXT)"},
      {"embedded U+0000", "CAST(x'610062' AS TEXT)"},
      {"1024 characters", "'" + std::string(1024, 'a') + "'"},
      {"1024 characters of U+00E9", "CAST(x'" + Repeat("C3A9", 1024) + "' AS TEXT)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(Exec(AnyDb(), "INSERT OR REPLACE INTO prefs VALUES ('com.quillfen.Big Game', " +
                                  host + ", 'K', " + c.sql + ")"));
    EXPECT_STREQ("dflt", GetSystemPreference(1, "Big Game", "K", "dflt"));
  }
  // The control: a well-formed text of 1023 characters written by another program.
  ASSERT_TRUE(Exec(AnyDb(), "INSERT OR REPLACE INTO prefs VALUES ('com.quillfen.Big Game', " +
                                host + ", 'K', '" + std::string(1023, 'a') + "')"));
  EXPECT_EQ(std::string(1023, 'a'), GetSystemPreference(1, "Big Game", "K", "dflt"));
}

TEST_F(PrefsTest, OtherHostsRowsAreNeverReadOrChanged) {
  MakeDirs(world.ConfigHome() + "/Quillfen");
  ASSERT_TRUE(Exec(UserDb(), std::string(kCreatePrefs) +
                                 "INSERT INTO prefs VALUES ('com.quillfen.Big Game', "
                                 "'other-host', 'PSN', 'theirs');"));
  const std::string theirs = "SELECT value FROM prefs WHERE host = 'other-host' AND key = 'PSN'";
  EXPECT_EQ(nullptr, GetSystemPreference(0, "Big Game", "PSN", nullptr));
  EXPECT_EQ(1, SetSystemPreference(0, "Big Game", "PSN", "ours"));
  EXPECT_STREQ("ours", GetSystemPreference(0, "Big Game", "PSN", nullptr));
  EXPECT_EQ("ours", Stored(UserDb(), "com.quillfen.Big Game", "PSN"));
  EXPECT_EQ(1, RemoveSystemPreference(0, "Big Game", "PSN"));
  EXPECT_EQ("theirs", Query(UserDb(), theirs));
  EXPECT_EQ("1", Query(UserDb(), "SELECT count(*) FROM prefs"));
}

TEST_F(PrefsTest, FailedReadKeepsScratchBufferIntact) {
  // A default that points into the shared scratch buffer survives a read that finds nothing.
  const char* home = GetHomePath();
  ASSERT_NE(nullptr, home);
  EXPECT_EQ(home, GetSystemPreference(0, "Big Game", "missing", home));
  EXPECT_EQ(world.Home(), home);
}

TEST_F(PrefsTest, EveryReadSeesOtherProcessesCommits) {
  auto toolSet = [&](const char* value) {
    return RunProcess({QFN_PREFS_TOOL, "set", "1", "Big Game", "PSN", value},
                      world.ChildOptions(false))
        .exitCode;
  };
  ASSERT_EQ(1, SetSystemPreference(1, "Big Game", "PSN", "first"));
  EXPECT_STREQ("first", GetSystemPreference(1, "Big Game", "PSN", nullptr));
  ASSERT_EQ(0, toolSet("second"));
  EXPECT_STREQ("second", GetSystemPreference(1, "Big Game", "PSN", nullptr));

  // The file replaced by a new one: the new file is read, not the one still open.
  ASSERT_EQ(0, unlink(AnyDb().c_str()));
  EXPECT_EQ(nullptr, GetSystemPreference(1, "Big Game", "PSN", nullptr));
  ASSERT_EQ(0, toolSet("third"));
  EXPECT_STREQ("third", GetSystemPreference(1, "Big Game", "PSN", nullptr));

  // Another database named by the environment is used from the next call on.
  setenv("QFN_SYSTEM_PREFS", world.Path("system/other.db").c_str(), 1);
  EXPECT_EQ(nullptr, GetSystemPreference(1, "Big Game", "PSN", nullptr));
  EXPECT_EQ(1, SetSystemPreference(1, "Big Game", "PSN", "other"));
  EXPECT_EQ("third", Stored(AnyDb(), "com.quillfen.Big Game", "PSN"));
}

TEST_F(PrefsTest, ForkedChildUsesAConnectionOfItsOwn) {
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
