// The launcher process as the desktop and the terminal meet it: which arguments reach the
// engine under the launch-marker rule, which documents of a desktop launch reach it and
// when, and how SIGTERM, SIGINT and SIGHUP end the game (one quit event each) or, with no
// game running, the process.
#include "tests/support/bundle.h"
#include "tests/support/launch.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

struct ShellWorld {
  TempWorld world;
  Bundle bundle;
  std::string record;
  ShellWorld() : bundle(MakeBundle(world, TestEngineLibrary())), record(world.Path("record.txt")) {
    world.FakeTool("zenity");
    world.FakeTool("xdg-open");
  }
  ProcessOptions Options() const { return LauncherOptions(world, record); }
  std::string LogText() const { return ReadFile(world.LauncherLog()); }
};

std::vector<std::string> Args(const ShellWorld& launch, const std::vector<std::string>& rest) {
  return LauncherArgv(launch.bundle, rest);
}

const EngineCall* Find(const std::vector<EngineCall>& calls, const std::string& entry) {
  for (const auto& call : calls) {
    if (call.entry == entry) return &call;
  }
  return nullptr;
}

bool PendingIn(const std::string& status, const char* field, int signal) {
  size_t at = status.find(field);
  if (at == std::string::npos) return false;
  unsigned long long mask = std::stoull(status.substr(at + strlen(field)), nullptr, 16);
  return (mask >> (signal - 1)) & 1;
}

// True while the signal is pending for the whole process or for one of its threads (one
// that blocks it for a moment): a second signal sent then would merge with it.
bool SignalPending(int pid, int signal) {
  std::string proc = "/proc/" + std::to_string(pid);
  if (PendingIn(ReadFile(proc + "/status"), "ShdPnd:", signal)) return true;
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator(proc + "/task", error))
    if (PendingIn(ReadFile(task.path().string() + "/status"), "SigPnd:", signal)) return true;
  return false;
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
  ShellWorld launch;
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
  ShellWorld launch;
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
  ShellWorld launch;
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
    EXPECT_NE(launch.LogText().find("[SendIPC] OpenFile|" + expected[i] + "\n"), std::string::npos);
  }
  // Held back before the engine was bound: g_sDelayedIPC showed the latest.
  EXPECT_EQ(calls[0].fields.at("g_sDelayedIPC"), "OpenFile|" + third);
  EXPECT_EQ(calls.back().fields.at("g_sDelayedIPC"), "");
}

// A document reaches a starting game whole or not at all: the message "OpenFile|" + path
// holds at most 255 characters, and one longer is logged with its length, never cut.
TEST(Shell, DocumentMessagesAreNeverCut) {
  const struct {
    size_t pathLength;
    bool delivered;
  } cases[] = {{246, true}, {247, false}, {4096, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pathLength);
    ShellWorld launch;
    std::string path = "/";
    for (int i = 0; path.size() < c.pathLength; ++i) path += static_cast<char>('a' + i % 26);
    ProcessResult result =
        RunProcess(Args(launch, {"-psn_desktop", path, "/after"}), launch.Options());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::vector<std::string> received;
    for (const EngineCall& call : ReadEngineRecord(launch.record))
      if (call.entry == "qrnSendIPC") received.push_back(call.fields.at("message"));
    std::vector<std::string> expected = {"OpenFile|/after"};
    if (c.delivered) expected.insert(expected.begin(), "OpenFile|" + path);
    EXPECT_EQ(received, expected);
    EXPECT_EQ(launch.LogText().find("[SendIPC] not delivered: a document message of " +
                                    std::to_string(c.pathLength + 9) + " characters") !=
                  std::string::npos,
              !c.delivered);
  }
}

// A relative document whose full path does not fit would be cut into another file's name.
TEST(Shell, DocumentWhoseFullPathDoesNotFitIsNotOpened) {
  ShellWorld launch;
  const std::string name(4090, 'n');
  ProcessResult result = RunProcess(Args(launch, {"-psn_desktop", name}), launch.Options());
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Find(ReadEngineRecord(launch.record), "qrnSendIPC"), nullptr);
  EXPECT_NE(result.err.find("cannot open " + name), std::string::npos) << result.err;
}

// A path's bytes reach the engine as they are; the log, kept UTF-8, writes out the others.
TEST(Shell, DocumentBytesOfNoUtf8CharacterAreWrittenOutInTheLog) {
  ShellWorld launch;
  ProcessResult result =
      RunProcess(Args(launch, {"-psn_desktop", "/caf\xe9.sav"}), launch.Options());
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::vector<EngineCall> calls = ReadEngineRecord(launch.record);
  const EngineCall* send = Find(calls, "qrnSendIPC");
  ASSERT_NE(send, nullptr);
  EXPECT_EQ(send->fields.at("message"), "OpenFile|/caf\xe9.sav");
  EXPECT_NE(launch.LogText().find("[SendIPC] OpenFile|/caf\\xE9.sav\n"), std::string::npos)
      << launch.LogText();
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

TEST_P(QuitSignal, PostsOneQuitEventPerRequestAndEndsTheGame) {
  const SignalCase& c = GetParam();
  ShellWorld launch;
  SignalPlan plan{launch.world.Path("engine-ready"), c};
  ProcessOptions options = launch.Options();
  // The engine waits for one quit event more than are sent, so an extra event would show
  // in its count; it gives up after 3 s.
  options.env.push_back({"QRN_TEST_RUN_QUIT_EVENTS", std::to_string(c.count + 1)});
  options.env.push_back({"QRN_TEST_RUN_MS", "3000"});
  options.env.push_back({"QRN_TEST_READY_FILE", plan.readyFile});
  // The engine asks for a restart every time: a quit request must end the game anyway.
  options.env.push_back({"QRN_TEST_CLOSE_RESULTS", "1"});
  options.onStart = SendWhenReady;
  options.context = &plan;
  ProcessResult result = RunProcess(Args(launch, {}), options);
  EXPECT_EQ(result.termSignal, 0) << strsignal(result.termSignal);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  auto calls = ReadEngineRecord(launch.record);
  const EngineCall* run = Find(calls, "qrnRun");
  ASSERT_NE(run, nullptr) << result.err;
  EXPECT_EQ(run->fields.at("quit_events"), std::to_string(c.count));
  std::vector<std::string> entries = EngineEntries(calls);
  EXPECT_EQ(std::count(entries.begin(), entries.end(), "qrnCreate"), 1);  // no second run
  std::string log = launch.LogText();
  EXPECT_NE(log.find("[main] Closing\n"), std::string::npos);
  EXPECT_NE(log.find("[main] No restart: a quit was requested\n[main] Exiting\n"),
            std::string::npos)
      << log;
}

INSTANTIATE_TEST_SUITE_P(Shell, QuitSignal,
                         testing::Values(SignalCase{SIGTERM, 1}, SignalCase{SIGTERM, 2},
                                         SignalCase{SIGINT, 1}, SignalCase{SIGHUP, 1}),
                         [](const testing::TestParamInfo<SignalCase>& info) {
                           return std::string(sigabbrev_np(info.param.signal)) + "x" +
                                  std::to_string(info.param.count);
                         });

// A zenity that never answers; it writes its process id into the file whose path it returns.
std::string HangingZenity(const ShellWorld& launch) {
  std::string pidFile = launch.world.Path("dialog.pid");
  WriteFile(launch.world.BinDir() + "/zenity",
            "#!/bin/sh\necho $$ > '" + pidFile + ".tmp'\nmv '" + pidFile + ".tmp' '" + pidFile +
                "'\nexec sleep 60\n",
            0755);
  return pidFile;
}

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
  ShellWorld launch;
  // A question that never gets an answer; it tells its process id first.
  std::string pidFile = HangingZenity(launch);
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

// A display server that accepts connections and never answers: a client's SDL_Init waits
// in it for good. Listens on 127.0.0.1, port 6000 + display number.
struct SilentDisplay {
  int listener = -1;
  int display = -1;
  int client = -1;
  SilentDisplay() {
    for (int n = 50; n < 100 && display < 0; ++n) {
      int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_port = htons(static_cast<uint16_t>(6000 + n));
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
          listen(fd, 4) == 0) {
        listener = fd;
        display = n;
      } else {
        close(fd);
      }
    }
  }
  ~SilentDisplay() {
    if (client >= 0) close(client);
    if (listener >= 0) close(listener);
  }
  // Waits for a client to connect and keeps it waiting; false when none came in time.
  bool AcceptOne(int timeoutMs) {
    pollfd one{listener, POLLIN, 0};
    if (poll(&one, 1, timeoutMs) != 1) return false;
    client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    return client >= 0;
  }
};

struct StuckPlan {
  SilentDisplay* server;
  int signal;
  bool connected = false;
};

void SignalOnceConnected(int pid, void* context) {
  auto* plan = static_cast<StuckPlan*>(context);
  plan->connected = plan->server->AcceptOne(20000);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  kill(pid, plan->signal);
}

// No game runs yet while SDL waits for a display: a quit request ends the process promptly.
TEST(Shell, QuitSignalEndsALauncherStuckStartingVideo) {
  for (int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(sigabbrev_np(signal));
    SilentDisplay server;
    ASSERT_GE(server.display, 0) << "no free display port";
    ShellWorld launch;
    ProcessOptions options = launch.Options();
    options.env.push_back({"SDL_VIDEODRIVER", "x11"});
    options.env.push_back({"DISPLAY", "127.0.0.1:" + std::to_string(server.display)});
    options.timeoutSeconds = 25;
    StuckPlan plan{&server, signal};
    options.onStart = SignalOnceConnected;
    options.context = &plan;
    ProcessResult result = RunProcess(Args(launch, {}), options);
    ASSERT_TRUE(plan.connected) << result.err;
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.termSignal, signal) << result.err;
    EXPECT_EQ(Find(ReadEngineRecord(launch.record), "qrnCreate"), nullptr);
  }
}

struct EarlyPlan {
  int delayMs;
};

void TerminateAfterDelay(int pid, void* context) {
  std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<EarlyPlan*>(context)->delayMs));
  kill(pid, SIGTERM);
}

// A quit signal at any moment around the start of the first dialog: whichever dialog was
// started is closed with the launcher, and none is started after the launcher has gone.
// Timed from the process's start, so it stays out of the memory check's scenarios (a
// launcher under valgrind is still starting up then).
TEST(QuitRace, TerminateAroundADialogsStartLeavesNoDialogBehind) {
  for (int delayMs = 4; delayMs <= 20; ++delayMs) {
    SCOPED_TRACE(delayMs);
    ShellWorld launch;
    std::string pidFile = HangingZenity(launch);
    EarlyPlan plan{delayMs};
    ProcessOptions options = launch.Options();
    options.onStart = TerminateAfterDelay;
    options.context = &plan;
    ProcessResult result = RunProcess(Args(launch, {"-Uninstall"}), options);
    EXPECT_EQ(result.termSignal, SIGTERM) << result.err;
    // A dialog that survived would write its pid and sleep on.
    WaitForFile(pidFile, 0.3);
    int dialogPid = std::atoi(ReadFile(pidFile).c_str());
    for (int i = 0; dialogPid > 0 && i < 500 && ProcessAlive(dialogPid); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(dialogPid > 0 && ProcessAlive(dialogPid)) << dialogPid;
  }
}

}  // namespace
