// SStringList: splitting with quotes, absent and empty items, trimming, and access by
// position, number and text. Each row of the tables is one text split both ways.
#include "util/string_list.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kAbsent = nullptr;  // marks an item enclosed by two adjacent separators

// Checks the list's items against expected (kAbsent for an absent item) and the invariants
// that hold after every split of a text of len characters.
void ExpectItems(const SStringList& list, const std::vector<const char*>& expected, size_t len) {
  ASSERT_EQ(static_cast<int>(expected.size()), list.m_nCount);
  int last = -1;
  for (int i = 0; i < list.m_nCount; i++) {
    SCOPED_TRACE("item " + std::to_string(i));
    int offset = list.m_pIndex[i];
    if (expected[i] == kAbsent) {
      EXPECT_EQ(-1, offset);
      EXPECT_STREQ("", list.GetItem(i));
      continue;
    }
    ASSERT_GE(offset, 0);
    EXPECT_LE(static_cast<size_t>(offset), len);
    EXPECT_GT(offset, last);
    last = offset;
    EXPECT_STREQ(expected[i], list.GetItem(i));
    EXPECT_EQ(list.GetItem(i), list[i]);
  }
}

struct SplitCase {
  const char* text;
  char separator;
  std::vector<const char*> plain;
  std::vector<const char*> trimmed;
};

TEST(SStringListSplit, Table) {
  const SplitCase cases[] = {
      {"a,b,c", ',', {"a", "b", "c"}, {"a", "b", "c"}},
      {"", ',', {""}, {""}},
      {"a,", ',', {"a", ""}, {"a", ""}},
      {",a", ',', {"", "a"}, {"", "a"}},
      {"a,,b", ',', {"a", kAbsent, "b"}, {"a", kAbsent, "b"}},
      {",,", ',', {"", kAbsent, ""}, {"", kAbsent, ""}},
      {"'a,b',c", ',', {"a,b ", "c"}, {"a,b", "c"}},
      {"a,'b,c',d", ',', {"a", "b,c ", "d"}, {"a", "b,c", "d"}},
      {"a,'b'x,c", ',', {"a", "b x", "c"}, {"a", "b x", "c"}},
      {"a,'b", ',', {"a", "b"}, {"a", "b"}},
      {"x'y,z", ',', {"x'y", "z"}, {"x'y", "z"}},
      {"a, 'b' ,c", ',', {"a", " 'b' ", "c"}, {"a", "'b'", "c"}},
      {"a,  ,c", ',', {"a", "  ", "c"}, {"a", "", "c"}},
      {"'',c", ',', {" ", "c"}, {"", "c"}},
      {"a,'',c", ',', {"a", "',c"}, {"a", "',c"}},
      {"'a\"b',c", ',', {"a b'", "c"}, {"a b'", "c"}},  // a double quote closes a single quote
      {"a,\"b\",c", ',', {"a", "b ", "c"}, {"a", "b", "c"}},
      {"a  b", ' ', {"a", kAbsent, "b"}, {"a", kAbsent, "b"}},
      {"'a b' c", ' ', {"a b ", "c"}, {"a b", "c"}},
      {"\t a \r\n;b", ';', {"\t a \r\n", "b"}, {"a", "b"}},
      {"a,'", ',', {"a", ""}, {"a", ""}},  // a quote at the very end opens an empty item
      {"'", ',', {""}, {""}},
      {"a;b,c", ';', {"a", "b,c"}, {"a", "b,c"}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(std::string("text <") + c.text + "> separator <" + c.separator + ">");
    SStringList plain;
    EXPECT_EQ(static_cast<int>(c.plain.size()), plain.Split(c.text, c.separator, 0, 0));
    ExpectItems(plain, c.plain, strlen(c.text));
    SStringList trimmed(c.text, c.separator, 1, 0);
    ExpectItems(trimmed, c.trimmed, strlen(c.text));
    trimmed.TrimItems();  // trimming twice changes nothing
    ExpectItems(trimmed, c.trimmed, strlen(c.text));
  }
}

TEST(SStringListSplit, SecondSplitReplacesEveryItem) {
  SStringList list;
  ASSERT_EQ(3, list.Split("one,two,three", ',', 0, 0));
  EXPECT_EQ(2, list.Split(" x | y ", '|', 1, 0));
  EXPECT_EQ(2, list.m_nCount);
  ExpectItems(list, {"x", "y"}, 7);
  EXPECT_EQ(-1, list.FindItem("one"));
  EXPECT_STREQ("", list.GetItem(2));
}

TEST(SStringListSplit, SourceTextIsNotChanged) {
  const std::string source = "'a,b',c,,d";
  SStringList list(source.c_str(), ',', 1, 0);
  EXPECT_EQ("'a,b',c,,d", source);
  EXPECT_NE(source.c_str(), list.GetItem(0));
}

TEST(SStringListSplit, IndexListAgainSeesOnlyItemZero) {
  // After a split the separators are terminators, so indexing again covers item 0 only.
  SStringList list("a b,c", ',', 0, 0);
  EXPECT_EQ(2, list.IndexList(' ', 0, 0));
  ExpectItems(list, {"a", "b"}, 3);
}

TEST(SStringList, EmptyListReadsAsEmpty) {
  SStringList list;
  EXPECT_EQ(0, list.m_nCount);
  EXPECT_EQ(nullptr, list.m_sData);
  EXPECT_EQ(nullptr, list.m_pIndex);
  EXPECT_STREQ("", list.GetItem(0));
  EXPECT_STREQ("", list[-1]);
  EXPECT_EQ(0, list.GetItemAsInt(0));
  EXPECT_EQ(0.0f, list.GetItemAsFloat(0));
  EXPECT_EQ(-1, list.FindItem(""));
  EXPECT_EQ(0, list.CharCount('a'));
  EXPECT_EQ(0, list.IndexList(',', 1, 0));  // nothing held: stays empty
  list.TrimItems();
  EXPECT_EQ(0, list.m_nCount);
}

TEST(SStringList, AccessOutOfRangeAndAbsent) {
  SStringList list("a,,b", ',', 0, 0);
  for (int position : {1, 3, -1, INT_MAX, INT_MIN}) {
    SCOPED_TRACE(position);
    EXPECT_STREQ("", list.GetItem(position));
    EXPECT_STREQ("", list[position]);
    EXPECT_EQ(0, list.GetItemAsInt(position));
    EXPECT_EQ(0.0f, list.GetItemAsFloat(position));
  }
  EXPECT_EQ(1, list.FindItem(""));
  EXPECT_EQ(2, list.FindItem("b"));
  EXPECT_EQ(-1, list.FindItem("B"));
  EXPECT_EQ(0, list.FindItem("a"));
}

TEST(SStringList, FindItemTakesTheFirstMatch) {
  SStringList list("x,y,x, y", ',', 1, 0);
  EXPECT_EQ(0, list.FindItem("x"));
  EXPECT_EQ(1, list.FindItem("y"));
  EXPECT_EQ(-1, list.FindItem("x,y"));
}

TEST(SStringList, CharCountCoversItemZeroAfterSplit) {
  SStringList list("a,b,c", ',', 0, 0);
  EXPECT_EQ(0, list.CharCount(','));
  EXPECT_EQ(1, list.CharCount('a'));
  EXPECT_EQ(0, list.CharCount('b'));
  SStringList quoted("'x,x',x", ',', 0, 0);
  EXPECT_EQ(2, quoted.CharCount('x'));  // the quoted separator stays text
  EXPECT_EQ(1, quoted.CharCount(','));
}

TEST(SStringList, NumbersTable) {
  struct Case {
    const char* item;
    int asInt;
    float asFloat;
  } cases[] = {
      {" 42x", 42, 42.0f},
      {"abc", 0, 0.0f},
      {"0.1", 0, 0.1f},
      {"-17", -17, -17.0f},
      {"+5", 5, 5.0f},
      {"\n\t 9", 9, 9.0f},
      {"- 3", 0, 0.0f},
      {"0x10", 0, 16.0f},  // decimal only for the integer; atof reads hex floats
      {"2147483647", INT_MAX, 2147483647.0f},
      {"2147483648", INT_MAX, 2147483648.0f},       // clamped, not undefined
      {"99999999999999999999999", INT_MAX, 1e23f},  // beyond even long
      {"-2147483648", INT_MIN, -2147483648.0f},
      {"-99999999999999999999999", INT_MIN, -1e23f},
      {"1e3", 1, 1000.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item);
    SStringList list(c.item, ';', 0, 0);
    EXPECT_EQ(c.asInt, list.GetItemAsInt(0));
    EXPECT_EQ(c.asFloat, list.GetItemAsFloat(0));
  }
}

TEST(SStringList, ItemsStayValidUntilNextSplit) {
  SStringList list("alpha, beta", ',', 1, 0);
  const char* beta = list.GetItem(1);
  list.TrimItems();
  EXPECT_STREQ("beta", beta);
  EXPECT_STREQ("beta", list.GetItem(1));
}

}  // namespace
