// The preference store under faults: a damaged database, a database locked by another
// process, two processes writing at once, and an any-user database the user may not write.
// The other processes are prefs_tool, started with this world's environment.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "platform/prefs.h"
#include "tests/prefs/db.h"
#include "tests/support/temp_world.h"

namespace {

double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

// Starts prefs_tool with this process's environment; its standard output goes to *out.
pid_t StartTool(const std::vector<std::string>& args, int* out) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFds[1], 1);
    close(pipeFds[0]);
    close(pipeFds[1]);
    std::vector<char*> argv = {const_cast<char*>(QFN_PREFS_TOOL)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  *out = pipeFds[0];
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class PrefsFaultTest : public ::testing::Test {
 protected:
  void SetUp() override { world.Apply(false); }
  TempWorld world;
};

TEST_F(PrefsFaultTest, DamagedDatabaseReadsEmptyAndIsNeverChanged) {
  std::mt19937 random(20261207);
  std::string noise;
  for (int i = 0; i < 8192; ++i) noise += static_cast<char>(random() & 0xFF);
  const std::string cases[] = {noise, noise.substr(0, 700), "not a database at all"};
  for (const auto& content : cases) {
    SCOPED_TRACE(content.size());
    WriteFile(world.SystemPrefs(), content);
    EXPECT_EQ(nullptr, GetSystemPreference(1, "Big Game", "PSN", nullptr));
    EXPECT_EQ(0, SetSystemPreference(1, "Big Game", "PSN", "x"));
    EXPECT_EQ(0, RemoveSystemPreference(1, "Big Game", "PSN"));
    EXPECT_EQ(nullptr, GetSystemPreference(1, "Big Game", "PSN", nullptr));
    EXPECT_EQ(content, ReadFile(world.SystemPrefs()));
    EXPECT_FALSE(FileExists(world.SystemPrefs() + "-journal"));
    // The other scope is unaffected.
    EXPECT_EQ(1, SetSystemPreference(0, "Big Game", "PSN", "mine"));
    EXPECT_STREQ("mine", GetSystemPreference(0, "Big Game", "PSN", nullptr));
  }
}

TEST_F(PrefsFaultTest, LockedDatabaseWaitsAboutTwoSecondsThenFails) {
  ASSERT_EQ(1, SetSystemPreference(1, "Big Game", "PSN", "old"));
  int out = -1;
  pid_t holder = StartTool({"hold", world.SystemPrefs(), "20"}, &out);
  ASSERT_GT(holder, 0);
  char line[16] = {};
  ASSERT_GT(read(out, line, sizeof line - 1), 0);
  ASSERT_STREQ("locked\n", line);

  double start = Now();
  EXPECT_EQ(0, SetSystemPreference(1, "Big Game", "PSN", "new"));
  double waited = Now() - start;
  EXPECT_GE(waited, 1.5);
  EXPECT_LT(waited, 10.0);
  start = Now();
  EXPECT_EQ(nullptr, GetSystemPreference(1, "Big Game", "PSN", nullptr));
  EXPECT_GE(Now() - start, 1.5);

  kill(holder, SIGKILL);
  Wait(holder);
  close(out);
  // Nothing of the refused write is left behind.
  EXPECT_STREQ("old", GetSystemPreference(1, "Big Game", "PSN", nullptr));
  EXPECT_EQ(1, SetSystemPreference(1, "Big Game", "PSN", "new"));
  EXPECT_STREQ("new", GetSystemPreference(1, "Big Game", "PSN", nullptr));
}

// A write to a locked database that has no table yet waits in several steps (the schema, the
// journal mode, the table, the statement); the call as a whole waits about 2 s, not 2 s each.
TEST_F(PrefsFaultTest, LockedNewDatabaseWaitsAboutTwoSecondsPerCall) {
  const std::string user = world.ConfigHome() + "/Quillfen/preferences.db";
  MakeDirs(world.ConfigHome() + "/Quillfen");
  for (int anyUser : {1, 0}) {
    SCOPED_TRACE(anyUser);
    std::string db = anyUser ? world.SystemPrefs() : user;
    WriteFile(db, "");
    int out = -1;
    pid_t holder = StartTool({"hold", db, "20"}, &out);
    ASSERT_GT(holder, 0);
    char line[16] = {};
    ASSERT_GT(read(out, line, sizeof line - 1), 0);
    ASSERT_STREQ("locked\n", line);
    double start = Now();
    EXPECT_EQ(0, SetSystemPreference(anyUser, "Big Game", "PSN", "x"));
    double waited = Now() - start;
    EXPECT_GE(waited, 1.5);
    EXPECT_LT(waited, 3.0);
    kill(holder, SIGKILL);
    Wait(holder);
    close(out);
    EXPECT_EQ(1, SetSystemPreference(anyUser, "Big Game", "PSN", "x"));
  }
}

TEST_F(PrefsFaultTest, ConcurrentWritersLoseNothing) {
  int outA = -1, outB = -1;
  pid_t a = StartTool({"fill", "1", "Big Game", "a", "500"}, &outA);
  pid_t b = StartTool({"fill", "1", "Big Game", "b", "500"}, &outB);
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  EXPECT_EQ(0, Wait(a));
  EXPECT_EQ(0, Wait(b));
  close(outA);
  close(outB);
  EXPECT_EQ("1000", Query(world.SystemPrefs(),
                          "SELECT count(*) FROM prefs WHERE domain = 'com.quillfen.Big Game'"));
  for (int n : {0, 1, 250, 499}) {
    for (const char* prefix : {"a", "b"}) {
      std::string key = prefix + std::to_string(n);
      EXPECT_EQ(std::to_string(n), GetSystemPreference(1, "Big Game", key.c_str(), ""));
    }
  }
}

TEST_F(PrefsFaultTest, AnyUserDatabaseNotWriteableFallsToCurrentUser) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the tool as another user";
  ASSERT_EQ(1, SetSystemPreference(1, "Big Game", "PSN", "root"));
  // The tool and a current-user folder that the unprivileged user can reach and write.
  std::string tool = world.Path("prefs_tool");
  WriteFile(tool, ReadFile(QFN_PREFS_TOOL), 0755);
  std::string config = world.Path("nobody-config");
  MakeDirs(config);
  ASSERT_EQ(0, chown(config.c_str(), 65534, 65534));

  ProcessOptions options = world.ChildOptions(false);
  options.env.push_back({"XDG_CONFIG_HOME", config});
  auto asNobody = [&](std::vector<std::string> args) {
    std::vector<std::string> argv = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                     tool};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, options);
  };
  ProcessResult r = asNobody({"set", "1", "Big Game", "PSN", "nobody"});
  EXPECT_EQ(1, r.exitCode) << r.err;
  r = asNobody({"get", "1", "Big Game", "PSN"});
  EXPECT_EQ(0, r.exitCode) << r.err;
  EXPECT_EQ("root", r.out);
  r = asNobody({"set", "0", "Big Game", "PSN", "nobody"});
  EXPECT_EQ(0, r.exitCode) << r.err;
  r = asNobody({"get", "0", "Big Game", "PSN"});
  EXPECT_EQ("nobody", r.out);
  EXPECT_STREQ("root", GetSystemPreference(1, "Big Game", "PSN", nullptr));

  // A database the user may not read at all reads as empty.
  ASSERT_EQ(0, chmod(world.SystemPrefs().c_str(), 0600));
  r = asNobody({"get", "1", "Big Game", "PSN"});
  EXPECT_EQ(1, r.exitCode) << r.err;
  EXPECT_EQ("", r.out);
}

// The folders a store makes have the scope's mode whatever the creation mask: the any-user
// store's must never become writeable by others (umask 000) nor unreadable to them (umask 077).
TEST_F(PrefsFaultTest, StoreFoldersGetTheirScopesModeWhateverTheMask) {
  struct Case {
    int anyUser;
    mode_t mask;
    mode_t expected;
  };
  const Case cases[] = {{1, 000, 0755}, {1, 077, 0755}, {0, 000, 0700}, {0, 022, 0700}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "any user " << c.anyUser << ", mask 0" << std::oct << c.mask);
    TempWorld fresh;
    fresh.Apply(false);
    const std::string top = c.anyUser ? fresh.Path("var") : fresh.ConfigHome();
    setenv("QFN_SYSTEM_PREFS", (top + "/Quillfen/preferences.db").c_str(), 1);
    mode_t old = umask(c.mask);
    int written = SetSystemPreference(c.anyUser, "Big Game", "PSN", "x");
    umask(old);
    ASSERT_EQ(1, written);
    for (const std::string& folder : {top, top + "/Quillfen"}) {
      struct stat st;
      ASSERT_EQ(0, stat(folder.c_str(), &st)) << folder;
      EXPECT_EQ(c.expected, st.st_mode & 07777) << folder;
    }
  }
  world.Apply(false);
}

// A link at a store's own path (put there by whoever could write its folder) is never
// followed: the write is refused and the file it points to, if any, stays as it was.
TEST_F(PrefsFaultTest, LinkAtStorePathIsNeverWrittenThrough) {
  const std::string userDb = world.ConfigHome() + "/Quillfen/preferences.db";
  MakeDirs(world.ConfigHome() + "/Quillfen");
  const std::string victim = world.Path("victim");
  for (int anyUser : {1, 0}) {
    for (bool targetExists : {true, false}) {
      SCOPED_TRACE(testing::Message() << "any user " << anyUser << ", target " << targetExists);
      const std::string db = anyUser ? world.SystemPrefs() : userDb;
      unlink(victim.c_str());
      if (targetExists) WriteFile(victim, "", 0600);  // SQLite would make a database of it
      unlink(db.c_str());
      ASSERT_EQ(0, symlink(victim.c_str(), db.c_str()));
      EXPECT_EQ(0, SetSystemPreference(anyUser, "Big Game", "PSN", "x"));
      EXPECT_EQ(nullptr, GetSystemPreference(anyUser, "Big Game", "PSN", nullptr));
      EXPECT_EQ(targetExists, FileExists(victim));
      EXPECT_EQ("", ReadFile(victim));
      EXPECT_FALSE(FileExists(victim + "-journal") || FileExists(victim + "-wal"));
      struct stat st;
      ASSERT_EQ(0, lstat(db.c_str(), &st));
      EXPECT_TRUE(S_ISLNK(st.st_mode));
      unlink(db.c_str());
    }
  }
}

// A text that can never be stored is refused the same way whether or not the store exists.
TEST_F(PrefsFaultTest, OverlongTextIsRefusedWithOrWithoutAStore) {
  const std::string longKey(1024, 'k');
  for (bool exists : {false, true}) {
    SCOPED_TRACE(exists ? "store exists" : "no store");
    if (exists) {
      ASSERT_EQ(1, SetSystemPreference(1, "Big Game", "Other", "x"));
    }
    EXPECT_EQ(0, RemoveSystemPreference(1, "Big Game", longKey.c_str()));
    EXPECT_EQ(0, SetSystemPreference(1, "Big Game", longKey.c_str(), "x"));
    EXPECT_EQ(exists, FileExists(world.SystemPrefs()));
  }
}

}  // namespace
