// Forwarding under faults: an instance that cannot accept for a moment, does not accept at
// all, is still starting SDL or creating its engine; idle and flooding peers; messages the
// engine header does not allow; SDL pumping events from inside its own functions. Nothing hangs,
// nothing is delivered twice or from inside SDL, and the log stays bounded and one line per line.
#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <memory>

#include "tests/instance/running_instance.h"

namespace {

const std::string kNotDelivered = "[forward] not delivered to the running instance: ";

// The lowest file descriptor number the process has free: with this as its limit, its next
// open or accept fails.
int LowestFreeDescriptor(long pid) {
  DIR* dir = opendir(("/proc/" + std::to_string(pid) + "/fd").c_str());
  if (!dir) return -1;
  std::vector<int> used;
  while (dirent* entry = readdir(dir))
    if (entry->d_name[0] != '.') used.push_back(atoi(entry->d_name));
  closedir(dir);
  int lowest = 0;
  while (std::find(used.begin(), used.end(), lowest) != used.end()) ++lowest;
  return lowest;
}

bool WaitForLogText(const RunningInstance& running, const std::string& text) {
  for (int i = 0; i < 1000; ++i) {
    if (running.LogText().find(text) != std::string::npos) return true;
    usleep(10000);
  }
  return false;
}

// With no descriptor free, a connection that waits is logged and taken once one is free; an
// empty backlog is no failure at all.
TEST(ForwardingFaults, AcceptWithoutAFreeDescriptor) {
  for (bool waiting : {true, false}) {
    SCOPED_TRACE(waiting ? "a connection waits" : "nobody connects");
    RunningInstance running(EnvList{{"QRN_TEST_RUN_MS", "8000"}});
    ASSERT_TRUE(WaitForFile(running.ready, 30));
    long pid = running.Pid();
    std::vector<unsigned char> identity = running.Identity();
    rlimit old;
    ASSERT_EQ(prlimit(pid, RLIMIT_NOFILE, nullptr, &old), 0);
    // A descriptor the game holds for a moment (SDL's own) may be free again once the limit is
    // set: set it until none below it is free.
    rlimit full = {0, old.rlim_max};
    for (int i = 0; i < 100 && static_cast<rlim_t>(LowestFreeDescriptor(pid)) != full.rlim_cur;
         ++i) {
      full.rlim_cur = static_cast<rlim_t>(LowestFreeDescriptor(pid));
      ASSERT_EQ(prlimit(pid, RLIMIT_NOFILE, &full, nullptr), 0);
    }
    std::unique_ptr<RawPeer> early;
    bool failed;
    if (waiting) {
      early = std::make_unique<RawPeer>(identity);
      ASSERT_TRUE(early->Send(LaunchBytes({"OpenFile|/early.sav"})));
      failed = WaitForLogText(running, "[forward] cannot accept a connection (");
    } else {
      usleep(300000);  // the engine pumps events all the while
      failed = running.LogText().find("cannot accept") != std::string::npos;
    }
    ASSERT_EQ(prlimit(pid, RLIMIT_NOFILE, &old, nullptr), 0);
    EXPECT_EQ(failed, waiting);
    std::vector<std::string> expected;
    if (waiting) {
      EXPECT_EQ(early->Answer(), kChannelOffer);
      EXPECT_TRUE(early->Confirm());
      expected.push_back("OpenFile|/early.sav");
    }
    ProcessResult later = running.Second({"-psn_desktop", "/later.sav"});
    running.Finish(expected.size() + 2);
    EXPECT_EQ(later.exitCode, 0);
    expected.insert(expected.end(),
                    {"OpenFile|/later.sav", "CommandLine|" + running.lw.bundle.exe + "|"});
    EXPECT_EQ(Received(running.record), expected);
    EXPECT_EQ(RefusedCount(running.LogText()) > 0, waiting);
  }
}

// Another user binds, from before the game's first run to after its restart, every name
// anyone could compute from the game's pid and start time: forwarding still works.
TEST(ForwardingFaults, NamesAnotherUserComputesTakeNothing) {
  RunningInstance running({{"QRN_TEST_RUN_MS", "1500"}, {"QRN_TEST_CLOSE_RESULTS", "1,0"}});
  std::vector<unsigned char> identity = running.Identity();
  ASSERT_EQ(identity.size(), 8u);
  char hex[17];
  ASSERT_TRUE(BytesToHex(identity.data(), 8, hex, sizeof hex));
  const std::string guesses[] = {
      std::string("quillfen-instance-") + hex + "-0",
      std::string("quillfen-instance-") + hex + "-1",
      std::string("quillfen-instance-") + hex + "-2",
      std::string("quillfen-instance-") + hex + "-3",
      std::string("quillfen-channel-") + hex,
      std::string("quillfen-") + hex,
  };
  constexpr int kGuesses = sizeof guesses / sizeof guesses[0];
  sockaddr_un addresses[kGuesses];
  socklen_t sizes[kGuesses];
  for (int i = 0; i < kGuesses; ++i) {
    addresses[i] = {};
    addresses[i].sun_family = AF_UNIX;
    memcpy(addresses[i].sun_path + 1, guesses[i].data(), guesses[i].size());
    sizes[i] = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + guesses[i].size());
  }
  pid_t squatter = fork();
  if (squatter == 0) {  // system calls only, as a child of a multithreaded process must
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(1);
    int held[kGuesses] = {};
    for (;;) {
      for (int i = 0; i < kGuesses; ++i) {
        if (held[i]) continue;
        int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        if (bind(fd, reinterpret_cast<sockaddr*>(&addresses[i]), sizes[i]) == 0 &&
            listen(fd, 4) == 0)
          held[i] = 1;
        else
          close(fd);
      }
      usleep(500);
    }
  }
  ASSERT_GT(squatter, 0);
  for (int i = 0; i < 3000 && Count(running.record, "qrnCreate") < 2; ++i) usleep(10000);
  ASSERT_EQ(Count(running.record, "qrnCreate"), 2);
  ProcessResult second = running.Second({"-psn_desktop", "/restarted.sav"});
  kill(squatter, SIGKILL);
  waitpid(squatter, nullptr, 0);
  running.Finish(2);
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(Received(running.record), running.DocumentAndCommandLine("/restarted.sav"));
  EXPECT_EQ(running.LogText().find("cannot listen"), std::string::npos);
}

TEST(ForwardingFaults, LaunchEndsWithinItsBoundWhenTheGameDoesNotAccept) {
  RunningInstance running;
  ASSERT_TRUE(WaitForFile(running.ready, 30));
  std::vector<unsigned char> identity = running.Identity();
  long pid = running.Pid();
  ASSERT_EQ(kill(pid, SIGSTOP), 0);
  // Connections the stopped game never accepts, until its backlog is full.
  std::vector<std::unique_ptr<RawPeer>> waiting;
  for (int i = 0; i < 1000; ++i) {
    waiting.push_back(std::make_unique<RawPeer>(identity, true));
    if (!waiting.back()->Connected()) break;
  }
  EXPECT_FALSE(waiting.back()->Connected());
  ProcessResult second = running.Second({"-psn_desktop", "/stuck.sav"});
  kill(pid, SIGCONT);
  waiting.clear();
  running.Finish(0);
  EXPECT_FALSE(second.timedOut);
  EXPECT_EQ(second.exitCode, kExitNotForwarded);
  std::string log = running.LogText();
  EXPECT_NE(log.find("[forward] the running instance did not accept the connection in time\n"),
            std::string::npos);
  EXPECT_NE(log.find(kNotDelivered + "OpenFile|/stuck.sav\n"), std::string::npos);
  EXPECT_EQ(Received(running.record), std::vector<std::string>{});
}

TEST(ForwardingFaults, DocumentOpenedWhileSdlStartsSlowlyIsDelivered) {
  std::string preload = QFN_SLOW_SDL_INIT;
  const char* asan = getenv("ASAN_OPTIONS");  // a preloaded library comes before ASan's
  EnvList slow = {{"LD_PRELOAD", preload},
                  {"QFN_TEST_SDL_INIT_DELAY_MS", "3000"},
                  {"ASAN_OPTIONS", std::string(asan ? asan : "") + ":verify_asan_link_order=0"}};
  RunningInstance running(slow);
  ASSERT_TRUE(running.WaitFor("qrnGetAppName"));
  ASSERT_TRUE(WaitForLogText(running, "[main] SdlMainInit\n"));
  ProcessResult second = running.Second({"-psn_desktop", "/while-starting.sav"});
  running.Finish(2);
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(running.LogText().find("not delivered"), std::string::npos);
  EXPECT_EQ(Received(running.record), running.DocumentAndCommandLine("/while-starting.sav"));
}

// The engine is created for longer than a second launch waits. Whichever side of its
// deadline the launch falls, the document is either delivered or logged as not delivered.
TEST(ForwardingFaults, LaunchTheSenderGaveUpOnIsNeverDelivered) {
  RunningInstance running({{"QRN_TEST_CREATE_MS", "12000"}, {"QRN_TEST_RUN_MS", "1500"}});
  ASSERT_TRUE(running.WaitFor("qrnCreate"));
  ProcessResult second = running.Second({"-psn_desktop", "/too-late.sav"});
  running.a.Join();
  bool logged =
      running.LogText().find(kNotDelivered + "OpenFile|/too-late.sav\n") != std::string::npos;
  std::vector<std::string> received = Received(running.record);
  EXPECT_TRUE(logged);  // the launch started well within the engine's creation
  EXPECT_EQ(received.empty(), logged);
  EXPECT_EQ(second.exitCode, logged ? kExitNotForwarded : 0);
}

TEST(ForwardingFaults, IdleConnectionsDoNotDelayALaunch) {
  RunningInstance running;
  ASSERT_TRUE(WaitForFile(running.ready, 30));
  std::vector<unsigned char> identity = running.Identity();
  std::vector<std::unique_ptr<RawPeer>> idle;
  for (int i = 0; i < 12; ++i) idle.push_back(std::make_unique<RawPeer>(identity));
  ProcessResult second = running.Second({"-psn_desktop", "/past-idle.sav"});
  idle.clear();
  running.Finish(2);
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(Received(running.record), running.DocumentAndCommandLine("/past-idle.sav"));
}

// Three launches of 60 documents each arrive while the engine is still being created; the
// engine then takes a millisecond per message.
TEST(ForwardingFaults, FloodIsDeliveredInBoundedStepsAndLoggedBoundedly) {
  RunningInstance running({{"QRN_TEST_CREATE_MS", "2000"}, {"QRN_TEST_SENDIPC_MS", "1"}});
  ASSERT_TRUE(running.WaitFor("qrnCreate"));
  std::vector<std::thread> launches;
  std::vector<ProcessResult> results(3);
  for (int l = 0; l < 3; ++l) {
    launches.emplace_back([&, l] {
      std::vector<std::string> args = {"-psn_desktop"};
      for (int d = 0; d < 60; ++d)
        args.push_back("/flood/" + std::to_string(l) + "-" + std::to_string(d));
      results[l] = running.Second(args);
    });
  }
  for (std::thread& t : launches) t.join();
  running.Finish(3 * 61);
  for (const ProcessResult& r : results) EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(Received(running.record).size(), 3u * 61u);
  std::vector<EngineCall> calls = ReadEngineRecord(running.record);
  auto run = std::find_if(calls.begin(), calls.end(),
                          [](const EngineCall& c) { return c.entry == "qrnRun"; });
  ASSERT_NE(run, calls.end());
  int perPoll = atoi(run->fields.at("max_sends_per_poll").c_str());
  EXPECT_GE(perPoll, 1);
  EXPECT_LE(perPoll, 8);
  std::string log = running.LogText();
  size_t lines = 0;
  for (size_t at = log.find("[SendIPC] "); at != std::string::npos;
       at = log.find("[SendIPC] ", at + 1))
    ++lines;
  EXPECT_EQ(lines, 64u);
  EXPECT_NE(log.find("[forward] " + std::to_string(3 * 61 - 64) +
                     " forwarded message(s) delivered without a log line\n"),
            std::string::npos);
}

TEST(ForwardingFaults, MessagesTheEngineHeaderDoesNotAllowAreRefused) {
  RunningInstance running;
  ASSERT_TRUE(WaitForFile(running.ready, 30));
  std::vector<unsigned char> identity = running.Identity();
  struct Case {
    std::string message;
    bool taken;
  };
  const Case cases[] = {
      {"OpenFile|/" + std::string(245, 'a'), true},   // 255 characters
      {"OpenFile|/" + std::string(246, 'a'), false},  // one too many
      {"OpenFile|/" + std::string(3990, 'a'), false},
      {"CommandLine|" + std::string(4083, 'b'), true},  // 4095 characters
      {"Hello|world", false},
      {"openfile|/lower.sav", false},
      {"OpenFile|/two\n[main] SdlMainInit FAILED", true},
  };
  std::vector<std::string> expected;
  for (const Case& c : cases) {
    EXPECT_EQ(Exchange(identity, LaunchBytes({c.message}), 0), c.taken ? kChannelOffer : 0)
        << c.message.substr(0, 40);
    if (c.taken) expected.push_back(c.message);
  }
  running.Finish(expected.size());
  expected.back() = "OpenFile|/two\\n[main] SdlMainInit FAILED";  // as the engine recorded it
  EXPECT_EQ(Received(running.record), expected);
  std::string log = running.LogText();
  EXPECT_EQ(log.find("\n[main] SdlMainInit FAILED"), std::string::npos);
  EXPECT_NE(log.find("[SendIPC] OpenFile|/two\\n[main] SdlMainInit FAILED\n"), std::string::npos);
  EXPECT_NE(log.find("[forward] refused a launch holding a message the engine does not take\n"),
            std::string::npos);
  EXPECT_EQ(RefusedCount(log), 4);
}

TEST(ForwardingFaults, NothingIsDeliveredFromInsideSdl) {
  RunningInstance game({}, false);
  std::string gate = game.lw.world.Path("gate");
  game.Start({{"QRN_TEST_SDL_PUMPS_UNTIL", gate}, {"QRN_TEST_RUN_MS", "1500"}});
  ASSERT_TRUE(WaitForFile(game.ready, 30));
  RawPeer peer(game.Identity());
  ASSERT_TRUE(peer.Send(LaunchBytes({"OpenFile|/inside.sav"})));
  WriteFile(gate, "");  // the launch is waiting; the engine now pumps through SDL a while more
  EXPECT_EQ(peer.Answer(), kChannelOffer);
  EXPECT_TRUE(peer.Confirm());
  game.a.Join();
  EXPECT_EQ(Received(game.record), std::vector<std::string>{"OpenFile|/inside.sav"});
}

}  // namespace
