// The Latin-1 and UTF-8 converters: one table per direction, with the buffer sizes at which a
// text just fits or not, and the UTF-8 that no 8-bit text can come from.
#include "util/latin1.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(Latin1ToUtf8, FitsOrFailsTable) {
  struct Case {
    const char* in;
    size_t capacity;
    int result;
    const char* out;
  } cases[] = {
      {"abc", 5, 1, "abc"},  // room for a two-byte unit and the terminator before each
      {"abc", 4, 0, ""},     // the last character might need two bytes: refused
      {"\xE9t\xE9", 9, 1, "\xC3\xA9t\xC3\xA9"},
      {"\xFF", 3, 1, "\xC3\xBF"},
      {"", 1, 1, ""},
      {"", 0, 0, ""},  // no room even for the terminator
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.in) + " capacity " + std::to_string(c.capacity));
    std::vector<char> out(c.capacity + 1, '#');
    ASSERT_EQ(c.result, Latin1ToUtf8(c.in, out.data(), c.capacity));
    if (c.result) {
      EXPECT_EQ(std::string(c.out), out.data());
    }
  }
}

TEST(Utf8ToLatin1, AcceptsOnlyEightBitTextsTable) {
  struct Case {
    std::string in;
    size_t capacity;
    int result;
    const char* out;
  } cases[] = {
      {"abc", 4, 1, "abc"},
      {"abc", 3, 0, ""},  // no room for the terminator
      {"\xC3\xA9t\xC3\xA9", 4, 1, "\xE9t\xE9"},
      {"\xC2\x80", 2, 1, "\x80"},
      {"\xC4\x80", 8, 0, ""},              // U+0100 is no 8-bit character
      {"\xE2\x82\xAC", 8, 0, ""},          // nor is the euro sign
      {"\xC3", 8, 0, ""},                  // unit cut short
      {"\xC3\x41", 8, 0, ""},              // no continuation byte
      {"\xC0\xA9", 8, 0, ""},              // overlong form
      {std::string("a\0b", 3), 8, 0, ""},  // U+0000 cannot be inside a text
      {"", 1, 1, ""},
      {"", 0, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in + " capacity " + std::to_string(c.capacity));
    std::vector<char> out(c.capacity + 1, '#');
    ASSERT_EQ(c.result, Utf8ToLatin1(reinterpret_cast<const unsigned char*>(c.in.data()),
                                     c.in.size(), out.data(), c.capacity));
    if (c.result) {
      EXPECT_EQ(std::string(c.out), out.data());
    }
  }
}

}  // namespace

// The well-formed ranges at their edges: lead bytes, and the second byte's narrower ranges
// that keep out overlong forms, surrogates and values past U+10FFFF.
TEST(Utf8SequenceLength, EdgesOfTheWellFormedRangesTable) {
  const struct {
    const char* bytes;
    int length;
  } cases[] = {
      {"\x80\x80", 0},              // a continuation byte leads nothing
      {"\xC1\xBF", 0},              // overlong U+007F
      {"\xC2\x80", 2},              // U+0080
      {"\xDF\xBF", 2},              // U+07FF
      {"\xE0\x9F\xBF", 0},          // overlong U+07FF
      {"\xE0\xA0\x80", 3},          // U+0800
      {"\xED\x9F\xBF", 3},          // U+D7FF
      {"\xED\xA0\x80", 0},          // the first surrogate
      {"\xEF\xBF\xBF", 3},          // U+FFFF
      {"\xF0\x8F\xBF\xBF", 0},      // overlong U+FFFF
      {"\xF0\x90\x80\x80", 4},      // U+10000
      {"\xF4\x8F\xBF\xBF", 4},      // U+10FFFF
      {"\xF4\x90\x80\x80", 0},      // past U+10FFFF
      {"\xF5\x80\x80\x80", 0},      // no lead byte
      {"\xE2\x82", 0},              // cut short by the terminator
      {"\xF0\x90\x80\x41", 0},      // no continuation byte last
  };
  for (const auto& c : cases)
    EXPECT_EQ(Utf8SequenceLength(reinterpret_cast<const unsigned char*>(c.bytes)), c.length)
        << testing::PrintToString(std::string(c.bytes));
}
