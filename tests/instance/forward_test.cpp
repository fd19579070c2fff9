// A second launch while the game runs: its documents and command line reach the running
// engine in order, on the main thread while the engine pumps events, also when the instance
// is still starting; what cannot be delivered is logged by the launch; connections of
// another user, malformed launches and launches cut short are refused without harm to the
// running game (which launches are malformed is the wire format's test).
#include <sys/socket.h>

#include "tests/instance/lookalike.h"
#include "tests/instance/running_instance.h"

namespace {

TEST(ForwardedLaunch, DocumentsAndCommandLineReachTheRunningEngineInOrder) {
  RunningInstance running;
  ASSERT_TRUE(WaitForFile(running.ready, 30));
  std::string folder = running.lw.world.Path("saves");
  MakeDirs(folder);
  std::string exe = running.lw.bundle.exe;
  ProcessResult desktop =
      running.Second({"-psn_desktop", "/abs/one.sav", "./two.sav", "three.sav"}, folder);
  ProcessResult terminal = running.Second({"-foo", "doc.qfn"});
  running.Finish(5);
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

// A second launch finds the game in one step, however many descriptors the game holds: one
// that inherited 300 sockets before it listened still gets the launch's document.
TEST(ForwardedLaunch, GameHoldingManyDescriptorsIsFound) {
  RunningInstance running({}, false);
  std::vector<int> inherited;
  for (int i = 0; i < 150; ++i) {
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    inherited.insert(inherited.end(), {pair[0], pair[1]});
  }
  running.Start({});
  bool ready = WaitForFile(running.ready, 30);
  for (int fd : inherited) close(fd);
  ASSERT_TRUE(ready);
  ProcessResult second = running.Second({"-psn_desktop", "/many.sav"});
  running.Finish(2);
  EXPECT_EQ(second.exitCode, 0) << second.err;
  EXPECT_EQ(Received(running.record),
            (std::vector<std::string>{"OpenFile|/many.sav",
                                      "CommandLine|" + running.lw.bundle.exe + "|"}));
}

TEST(ForwardedLaunch, LaunchWhileTheInstanceIsStillStartingIsDelivered) {
  RunningInstance running(EnvList{{"QRN_TEST_CREATE_MS", "1500"}});
  ASSERT_TRUE(running.WaitFor("qrnCreate"));
  ProcessResult second = running.Second({"-psn_desktop", "/early.sav"});
  running.Finish(2);
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(Received(running.record), running.DocumentAndCommandLine("/early.sav"));
}

TEST(ForwardedLaunch, UndeliverableMessagesAreLoggedByTheLaunch) {
  LauncherWorld lw;
  Lookalike silent;
  lw.Store(1, IdentityText(silent.pid));  // a live launcher that is not listening
  ProcessResult second = lw.Launch({"-psn_desktop", "/lost.sav"}, lw.world.Path("record"));
  EXPECT_EQ(second.exitCode, kExitNotForwarded);
  std::string log = lw.LogText();
  EXPECT_NE(log.find("[forward] not delivered to the running instance: OpenFile|/lost.sav\n"),
            std::string::npos);
  EXPECT_NE(log.find("[forward] not delivered to the running instance: CommandLine|" +
                     lw.bundle.exe + "|\n"),
            std::string::npos);
}

TEST(ForwardedLaunch, OtherUsersAndMalformedLaunchesAreRefused) {
  RunningInstance running;
  ASSERT_TRUE(WaitForFile(running.ready, 30));
  std::vector<unsigned char> identity = running.Identity();
  ASSERT_EQ(identity.size(), 8u);
  struct Case {
    const char* name;
    std::string bytes;
    uid_t uid;
  };
  const std::string fine = LaunchBytes({"OpenFile|/fine.sav"});
  const Case cases[] = {
      {"another user", LaunchBytes({"OpenFile|/intruder.sav"}), 65534},
      {"length past the limit", Greeting() + std::string("\xff\xff\xff\xff", 4) + "x", 0},
      {"cut short", fine.substr(0, 10), 0},
      {"nothing at all", "", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(Exchange(identity, c.bytes, c.uid), 0) << c.name;
  EXPECT_EQ(Exchange(identity, fine, 0), kChannelOffer);
  running.Finish(1);
  EXPECT_EQ(running.a.result.exitCode, 0);
  EXPECT_EQ(Received(running.record), (std::vector<std::string>{"OpenFile|/fine.sav"}));
  // The first refusal has a line of its own; the run's summary counts them all.
  std::string log = running.LogText();
  EXPECT_NE(log.find("[forward] refused a connection of another user\n"), std::string::npos);
  EXPECT_EQ(RefusedCount(log), 4) << log;
}

}  // namespace
