// The launcher process as the desktop and the terminal meet it: which arguments reach the
// engine under the launch-marker rule, which documents of a desktop launch reach it and
// when, and how SIGTERM, SIGINT and SIGHUP end the game (one quit event each) or, with no
// game running, the process.
#include "tests/support/bundle.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Launch {
  TempWorld world;
  Bundle bundle;
  std::string record;
  Launch() : bundle(MakeBundle(world, TestEngineLibrary())), record(world.Path("record.txt")) {
    world.FakeTool("zenity");
    world.FakeTool("xdg-open");
  }
  ProcessOptions Options() const {
    ProcessOptions options = world.ChildOptions();
    options.env.push_back({"QRN_TEST_RECORD", record});
    return options;
  }
  std::string LogText() const { return ReadFile(world.LauncherLog()); }
};

std::vector<std::string> Args(const Launch& launch, const std::vector<std::string>& rest) {
  std::vector<std::string> argv = {launch.bundle.exe};
  argv.insert(argv.end(), rest.begin(), rest.end());
  return argv;
}

const EngineCall* Find(const std::vector<EngineCall>& calls, const std::string& entry) {
  for (const auto& call : calls) {
    if (call.entry == entry) return &call;
  }
  return nullptr;
}

// True while the signal is pending for the whole process (not yet taken by any thread).
bool SignalPending(int pid, int signal) {
  std::string status = ReadFile("/proc/" + std::to_string(pid) + "/status");
  size_t at = status.find("ShdPnd:");
  if (at == std::string::npos) return false;
  unsigned long long mask = std::stoull(status.substr(at + 7), nullptr, 16);
  return (mask >> (signal - 1)) & 1;
}

void WaitUntilTaken(int pid, int signal) {
  for (int i = 0; i < 500 && SignalPending(pid, signal); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// A live process (neither gone nor a zombie).
bool ProcessAlive(int pid) {
  std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  size_t nameEnd = stat.rfind(')');
  if (nameEnd == std::string::npos || nameEnd + 2 >= stat.size()) return false;
  char state = stat[nameEnd + 2];
  return state != 'Z' && state != 'X';
}

struct MarkerCase {
  const char* name;
  std::vector<std::string> args;
  int expectedArgc;
};

class LaunchMarker : public testing::TestWithParam<MarkerCase> {};

TEST_P(LaunchMarker, DecidesTheArgumentCountTheEngineSees) {
  const MarkerCase& c = GetParam();
  Launch launch;
  ProcessResult result = RunProcess(Args(launch, c.args), launch.Options());
  ASSERT_EQ(result.exitCode, 0) << result.err;
  auto calls = ReadEngineRecord(launch.record);
  const EngineCall* create = Find(calls, "qrnCreate");
  ASSERT_NE(create, nullptr) << result.err;
  EXPECT_EQ(create->fields.at("argc"), std::to_string(c.expectedArgc));
  // The vector is the process's own: its first expectedArgc arguments, unchanged.
  std::vector<std::string> argv = Args(launch, c.args);
  std::string expectedArgv;
  for (int i = 0; i < c.expectedArgc; ++i) expectedArgv += argv[i] + "|";
  EXPECT_EQ(create->fields.at("argv"), expectedArgv);
  EXPECT_EQ(Find(calls, "qrnSendIPC"), nullptr) << "no document was opened";
}

INSTANTIATE_TEST_SUITE_P(
    Shell, LaunchMarker,
    testing::Values(MarkerCase{"DesktopMarker", {"-psn_0_1234567"}, 1},
                    MarkerCase{"BareMarker", {"-psn"}, 1}, MarkerCase{"ShortPrefix", {"-ps"}, 2},
                    MarkerCase{"MarkerNotFirst", {"-foo", "-psn_0_1"}, 3},
                    MarkerCase{"OtherCase", {"-PSN_0_1"}, 2}, MarkerCase{"NoArguments", {}, 1},
                    MarkerCase{"PlainArguments", {"-safemode", "x y"}, 3}),
    [](const testing::TestParamInfo<MarkerCase>& info) { return info.param.name; });

TEST(Shell, MarkerHidesTheUninstallOption) {
  Launch launch;
  std::string victim = launch.world.Path("victim.txt");
  WriteFile(victim, "keep me");
  WriteFile(launch.bundle.resources + "/uninstall.log", "File:" + victim + "\nSelf:\n");
  ProcessResult result = RunProcess(Args(launch, {"-psn_0_1", "-Uninstall"}), launch.Options());
  ASSERT_EQ(result.exitCode, 0) << result.err;
  auto calls = ReadEngineRecord(launch.record);
  const EngineCall* create = Find(calls, "qrnCreate");
  ASSERT_NE(create, nullptr) << "the game was not started";
  EXPECT_EQ(create->fields.at("argc"), "1");
  EXPECT_TRUE(FileExists(victim));
  EXPECT_TRUE(FileExists(launch.bundle.resources + "/uninstall.log"));
  EXPECT_TRUE(launch.world.Calls("zenity").empty()) << "no uninstall question";
}

TEST(Shell, DesktopLaunchDeliversEveryDocumentInOrderRightAfterCreate) {
  Launch launch;
  std::string first = launch.world.Path("saves/first game.sav");
  std::string second = launch.world.Path("saves/second.sav");
  MakeDirs(launch.world.Path("saves"));
  ProcessOptions options = launch.Options();
  options.workDir = launch.world.Path("saves");  // a terminal in the saves folder
  ProcessResult result =
      RunProcess(Args(launch, {"-psn_desktop", first, second, "./third.sav"}), options);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  auto calls = ReadEngineRecord(launch.record);
  EXPECT_EQ(EngineEntries(calls),
            (std::vector<std::string>{"qrnGetAppName", "qrnCreate", "qrnSendIPC", "qrnSendIPC",
                                      "qrnSendIPC", "qrnRun", "qrnClose"}));
  const EngineCall* create = Find(calls, "qrnCreate");
  ASSERT_NE(create, nullptr);
  EXPECT_EQ(create->fields.at("argc"), "1");
  // The relative one names the file of the folder the launcher was started in.
  std::string third = launch.world.Path("saves/third.sav");
  std::vector<std::string> expected = {first, second, third};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(calls[2 + i].fields.at("message"), "OpenFile|" + expected[i]);
    EXPECT_NE(launch.LogText().find("[SendIPC] OpenFile|" + expected[i] + "\n"),
              std::string::npos);
  }
  // Held back before the engine was bound: g_sDelayedIPC showed the latest.
  EXPECT_EQ(calls[0].fields.at("g_sDelayedIPC"), "OpenFile|" + third);
  EXPECT_EQ(calls.back().fields.at("g_sDelayedIPC"), "");
}

TEST(Shell, LongDocumentPathIsCutToA255CharacterMessage) {
  Launch launch;
  std::string path = "/";
  for (int i = 0; path.size() < 300; ++i) path += static_cast<char>('a' + i % 26);
  ASSERT_EQ(path.size(), 300u);
  ProcessResult result = RunProcess(Args(launch, {"-psn_desktop", path}), launch.Options());
  ASSERT_EQ(result.exitCode, 0) << result.err;
  auto calls = ReadEngineRecord(launch.record);
  const EngineCall* send = Find(calls, "qrnSendIPC");
  ASSERT_NE(send, nullptr);
  std::string message = send->fields.at("message");
  EXPECT_EQ(message, "OpenFile|" + path.substr(0, 246));
  EXPECT_EQ(message.size(), 255u);
}

struct SignalCase {
  int signal;
  int count;
};

struct SignalPlan {
  std::string readyFile;
  SignalCase c;
};

void SendWhenReady(int pid, void* context) {
  auto* plan = static_cast<SignalPlan*>(context);
  if (!WaitForFile(plan->readyFile, 30)) return;
  for (int i = 0; i < plan->c.count; ++i) {
    // Signals of one kind do not queue: send the next only once the last was taken.
    WaitUntilTaken(pid, plan->c.signal);
    kill(pid, plan->c.signal);
  }
}

class QuitSignal : public testing::TestWithParam<SignalCase> {};

TEST_P(QuitSignal, PostsOneQuitEventPerRequestAndExitsCleanly) {
  const SignalCase& c = GetParam();
  Launch launch;
  SignalPlan plan{launch.world.Path("engine-ready"), c};
  ProcessOptions options = launch.Options();
  // The engine waits for one quit event more than are sent, so an extra event would show
  // in its count; it gives up after 3 s.
  options.env.push_back({"QRN_TEST_RUN_QUIT_EVENTS", std::to_string(c.count + 1)});
  options.env.push_back({"QRN_TEST_RUN_MS", "3000"});
  options.env.push_back({"QRN_TEST_READY_FILE", plan.readyFile});
  options.onStart = SendWhenReady;
  options.context = &plan;
  ProcessResult result = RunProcess(Args(launch, {}), options);
  EXPECT_EQ(result.termSignal, 0) << strsignal(result.termSignal);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  auto calls = ReadEngineRecord(launch.record);
  const EngineCall* run = Find(calls, "qrnRun");
  ASSERT_NE(run, nullptr) << result.err;
  EXPECT_EQ(run->fields.at("quit_events"), std::to_string(c.count));
  std::string log = launch.LogText();
  EXPECT_NE(log.find("[main] Closing\n"), std::string::npos);
  EXPECT_NE(log.find("[main] Exiting\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Shell, QuitSignal,
                         testing::Values(SignalCase{SIGTERM, 1}, SignalCase{SIGTERM, 2},
                                         SignalCase{SIGINT, 1}, SignalCase{SIGHUP, 1}),
                         [](const testing::TestParamInfo<SignalCase>& info) {
                           return std::string(sigabbrev_np(info.param.signal)) + "x" +
                                  std::to_string(info.param.count);
                         });

struct DialogPlan {
  std::string pidFile;
  int dialogPid = 0;
};

void TerminateDuringQuestion(int pid, void* context) {
  auto* plan = static_cast<DialogPlan*>(context);
  if (!WaitForFile(plan->pidFile, 30)) return;
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  plan->dialogPid = std::atoi(ReadFile(plan->pidFile).c_str());
  kill(pid, SIGTERM);
}

TEST(Shell, TerminateWhileTheUninstallQuestionIsOpenEndsByTheSignal) {
  Launch launch;
  // A question that never gets an answer; it tells its process id first.
  std::string pidFile = launch.world.Path("dialog.pid");
  WriteFile(launch.world.BinDir() + "/zenity",
            "#!/bin/sh\necho $$ > '" + pidFile + ".tmp'\nmv '" + pidFile + ".tmp' '" + pidFile +
                "'\nexec sleep 60\n",
            0755);
  std::string victim = launch.world.Path("victim.txt");
  WriteFile(victim, "keep me");
  WriteFile(launch.bundle.resources + "/uninstall.log", "File:" + victim + "\nSelf:\n");
  DialogPlan plan{pidFile};
  ProcessOptions options = launch.Options();
  options.onStart = TerminateDuringQuestion;
  options.context = &plan;
  options.timeoutSeconds = 40;
  ProcessResult result = RunProcess(Args(launch, {"-Uninstall"}), options);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.termSignal, SIGTERM) << result.err;
  EXPECT_TRUE(FileExists(victim));
  EXPECT_EQ(Find(ReadEngineRecord(launch.record), "qrnCreate"), nullptr);
  // The question's window does not outlive the launcher.
  ASSERT_GT(plan.dialogPid, 0);
  for (int i = 0; i < 500 && ProcessAlive(plan.dialogPid); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_FALSE(ProcessAlive(plan.dialogPid));
}

}  // namespace
