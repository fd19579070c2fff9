// Launchers started at the same instant: of every group exactly one plays and its identity
// is the stored record, also when root and an unprivileged user race over a shared any-user
// store; a stale any-user record left by root does not let every user's launch play.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/launcher_run.h"

namespace {

constexpr uid_t kNobody = 65534;

// Starts every launch (argv, options) on its own thread, all released together, waits, and
// returns their exit statuses, sorted. afterFirstEnd, when given, runs once the first has
// ended, while the others may still run.
std::vector<int> RunTogether(
    const std::vector<std::pair<std::vector<std::string>, ProcessOptions>>& launches,
    const std::function<void()>& afterFirstEnd = nullptr) {
  std::vector<int> statuses;
  std::mutex lock;
  std::condition_variable go;
  bool released = false;
  std::vector<std::thread> threads;
  for (const auto& launch : launches) {
    threads.emplace_back([&, launch] {
      {
        std::unique_lock<std::mutex> hold(lock);
        go.wait(hold, [&] { return released; });
      }
      ProcessResult result = RunProcess(launch.first, launch.second);
      bool first = false;
      {
        std::lock_guard<std::mutex> hold(lock);
        statuses.push_back(result.exitCode);
        first = statuses.size() == 1;
      }
      if (first && afterFirstEnd) afterFirstEnd();
    });
  }
  {
    std::lock_guard<std::mutex> hold(lock);
    released = true;
  }
  go.notify_all();
  for (auto& thread : threads) thread.join();
  std::sort(statuses.begin(), statuses.end());
  return statuses;
}

// The home (data, current-user store) becomes nobody's.
void GiveHomeToNobody(const LauncherWorld& lw) {
  std::filesystem::create_directories(lw.world.ConfigHome());
  std::filesystem::create_directories(lw.world.DataHome());
  for (const auto& entry : std::filesystem::recursive_directory_iterator(lw.world.Home()))
    ASSERT_EQ(chown(entry.path().c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(chown(lw.world.Home().c_str(), kNobody, kNobody), 0);
}

std::vector<std::string> AsNobody(const std::string& exe) {
  return {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", exe};
}

TEST(InstanceRace, TwentyLaunchersAtOnceRunTheEngineOnce) {
  LauncherWorld lw;
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::string record = lw.world.Path("record-" + std::to_string(round));
    std::string ready = lw.world.Path("ready-" + std::to_string(round));
    std::string stored;
    // The player plays until the other 19 have handed it their command lines (each has
    // then made its check), so that no launch comes too late to meet it.
    std::thread watch([&] {
      if (!WaitForFile(ready, 60)) return;
      stored = lw.Stored(1);
      for (int i = 0; i < 6000 && Count(record, "qrnSendIPC") < 19; ++i) usleep(10000);
      long player = RecordedPid(record);
      for (const EngineCall& call : ReadEngineRecord(record))
        if (call.entry == "qrnCreate") player = atol(call.fields.at("pid").c_str());
      kill(static_cast<pid_t>(player), SIGTERM);  // one quit request ends its run
    });
    ProcessOptions options = lw.Options(record, {{"QRN_TEST_RUN_MS", "60000"},
                                                 {"QRN_TEST_RUN_QUIT_EVENTS", "1"},
                                                 {"QRN_TEST_READY_FILE", ready}});
    options.timeoutSeconds = 90;
    std::vector<std::pair<std::vector<std::string>, ProcessOptions>> launches(
        20, {{lw.bundle.exe}, options});
    EXPECT_EQ(RunTogether(launches), std::vector<int>(20, 0));
    watch.join();
    EXPECT_EQ(Count(record, "qrnGetAppName"), 20);
    EXPECT_EQ(Count(record, "qrnCreate"), 1);
    EXPECT_EQ(Count(record, "qrnSendIPC"), 19);
    // The record stored while the engine ran was the player's own.
    std::vector<EngineCall> calls = ReadEngineRecord(record);
    auto create = std::find_if(calls.begin(), calls.end(),
                               [](const EngineCall& c) { return c.entry == "qrnCreate"; });
    ASSERT_NE(create, calls.end());
    char pidDigits[16];
    snprintf(pidDigits, sizeof pidDigits, "%08lX", atol(create->fields.at("pid").c_str()));
    EXPECT_EQ(stored.substr(8), pidDigits);
    EXPECT_EQ(lw.Stored(1), kNoRecord);
    EXPECT_EQ(lw.Stored(0), kNoRecord);
  }
}

TEST(InstanceRace, RootAndUnprivilegedLauncherOverASharedAnyUserStore) {
  LauncherWorld lw;
  GiveHomeToNobody(lw);
  // The any-user store is one both users may write, its folder shared as a machine shares it
  // (1777): the machine-wide guard applies to both.
  MakeDirs(lw.world.SystemPrefs());
  ASSERT_EQ(chmod(lw.world.SystemPrefs().c_str(), 01777), 0);
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::string record = lw.world.Home() + "/record-" + std::to_string(round);
    WriteFile(record, "", 0666);  // both engines append to it
    std::string ready = lw.world.Home() + "/ready-" + std::to_string(round);
    // The player plays until the other launch has ended and a quit request ends it.
    EnvList run = {{"QRN_TEST_RUN_MS", "100000"},
                   {"QRN_TEST_RUN_QUIT_EVENTS", "1"},
                   {"QRN_TEST_READY_FILE", ready}};
    ProcessOptions nobody = lw.Options(record, run);
    // Root keeps its own home, data folder and current-user store.
    ProcessOptions root = lw.Options(record, run);
    root.env.push_back({"HOME", lw.world.Path("root-home")});
    root.env.push_back({"XDG_DATA_HOME", lw.world.Path("root-home/data")});
    root.env.push_back({"XDG_CONFIG_HOME", lw.world.Path("root-home/config")});
    std::pair<std::vector<std::string>, ProcessOptions> asNobody = {AsNobody(lw.bundle.exe),
                                                                    nobody};
    std::pair<std::vector<std::string>, ProcessOptions> asRoot = {{lw.bundle.exe}, root};
    // Which of the two is started first alternates.
    // One plays; the other cannot hand over to another user's game.
    auto endThePlayer = [&] {
      if (!WaitForFile(ready, 60)) return;
      for (const EngineCall& call : ReadEngineRecord(record)) {
        pid_t player = static_cast<pid_t>(atol(call.fields.at("pid").c_str()));
        if (call.entry == "qrnCreate" && player > 0) kill(player, SIGTERM);
      }
    };
    std::vector<int> statuses = round % 2 ? RunTogether({asNobody, asRoot}, endThePlayer)
                                          : RunTogether({asRoot, asNobody}, endThePlayer);
    EXPECT_EQ(statuses, (std::vector<int>{0, kExitNotForwarded}));
    EXPECT_EQ(Count(record, "qrnGetAppName"), 2);
    EXPECT_EQ(Count(record, "qrnCreate"), 1);
    EXPECT_EQ(lw.Stored(1), kNoRecord);
  }
}

TEST(InstanceRace, StaleRootRecordDoesNotLetEveryUserPlay) {
  LauncherWorld lw;
  GiveHomeToNobody(lw);
  // Left by a root run that was killed: a process that no longer exists, in a store that
  // nobody cannot change.
  pid_t gone = fork();
  if (gone == 0) _exit(0);
  std::string stale = IdentityText(gone);
  waitpid(gone, nullptr, 0);
  ASSERT_EQ(stale.size(), 16u);
  lw.Store(1, stale);

  std::string record = lw.world.Home() + "/record";
  WriteFile(record, "", 0666);
  std::string ready = lw.world.Home() + "/ready";
  // The first plays until the second has ended and a quit request ends it.
  ProcessOptions options = lw.Options(record, {{"QRN_TEST_RUN_MS", "100000"},
                                               {"QRN_TEST_RUN_QUIT_EVENTS", "1"},
                                               {"QRN_TEST_READY_FILE", ready}});
  options.timeoutSeconds = 90;
  ProcessResult first;
  std::thread firstRun([&] { first = RunProcess(AsNobody(lw.bundle.exe), options); });
  bool playing = WaitForFile(ready, 60);
  ProcessResult second = playing ? RunProcess(AsNobody(lw.bundle.exe), options) : ProcessResult{};
  long player = RecordedPid(record);
  if (player > 0) kill(static_cast<pid_t>(player), SIGTERM);
  firstRun.join();
  ASSERT_TRUE(playing) << first.err;
  EXPECT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(second.exitCode, 0) << second.err;
  EXPECT_EQ(Count(record, "qrnGetAppName"), 2);
  EXPECT_EQ(Count(record, "qrnCreate"), 1);
  // The second launch reached the first and handed it its command line.
  EXPECT_EQ(Count(record, "qrnSendIPC"), 1);
  EXPECT_EQ(lw.Stored(1), stale);  // not this user's to remove
}

}  // namespace
