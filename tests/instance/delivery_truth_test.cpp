// What a launch learns about its documents: it reports delivery only when the running engine
// has every message, says "not confirmed" when the game ended in between, and exits non-zero
// whenever its hand-over failed; documents past what one launch holds are logged, never lost.
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

// 70 documents, to a game starting up with them and to a running one: the first 64 arrive,
// the other six are logged; nothing vanishes.
TEST(DeliveryTruth, DocumentsPastWhatALaunchHoldsAreLogged) {
  LauncherWorld starting;
  std::string startingRecord = starting.world.Path("record");
  ProcessResult first = starting.Launch(Documents(70), startingRecord);
  RunningInstance running;
  ASSERT_TRUE(WaitForFile(running.ready, 30));
  ProcessResult second = running.Second(Documents(70));
  running.Finish(65);
  const struct {
    const char* game;
    const LauncherWorld& world;
    std::string record;
    size_t received;
    const char* line;
  } cases[] = {
      {"starting", starting, startingRecord, 64,
       "[SendIPC] not delivered: 6 message(s) past the first 64 of this launch\n"},
      {"running", running.lw, running.record, 65,
       "[forward] not delivered to the running instance: 6 message(s) past the first 64 of this "
       "launch\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> received;
    for (const EngineCall& call : ReadEngineRecord(c.record))
      if (call.entry == "qrnSendIPC") received.push_back(call.fields.at("message"));
    ASSERT_EQ(received.size(), c.received) << c.game;
    EXPECT_EQ(received[63], "OpenFile|/docs/63.sav") << c.game;
    EXPECT_NE(c.world.LogText().find(c.line), std::string::npos) << c.game;
  }
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_EQ(second.exitCode, kExitNotForwarded);
}

}  // namespace
