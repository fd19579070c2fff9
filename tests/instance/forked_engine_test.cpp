// A game that forks without exec: the child holds nothing of the launcher's (the next launch
// plays while the child still lives) and its exit touches nothing of the launcher's (no log
// line comes from it).
#include <cstdlib>

#include "tests/instance/running_instance.h"

namespace {

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// Alive: its stat exists and names no zombie or dead process.
bool Alive(long pid) {
  std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  size_t close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z' &&
         stat[close + 2] != 'X';
}

TEST(ForkedEngine, ChildHoldsAndTouchesNothingOfTheLaunchers) {
  LauncherWorld lw;
  const std::string pidFile = lw.world.Path("child-pid");
  ProcessResult first = lw.Launch({}, lw.world.Path("record-a"),
                                  {{"QRN_TEST_FORK_CHILD_MS", "3000"},
                                   {"QRN_TEST_FORK_PID_FILE", pidFile}});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  const long child = atol(ReadFile(pidFile).c_str());
  ASSERT_GT(child, 0);
  ASSERT_TRUE(Alive(child)) << "the child ended before the next launch";

  const std::string recordB = lw.world.Path("record-b");
  ProcessResult second = lw.Launch({}, recordB);
  EXPECT_EQ(second.exitCode, 0) << lw.LogText();
  EXPECT_EQ(Count(ReadFile(recordB), "qrnRun"), 1u);

  for (int i = 0; i < 1000 && Alive(child); ++i) usleep(10000);
  ASSERT_FALSE(Alive(child));
  const std::string log = lw.LogText();
  EXPECT_EQ(log.find("The game ended the process"), std::string::npos) << log;
  EXPECT_EQ(Count(log, "EXE LOG closed"), 2u) << log;
}

}  // namespace
