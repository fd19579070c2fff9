// The Linux layer's /proc/<pid>/stat parsing on made-up lines: command names that hold
// spaces and ')', and every way a line can be cut or malformed.
#include <gtest/gtest.h>

#include <string>

#include "platform/linux/proc_stat.h"

namespace {

// A stat line with the given command name and state; field 22 is 987654321.
std::string StatLine(const std::string& comm, char state) {
  std::string line = "4242 (" + comm + ") ";
  line += state;
  // Fields 4 to 21 (18 fields), then 22 and a few after it.
  for (int field = 4; field <= 21; ++field) line += " " + std::to_string(field * 10);
  line += " 987654321 1234 5678\n";
  return line;
}

TEST(ParseProcStat, FindsStateAndStartTime) {
  struct Case {
    std::string comm;
    char state;
  };
  const Case cases[] = {
      {"quarn", 'S'}, {"a b c", 'R'}, {"x) S 1 2 3 4", 'S'},      {")", 'Z'},
      {"((", 'D'},    {"", 'S'},      {"1 2 3 4 5 6 7 8 9", 'X'},
  };
  for (const Case& c : cases) {
    std::string line = StatLine(c.comm, c.state);
    char state = 0;
    unsigned long long ticks = 0;
    ASSERT_EQ(ParseProcStat(line.c_str(), &state, &ticks), 1) << line;
    EXPECT_EQ(state, c.state) << line;
    EXPECT_EQ(ticks, 987654321ull) << line;
  }
}

TEST(ParseProcStat, RejectsMalformedLines) {
  std::string full = StatLine("game", 'S');
  const std::string cases[] = {
      "",
      "4242 quarn S 1 2",                       // no parentheses
      "4242 (quarn)S 1 2",                      // no space after ')'
      full.substr(0, full.find(" 987654321")),  // ends before field 22
      full.substr(0, full.find(" 987654321") + 1),
      "4242 (q) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 x 20",  // field 22 not a number
      "4242 (q) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 -5 20",
      "4242 (q) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 99999999999999999999999 2",
  };
  for (const std::string& line : cases) {
    char state = 0;
    unsigned long long ticks = 0;
    EXPECT_EQ(ParseProcStat(line.c_str(), &state, &ticks), 0) << line;
  }
}

}  // namespace
