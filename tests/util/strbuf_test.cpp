// Bounded copies: each operation cuts at capacity - 1 characters, always terminates when the
// capacity is at least 1, never writes past it, and reports whether the whole text fit.
#include "util/strbuf.h"

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

namespace {

const char kGuard = '#';

enum Op { kCopy, kAppend, kAppendChar, kFormat, kAppendf };

struct StrCase {
  Op op;
  const char* before;  // buffer contents before the call (cut to the capacity)
  const char* arg;
  size_t capacity;
  int result;
  const char* after;  // expected text; nullptr when nothing may be written
};

int Apply(Op op, char* dst, size_t capacity, const char* arg) {
  switch (op) {
    case kCopy:
      return StrCopy(dst, capacity, arg);
    case kAppend:
      return StrAppend(dst, capacity, arg);
    case kAppendChar:
      return StrAppendChar(dst, capacity, arg[0]);
    case kFormat:
      return StrFormatf(dst, capacity, "<%s>", arg);
    case kAppendf:
      return StrAppendf(dst, capacity, "<%s>", arg);
  }
  return -1;
}

TEST(StrBuf, Table) {
  const StrCase cases[] = {
      {kCopy, "", "hello", 6, 1, "hello"},   {kCopy, "", "hello", 5, 0, "hell"},
      {kCopy, "xyz", "", 4, 1, ""},          {kCopy, "", "hello", 1, 0, ""},
      {kCopy, "", "hello", 0, 0, nullptr},   {kCopy, "", nullptr, 4, 1, ""},
      {kAppend, "ab", "cd", 5, 1, "abcd"},   {kAppend, "ab", "cd", 4, 0, "abc"},
      {kAppend, "abc", "d", 4, 0, "abc"},    {kAppend, "ab", nullptr, 4, 1, "ab"},
      {kAppend, "", "x", 1, 0, ""},          {kAppend, "", "x", 0, 0, nullptr},
      {kAppendChar, "ab", "c", 4, 1, "abc"}, {kAppendChar, "abc", "d", 4, 0, "abc"},
      {kFormat, "old", "x", 4, 1, "<x>"},    {kFormat, "old", "xy", 4, 0, "<xy"},
      {kFormat, "", "x", 1, 0, ""},          {kFormat, "", "x", 0, 0, nullptr},
      {kAppendf, "a", "b", 5, 1, "a<b>"},    {kAppendf, "a", "bc", 5, 0, "a<bc"},
      {kAppendf, "abcd", "b", 5, 0, "abcd"}, {kAppendf, "", "x", 0, 0, nullptr},
  };
  for (const StrCase& c : cases) {
    SCOPED_TRACE("op " + std::to_string(c.op) + " before '" + c.before + "' capacity " +
                 std::to_string(c.capacity));
    std::vector<char> buf(c.capacity + 4, kGuard);
    std::string before(c.before);
    if (c.capacity > 0) {
      before = before.substr(0, c.capacity - 1);
      std::copy(before.begin(), before.end(), buf.begin());
      buf[before.size()] = '\0';
    }
    EXPECT_EQ(c.result, Apply(c.op, buf.data(), c.capacity, c.arg));
    if (c.after == nullptr) {
      for (char ch : buf) EXPECT_EQ(kGuard, ch);
      continue;
    }
    EXPECT_STREQ(c.after, buf.data());
    for (size_t i = c.capacity; i < buf.size(); i++) EXPECT_EQ(kGuard, buf[i]) << "byte " << i;
  }
}

TEST(StrBuf, UnterminatedBufferIsTerminatedNotOverrun) {
  char buf[6];
  for (char& ch : buf) ch = 'z';
  EXPECT_EQ(0, StrAppend(buf, 4, "abc"));
  EXPECT_EQ(std::string("zzz"), buf);
  EXPECT_EQ('z', buf[4]);
  for (char& ch : buf) ch = 'z';
  EXPECT_EQ(0, StrAppendf(buf, 4, "%d", 1));
  EXPECT_EQ(std::string("zzz"), buf);
}

TEST(StrBuf, ArrayFormsUseTheArraySize) {
  char buf[4];
  EXPECT_EQ(0, StrCopy(buf, "abcdef"));
  EXPECT_STREQ("abc", buf);
  EXPECT_EQ(1, StrCopy(buf, "ab"));
  EXPECT_EQ(0, StrAppend(buf, "cd"));
  EXPECT_STREQ("abc", buf);
}

TEST(StrBuf, EscapedCopyWritesControlCharactersOut) {
  struct Case {
    const char* src;
    size_t capacity;
    int result;
    const char* after;
  };
  const Case cases[] = {
      {"plain /path", 32, 1, "plain /path"},
      {"a\nb", 32, 1, "a\\nb"},
      {"\r\t\x1b[2J\x7f", 32, 1, "\\r\\t\\x1B[2J\\x7F"},
      {"caf\xc3\xa9 \xf0\x9f\x8e\xb2", 32, 1, "caf\xc3\xa9 \xf0\x9f\x8e\xb2"},  // UTF-8 stays
      {"caf\xe9\xc3", 32, 1, "caf\\xE9\\xC3"},  // bytes of no UTF-8 character are written out
      {"\xc3\xa9\xc3\xa9", 4, 0, "\xc3\xa9"},  // a character is copied whole or not at all
      {"ab\ncd", 4, 0, "ab"},         // cut before an escape that does not fit whole
      {"abcd", 4, 0, "abc"},
      {"", 1, 1, ""},
  };
  for (const Case& c : cases) {
    char buf[64];
    memset(buf, kGuard, sizeof buf);
    EXPECT_EQ(c.result, StrCopyEscaped(buf, c.capacity, c.src)) << c.after;
    EXPECT_STREQ(c.after, buf);
    EXPECT_EQ(kGuard, buf[c.capacity]);
  }
}

}  // namespace
