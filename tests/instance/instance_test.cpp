// Whole launcher processes meeting the instance record: a live record ends the second launch
// quietly, stale and malformed records are taken over, the record is cleaned from both
// scopes at the end of a run, and an any-user scope that cannot be written.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/instance/lookalike.h"
#include "tests/support/launcher_run.h"

namespace {

const std::vector<std::string> kPlayed = {"qrnGetAppName", "qrnCreate", "qrnRun", "qrnClose"};
const std::vector<std::string> kQuiet = {"qrnGetAppName"};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

// The identity of a process that has ended and been reaped.
std::string DeadIdentity() {
  pid_t pid = fork();
  if (pid == 0) {
    pause();
    _exit(0);
  }
  std::string text = IdentityText(pid);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return text;
}

TEST(InstanceGuard, LiveInstanceMakesSecondLaunchEndQuietly) {
  LauncherWorld lw;
  std::string ready = lw.world.Path("ready");
  std::string recordA = lw.world.Path("record-a");
  std::string recordB = lw.world.Path("record-b");
  BackgroundLaunch a;
  // A plays until B has ended and a quit request ends it, however slow the machine.
  a.Start(lw, {}, recordA,
          {{"QRN_TEST_RUN_MS", "100000"}, {"QRN_TEST_RUN_QUIT_EVENTS", "1"},
           {"QRN_TEST_READY_FILE", ready}});
  ASSERT_TRUE(WaitForFile(ready, 30));
  long pidA = RecordedPid(recordA);
  EXPECT_EQ(lw.Stored(1), IdentityText(pidA));
  std::string logWhileRunning = lw.LogText();

  ProcessResult b = lw.Launch({"-foo", "doc.qfn"}, recordB);
  // B logged its start at the end of A's log and destroyed nothing; then A logged what B
  // handed it.
  std::string logAfterB = lw.LogText();
  ASSERT_EQ(logAfterB.compare(0, logWhileRunning.size(), logWhileRunning), 0);
  EXPECT_TRUE(std::regex_match(logAfterB.substr(logWhileRunning.size()),
                               std::regex("EXE LOG opened [^\n]+\n\n"
                                          "\\[main\\] Quarn Initialized: Test Game\n"
                                          "\\[SendIPC\\] CommandLine\\|[^|]+/bin/quarn\\|"
                                          "-foo\\|doc\\.qfn\\|\n")));
  // B ended while A was still in its run: A has not closed yet.
  std::vector<std::string> entriesA = EngineEntries(ReadEngineRecord(recordA));
  EXPECT_EQ(std::count(entriesA.begin(), entriesA.end(), "qrnClose"), 0);
  EXPECT_EQ(b.exitCode, 0);
  EXPECT_FALSE(b.timedOut);
  EXPECT_EQ(EngineEntries(ReadEngineRecord(recordB)), kQuiet);
  EXPECT_TRUE(lw.world.Calls("zenity").empty());
  EXPECT_EQ(lw.Stored(1), IdentityText(pidA));

  kill(pidA, SIGTERM);
  a.Join();
  EXPECT_EQ(a.result.exitCode, 0);
  EXPECT_EQ(
      EngineEntries(ReadEngineRecord(recordA)),
      (std::vector<std::string>{"qrnGetAppName", "qrnCreate", "qrnSendIPC", "qrnRun", "qrnClose"}));
  // A's log survived B: what A and B wrote is still its beginning, and A's run ran to its
  // end in it.
  std::string log = lw.LogText();
  ASSERT_FALSE(logWhileRunning.empty());
  EXPECT_EQ(log.compare(0, logAfterB.size(), logAfterB), 0);
  EXPECT_EQ(log.find('\0'), std::string::npos);
  EXPECT_NE(log.find("[main] Quarn Initialized: Test Game\n"), std::string::npos);
  EXPECT_NE(log.find("[main] Exiting\n"), std::string::npos);
  EXPECT_EQ(lw.Stored(1), kNoRecord);
  EXPECT_EQ(lw.Stored(0), kNoRecord);
}

TEST(InstanceGuard, RecordsDecideBetweenPlayAndQuietEnd) {
  LauncherWorld lw;
  Lookalike running;
  std::string live = IdentityText(running.pid);  // alive, under the launcher's name
  std::string reused = live;
  reused[7] = reused[7] == 'F' ? 'E' : 'F';  // same pid, another start time
  std::string dead = DeadIdentity();
  ASSERT_EQ(live.size(), 16u);
  ASSERT_EQ(dead.size(), 16u);
  struct Case {
    const char* name;
    std::string anyUser, currentUser;
    bool plays;
  };
  const Case cases[] = {
      {"no record", kNoRecord, kNoRecord, true},
      {"dead process", dead, kNoRecord, true},
      {"pid reused by another program", reused, kNoRecord, true},
      {"15 characters", live.substr(1), kNoRecord, true},
      {"17 characters", live + "0", kNoRecord, true},
      {"0x prefix", "0x" + live.substr(2), kNoRecord, true},
      {"not hex", live.substr(0, 15) + "G", kNoRecord, true},
      {"lower-case digits", Lower(live), kNoRecord, false},
      {"stale any-user record does not hide current-user", dead, live, false},
      {"stale in both", dead, dead, true},
      {"any-user consulted first, live", live, dead, false},
      {"current-user when any-user is empty", kNoRecord, live, false},
      {"live in both", live, live, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    lw.Store(1, c.anyUser);
    lw.Store(0, c.currentUser);
    std::string ready = lw.world.Path(std::string("ready-") + c.name);
    std::string record = lw.world.Path(std::string("record-") + c.name);
    BackgroundLaunch run;
    run.Start(lw, {}, record, {{"QRN_TEST_RUN_MS", "300"}, {"QRN_TEST_READY_FILE", ready}});
    if (c.plays) {
      // While it plays, the any-user scope holds the launcher's own identity.
      ASSERT_TRUE(WaitForFile(ready, 30));
      EXPECT_EQ(lw.Stored(1), IdentityText(RecordedPid(record)));
    }
    run.Join();
    // A live record names this test process, which takes no hand-over.
    EXPECT_EQ(run.result.exitCode, c.plays ? 0 : kExitNotForwarded);
    EXPECT_EQ(EngineEntries(ReadEngineRecord(record)), c.plays ? kPlayed : kQuiet);
    // A run that played removes both scopes; a quiet end leaves both as they were.
    EXPECT_EQ(lw.Stored(1), c.plays ? kNoRecord : c.anyUser);
    EXPECT_EQ(lw.Stored(0), c.plays ? kNoRecord : c.currentUser);
  }
}

TEST(InstanceGuard, UnwriteableAnyUserScopeSendsRecordToCurrentUser) {
  LauncherWorld lw;
  // The launcher runs as nobody: its home (data, current-user store, engine record) is its
  // own, the any-user store's folder stays root's.
  std::string home = lw.world.Home();
  std::string ready = home + "/ready";
  std::string record = home + "/record";
  std::filesystem::create_directories(lw.world.ConfigHome());
  std::filesystem::create_directories(lw.world.DataHome());
  for (const auto& entry : std::filesystem::recursive_directory_iterator(home))
    ASSERT_EQ(chown(entry.path().c_str(), 65534, 65534), 0);
  ASSERT_EQ(chown(home.c_str(), 65534, 65534), 0);

  ProcessOptions options =
      lw.Options(record, {{"QRN_TEST_RUN_MS", "1500"}, {"QRN_TEST_READY_FILE", ready}});
  std::vector<std::string> argv = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                   lw.bundle.exe};
  ProcessResult result;
  std::thread run([&] { result = RunProcess(argv, options); });
  bool started = WaitForFile(ready, 30);
  std::string anyUser = lw.Stored(1);
  std::string currentUser = lw.Stored(0);
  long pid = RecordedPid(record);
  std::string expected = IdentityText(pid);
  run.join();
  ASSERT_TRUE(started) << result.err;
  EXPECT_EQ(anyUser, kNoRecord);
  EXPECT_EQ(currentUser, expected);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(EngineEntries(ReadEngineRecord(record)), kPlayed);
  EXPECT_EQ(lw.Stored(0), kNoRecord);
}

// Whatever sits at a store's lock file name, a FIFO (whose open would wait for a writer) or a
// link to another file, the launch neither hangs nor writes through it: it plays unlocked.
TEST(InstanceGuard, HostileLockFileNeverHoldsUpALaunch) {
  for (bool fifo : {true, false}) {
    SCOPED_TRACE(fifo ? "FIFO" : "link");
    LauncherWorld lw;
    std::string victim = lw.world.Path("victim");
    WriteFile(victim, "untouched", 0600);
    std::filesystem::create_directories(lw.world.ConfigHome() + "/Quillfen");
    std::filesystem::create_directories(lw.world.SystemPrefs());
    for (const std::string& lock : {lw.world.SystemPrefs() + "/.lock",
                                    lw.world.ConfigHome() + "/Quillfen/.lock"}) {
      ASSERT_EQ(0, fifo ? mkfifo(lock.c_str(), 0666) : symlink(victim.c_str(), lock.c_str()));
    }
    std::string record = lw.world.Path("record");
    ProcessOptions options = lw.Options(record);
    options.timeoutSeconds = 20;
    ProcessResult result = RunProcess(LauncherArgv(lw.bundle, {}), options);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(EngineEntries(ReadEngineRecord(record)), kPlayed);
    EXPECT_EQ(ReadFile(victim), "untouched");
  }
}

// Neither store can be written (each lies below a plain file, which holds for root too): the
// game still plays, and the log says why no second launch can find it.
TEST(InstanceGuard, NoWritableStorePlaysAndSaysSo) {
  LauncherWorld lw;
  std::string file = lw.world.Path("plain-file");
  WriteFile(file, "", 0644);
  std::string record = lw.world.Path("record");
  ProcessResult result = lw.Launch(
      {}, record, {{"XDG_CONFIG_HOME", file + "/config"}, {"QFN_SYSTEM_PREFS", file + "/system"}});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(EngineEntries(ReadEngineRecord(record)), kPlayed);
  EXPECT_NE(
      lw.LogText().find("[guard] No instance record: neither preference store can be written"),
      std::string::npos)
      << lw.LogText();
}

}  // namespace
