// The channel's wire format: what the parser makes of a launch as it arrives piece by piece.
// The bytes come from another process, so a length past the limits is refused before its
// text has arrived.
#include <gtest/gtest.h>

#include <string>

#include "platform/channel_wire.h"
#include "tests/instance/launch_bytes.h"

namespace {

TEST(ChannelWire, ParserTellsIncompleteFromMalformed) {
  const std::string hello = Greeting();
  const std::string newer = VersionGreeting(kChannelVersion + 1);
  const std::string older = VersionGreeting(kChannelVersion - 1);
  const std::string one = hello + Frame("OpenFile|/a.sav");
  std::string many = hello;
  for (int i = 0; i < kChannelMaxMessages + 1; ++i) many += Frame("x");
  struct Case {
    const char* name;
    std::string bytes;
    ChannelParse result;
    int count;
  };
  const Case cases[] = {
      {"nothing yet", "", kLaunchIncomplete, 0},
      {"part of the greeting", hello.substr(0, 3), kLaunchIncomplete, 0},
      {"part of a header", one.substr(0, 7), kLaunchIncomplete, 0},
      {"part of a text", one.substr(0, 12), kLaunchIncomplete, 0},
      {"no end frame yet", one, kLaunchIncomplete, 1},
      {"complete", one + Frame("CommandLine|x|") + Frame(""), kLaunchComplete, 2},
      {"a newer version", newer + Frame("OpenFile|/a.sav") + Frame(""), kLaunchNewerVersion, 0},
      {"no greeting", Frame("OpenFile|/a.sav") + Frame(""), kLaunchMalformed, 0},
      {"an older version", older + Frame("OpenFile|/a.sav") + Frame(""), kLaunchOlderVersion, 0},
      {"an older version's greeting alone", older, kLaunchOlderVersion, 0},
      {"end frame alone", hello + Frame(""), kLaunchMalformed, 0},
      {"length past the limit, text not sent", hello + std::string("\0\0\x10\0", 4),
       kLaunchMalformed, 0},
      {"one message too many", many, kLaunchMalformed, kChannelMaxMessages},
      {"bytes after the end", one + Frame("") + "C", kLaunchMalformed, 1},
      {"NUL in a text", hello + Frame(std::string("a\0b", 3)), kLaunchMalformed, 0},
  };
  for (const Case& c : cases) {
    char texts[kChannelMaxLaunchBytes];
    int count = -1;
    EXPECT_EQ(ChannelParseLaunch(reinterpret_cast<const unsigned char*>(c.bytes.data()),
                                 c.bytes.size(), texts, sizeof texts, &count),
              c.result)
        << c.name;
    EXPECT_EQ(count, c.count) << c.name;
  }
}

}  // namespace
