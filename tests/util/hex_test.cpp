// BytesToHex and HexToBytes: exact output, the capacity limit, and what stays written when a
// conversion fails. Outputs sit in guarded buffers so that a write past the capacity shows.
#include "util/hex.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const unsigned char kGuard = 0xA5;

TEST(BytesToHex, CapacityDecidesTable) {
  const unsigned char bytes[] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
  struct Case {
    int count;
    int capacity;
    int result;
    const char* written;  // digits expected in front of the capacity limit
  } cases[] = {
      {8, 256, 1, "0123456789ABCDEF"},
      {8, 17, 1, "0123456789ABCDEF"},
      {8, 16, 0, "0123456789ABCD"},  // 7 pairs fit, no terminator
      {8, 3, 0, "01"},
      {8, 2, 0, ""},
      {1, 3, 1, "01"},
      {0, 1, 1, ""},
      {0, 0, 0, ""},  // no room even for the terminator: nothing written
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("count " + std::to_string(c.count) + " capacity " + std::to_string(c.capacity));
    std::vector<char> out(c.capacity + 8, static_cast<char>(kGuard));
    EXPECT_EQ(c.result, BytesToHex(bytes, c.count, out.data(), c.capacity));
    size_t digits = strlen(c.written);
    EXPECT_EQ(std::string(c.written), std::string(out.data(), digits));
    if (c.result == 1) {
      EXPECT_EQ('\0', out[digits]);
      digits++;
    }
    for (size_t i = digits; i < out.size(); i++) {
      ASSERT_EQ(static_cast<char>(kGuard), out[i]) << "byte " << i << " touched";
    }
  }
}

TEST(BytesToHex, AlwaysUpperCase) {
  const unsigned char bytes[] = {0x0A, 0xFF};
  char out[8];
  ASSERT_EQ(1, BytesToHex(bytes, 2, out, sizeof out));
  EXPECT_STREQ("0AFF", out);
}

struct HexCase {
  const char* text;
  int length;
  int capacity;
  int result;
  std::vector<unsigned char> written;  // bytes expected at the start of the output
};

TEST(HexToBytes, ConversionTable) {
  const HexCase cases[] = {
      {"0123456789abcdef", 16, 8, 8, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}},
      {"abc", -1, 8, 2, {0x0A, 0xBC}},
      {"0x1F", -1, 8, 1, {0x1F}},
      {"0X1f", -1, 8, 1, {0x1F}},
      {"0x1FL", -1, 8, 1, {0x1F}},
      {"1Fl", -1, 8, 1, {0x1F}},
      {"0x1", -1, 8, 1, {0x01}},
      {"0x", -1, 8, 0, {}},
      {"0xL", -1, 8, 0, {}},
      {"L", -1, 8, 0, {}},
      {"", -1, 8, 0, {}},
      {"", 0, 8, 0, {}},
      {"1234", -1, 1, 0, {}},      // does not fit: nothing written
      {"12G4", -1, 2, 0, {0x12}},  // bad digit: earlier bytes stay
      {"1G", -1, 2, 0, {}},        // the bad digit's byte is not written
      {"12 4", -1, 2, 0, {0x12}},
      {"-1", -1, 2, 0, {}},
      {"1LL", -1, 2, 0, {}},        // only one suffix is dropped
      {"12", 1, 2, 1, {0x01}},      // the given length wins over the terminator
      {"1\0002", 3, 2, 0, {0x01}},  // a terminator inside the length is a bad digit
      {"\xC1"
       "1",
       -1,
       2,
       0,
       {}},  // characters above 127 are no digits
      {"ffff", -1, 2, 2, {0xFF, 0xFF}},
      {"fffff", -1, 2, 0, {}},
  };
  for (const HexCase& c : cases) {
    SCOPED_TRACE(std::string("text '") + c.text + "' length " + std::to_string(c.length));
    std::vector<unsigned char> out(c.capacity + 8, kGuard);
    EXPECT_EQ(c.result, HexToBytes(c.text, out.data(), c.capacity, c.length));
    for (size_t i = 0; i < out.size(); i++) {
      unsigned char expected = i < c.written.size() ? c.written[i] : kGuard;
      ASSERT_EQ(expected, out[i]) << "byte " << i;
    }
  }
}

TEST(HexToBytes, RoundTripsEveryByteValue) {
  unsigned char bytes[256];
  for (int i = 0; i < 256; i++) bytes[i] = static_cast<unsigned char>(i);
  char text[513];
  ASSERT_EQ(1, BytesToHex(bytes, 256, text, sizeof text));
  unsigned char back[256] = {};
  ASSERT_EQ(256, HexToBytes(text, back, sizeof back, -1));
  EXPECT_EQ(0, memcmp(bytes, back, sizeof bytes));
}

}  // namespace
