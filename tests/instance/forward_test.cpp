// A second launch while the game runs: its documents and command line reach the running
// engine in order, on the main thread while the engine pumps events, also when the instance
// is still starting; what cannot be delivered is logged by the launch; connections of
// another user and malformed launches are refused without harm to the running game.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/instance_channel.h"
#include "tests/support/launcher_run.h"

namespace {

// The messages the running engine received, each with the thread and phase it came in.
std::vector<std::string> Received(const std::string& record) {
  std::vector<std::string> out;
  for (const EngineCall& call : ReadEngineRecord(record)) {
    if (call.entry != "qrnSendIPC") continue;
    out.push_back(call.fields.at("message"));
    EXPECT_EQ(call.fields.at("thread"), "main") << out.back();
    EXPECT_EQ(call.fields.at("in_run"), "1") << out.back();
  }
  return out;
}

// A running first instance of the test engine, pumping events for runMs.
struct RunningInstance {
  LauncherWorld lw;
  std::string record = lw.world.Path("record-a");
  std::string ready = lw.world.Path("ready-a");
  BackgroundLaunch a;
  explicit RunningInstance(const EnvList& extra = {}) {
    EnvList env = {{"QRN_TEST_RUN_MS", "6000"}, {"QRN_TEST_READY_FILE", ready}};
    env.insert(env.end(), extra.begin(), extra.end());
    a.Start(lw, {}, record, env);
  }
  bool WaitFor(const std::string& entry) {
    for (int i = 0; i < 3000; ++i) {
      for (const std::string& e : EngineEntries(ReadEngineRecord(record)))
        if (e == entry) return true;
      usleep(10000);
    }
    return false;
  }
  ProcessResult Second(const std::vector<std::string>& args, const std::string& workDir = "") {
    ProcessOptions options = lw.Options(lw.world.Path("record-b"));
    options.workDir = workDir;
    std::vector<std::string> argv = {lw.bundle.exe};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, options);
  }
};

TEST(ForwardedLaunch, DocumentsAndCommandLineReachTheRunningEngineInOrder) {
  RunningInstance running;
  ASSERT_TRUE(WaitForFile(running.ready, 30));
  std::string folder = running.lw.world.Path("saves");
  MakeDirs(folder);
  std::string exe = running.lw.bundle.exe;
  ProcessResult desktop =
      running.Second({"-psn_desktop", "/abs/one.sav", "./two.sav", "three.sav"}, folder);
  ProcessResult terminal = running.Second({"-foo", "doc.qfn"});
  running.a.Join();
  EXPECT_EQ(desktop.exitCode, 0);
  EXPECT_EQ(terminal.exitCode, 0);
  EXPECT_EQ(
      Received(running.record),
      (std::vector<std::string>{"OpenFile|/abs/one.sav", "OpenFile|" + folder + "/two.sav",
                                "OpenFile|" + folder + "/three.sav", "CommandLine|" + exe + "|",
                                "CommandLine|" + exe + "|-foo|doc.qfn|"}));
  EXPECT_EQ(EngineEntries(ReadEngineRecord(running.lw.world.Path("record-b"))),
            (std::vector<std::string>{"qrnGetAppName", "qrnGetAppName"}));
  EXPECT_EQ(running.lw.LogText().find("not delivered"), std::string::npos);
}

TEST(ForwardedLaunch, LaunchWhileTheInstanceIsStillStartingIsDelivered) {
  RunningInstance running({{"QRN_TEST_CREATE_MS", "1500"}, {"QRN_TEST_RUN_MS", "3000"}});
  ASSERT_TRUE(running.WaitFor("qrnCreate"));
  ProcessResult second = running.Second({"-psn_desktop", "/early.sav"});
  running.a.Join();
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(Received(running.record),
            (std::vector<std::string>{"OpenFile|/early.sav",
                                      "CommandLine|" + running.lw.bundle.exe + "|"}));
}

TEST(ForwardedLaunch, UndeliverableMessagesAreLoggedByTheLaunch) {
  LauncherWorld lw;
  lw.Store(1, IdentityText(getpid()));  // a live process that is not listening
  ProcessResult second = lw.Launch({"-psn_desktop", "/lost.sav"}, lw.world.Path("record"));
  EXPECT_EQ(second.exitCode, 0);
  std::string log = lw.LogText();
  EXPECT_NE(log.find("[forward] not delivered to the running instance: OpenFile|/lost.sav\n"),
            std::string::npos);
  EXPECT_NE(log.find("[forward] not delivered to the running instance: CommandLine|" +
                     lw.bundle.exe + "|\n"),
            std::string::npos);
}

// Connects to the path (as uid when it is not 0), writes bytes, closes the writing side
// and reads the answer: 'D' when the instance took the launch, 0 when it refused it.
char Exchange(const std::string& path, const std::string& bytes, uid_t uid) {
  int answer[2];
  if (pipe(answer) != 0) return '?';
  pid_t pid = fork();
  if (pid == 0) {
    if (uid != 0 && (setgid(uid) != 0 || setuid(uid) != 0)) _exit(1);
    char got = 0;
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) >= 0 && shutdown(fd, SHUT_WR) == 0 &&
        read(fd, &got, 1) != 1)
      got = 0;
    if (write(answer[1], &got, 1) != 1) _exit(1);
    _exit(0);
  }
  close(answer[1]);
  char got = '?';
  if (read(answer[0], &got, 1) != 1) got = '?';
  close(answer[0]);
  waitpid(pid, nullptr, 0);
  return got;
}

std::string Frame(const std::string& text) {
  size_t n = text.size();
  std::string header = {static_cast<char>(n >> 24), static_cast<char>(n >> 16),
                        static_cast<char>(n >> 8), static_cast<char>(n)};
  return header + text;
}

TEST(ForwardedLaunch, OtherUsersAndMalformedLaunchesAreRefused) {
  RunningInstance running;
  ASSERT_TRUE(WaitForFile(running.ready, 30));
  char path[108];
  ASSERT_TRUE(OsChannelPath(kAppName, path, sizeof path));
  ASSERT_TRUE(WaitForFile(path, 10));
  // Let another user reach the socket file, so that only the credentials check stops it.
  chmod(running.lw.world.RuntimeDir().c_str(), 0711);
  chmod(path, 0777);
  struct Case {
    const char* name;
    std::string bytes;
    uid_t uid;
  };
  const Case cases[] = {
      {"another user", Frame("OpenFile|/intruder.sav"), 65534},
      {"length past the limit", std::string("\xff\xff\xff\xff", 4) + "x", 0},
      {"empty message", Frame(""), 0},
      {"cut short", Frame("OpenFile|/cut.sav").substr(0, 10), 0},
      {"NUL inside", Frame(std::string("OpenFile|/a\0b", 13)), 0},
      {"nothing at all", "", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(Exchange(path, c.bytes, c.uid), 0) << c.name;
  EXPECT_EQ(Exchange(path, Frame("OpenFile|/fine.sav"), 0), 'D');
  chmod(running.lw.world.RuntimeDir().c_str(), 0700);
  running.a.Join();
  EXPECT_EQ(running.a.result.exitCode, 0);
  EXPECT_EQ(Received(running.record), (std::vector<std::string>{"OpenFile|/fine.sav"}));
  // Each refusal was logged by the running instance (in one or more lines).
  std::string log = running.lw.LogText();
  int dropped = 0;
  const std::string line = "[forward] dropped ";
  for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1))
    dropped += atoi(log.c_str() + at + line.size());
  EXPECT_EQ(dropped, 6) << log;
}

}  // namespace
