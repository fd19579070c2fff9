// What a launch learns about its documents: it reports delivery only when the running engine
// has every message, says "not confirmed" when the game ended in between, and exits non-zero
// whenever its hand-over failed; every document arrives whole, or is logged as not delivered.
#include "tests/instance/running_instance.h"

namespace {

std::vector<std::string> Documents(int count) {
  std::vector<std::string> args = {"-psn_desktop"};
  for (int i = 0; i < count; ++i) args.push_back("/docs/" + std::to_string(i) + ".sav");
  return args;
}

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// The game ends its process after the first of 21 documents: however it ends, the launch
// that sent them is not told they were delivered.
TEST(DeliveryTruth, GameEndingMidLaunchLeavesItUnconfirmed) {
  const struct {
    const char* how;
    const char* signal;
  } cases[] = {{"exits", "0"}, {"is killed", "9"}};
  for (const auto& c : cases) {
    RunningInstance running({{"QRN_TEST_END_AFTER_SENDS", "1"}, {"QRN_TEST_END_SIGNAL", c.signal}});
    ASSERT_TRUE(WaitForFile(running.ready, 30)) << c.how;
    ProcessResult second = running.Second(Documents(21));
    running.a.Join();
    EXPECT_EQ(second.exitCode, kExitNotForwarded) << c.how;
    EXPECT_EQ(Received(running.record).size(), 1u) << c.how;
    std::string log = running.LogText();
    EXPECT_EQ(Occurrences(log, "[forward] not confirmed by the running instance: "), 22u) << c.how;
    EXPECT_EQ(log.find("not delivered"), std::string::npos) << c.how;
  }
}

// The game ends while a launch waits for it to take the launch's documents: the launch plays
// itself with them, and logs no failure that did not happen.
TEST(DeliveryTruth, LaunchRacingTheGamesEndPlaysItself) {
  RunningInstance running;
  ASSERT_TRUE(WaitForFile(running.ready, 30));
  const long game = running.Pid();
  ASSERT_EQ(kill(static_cast<pid_t>(game), SIGSTOP), 0);  // it takes nothing meanwhile
  const std::string record = running.lw.world.Path("record-b");
  BackgroundLaunch second;
  second.Start(running.lw, Documents(3), record, {{"QRN_TEST_RUN_MS", "0"}});
  // The second launch has started its log, and so found the game running a moment later.
  for (int i = 0; i < 3000 && Occurrences(running.LogText(), "Quarn Initialized") < 2; ++i)
    usleep(10000);
  kill(static_cast<pid_t>(game), SIGKILL);
  second.Join();
  running.a.Join();
  EXPECT_EQ(second.result.exitCode, 0) << second.result.err;
  std::vector<std::string> received;
  for (const EngineCall& call : ReadEngineRecord(record))
    if (call.entry == "qrnSendIPC") received.push_back(call.fields.at("message"));
  EXPECT_EQ(received, (std::vector<std::string>{"OpenFile|/docs/0.sav", "OpenFile|/docs/1.sav",
                                                "OpenFile|/docs/2.sav"}));
  EXPECT_EQ(running.LogText().find("not delivered"), std::string::npos) << running.LogText();
  EXPECT_EQ(running.LogText().find("did not offer"), std::string::npos) << running.LogText();
}

// 70 documents, to a game starting up with them and to a running one: every one arrives, in
// order, the running game's in as many hand-overs as they take.
TEST(DeliveryTruth, EveryDocumentOfALaunchArrives) {
  LauncherWorld starting;
  std::string startingRecord = starting.world.Path("record");
  ProcessResult first = starting.Launch(Documents(70), startingRecord);
  RunningInstance running;
  ASSERT_TRUE(WaitForFile(running.ready, 30));
  ProcessResult second = running.Second(Documents(70));
  running.Finish(71);
  const struct {
    const char* game;
    std::string record;
    size_t received;
  } cases[] = {{"starting", startingRecord, 70}, {"running", running.record, 71}};
  for (const auto& c : cases) {
    std::vector<std::string> received;
    for (const EngineCall& call : ReadEngineRecord(c.record))
      if (call.entry == "qrnSendIPC") received.push_back(call.fields.at("message"));
    ASSERT_EQ(received.size(), c.received) << c.game;
    for (int i = 0; i < 70; ++i)
      EXPECT_EQ(received[i], "OpenFile|/docs/" + std::to_string(i) + ".sav") << c.game;
  }
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_EQ(second.exitCode, 0) << running.LogText();
}

// A message the engine would get cut is never sent: the launch logs it with its length and
// exits 4, while the rest of the launch arrives.
TEST(DeliveryTruth, MessagesTooLongForTheEngineAreNeverCut) {
  const std::string longArgument(4100, 'x');
  const struct {
    const char* name;
    std::vector<std::string> args;
    size_t received;  // documents and command line that arrive
    std::string line;
  } cases[] = {
      {"255-character path", {"-psn_desktop", "/" + std::string(254, 'p')}, 1,
       "a document message of 264 characters"},
      {"4096-character path", {"-psn_desktop", "/" + std::string(4095, 'p'), "/docs/b.sav"}, 2,
       "a document message of 4105 characters"},
      {"command line over 4095 characters", {longArgument}, 0, "the command line of "},
  };
  RunningInstance running(EnvList{{"QRN_TEST_RUN_MS", "20000"}});
  ASSERT_TRUE(WaitForFile(running.ready, 30));
  size_t total = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ProcessResult second = running.Second(c.args);
    EXPECT_EQ(second.exitCode, kExitNotForwarded);
    // Said on standard error too, as a full disk would leave no log line.
    EXPECT_NE(second.err.find("Test Game: not every document and command line reached the "
                              "running game: a "),
              std::string::npos)
        << second.err;
    EXPECT_NE(running.LogText().find("[forward] not delivered to the running instance: " + c.line),
              std::string::npos);
    total += c.received;
  }
  running.Finish(total);
  std::vector<std::string> received = Received(running.record);
  EXPECT_EQ(received.size(), total);
  for (const std::string& message : received) EXPECT_LE(message.size(), 255u) << message;
}

}  // namespace
