// Fuzzer of SStringList. Input: separator byte (never NUL), flags byte, then the text. Splits
// twice on the same list (trim on, then as the flag says), reads every item in every form, and
// checks the invariants: count >= 1, present offsets inside the text and growing, no absent
// item at position 0, FindItem of an item finding an item that reads the same.
#include "util/string_list.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

static void Check(bool ok) {
  if (!ok) abort();
}

static void CheckList(const SStringList& list, const std::string& text) {
  Check(list.m_nCount >= 1);
  Check(list.m_pIndex[0] >= 0);
  int last = -1;
  for (int i = 0; i < list.m_nCount; i++) {
    int offset = list.m_pIndex[i];
    const char* item = list.GetItem(i);
    Check(item != nullptr && item == list[i]);
    if (offset == -1) {
      Check(*item == '\0');
    } else {
      Check(offset > last && static_cast<size_t>(offset) <= text.size());
      last = offset;
      Check(item == list.m_sData + offset);
      Check(offset + strlen(item) <= text.size());
      // Items never overlap: a present item ends before the next present one begins.
      for (int j = i + 1; j < list.m_nCount; j++) {
        if (list.m_pIndex[j] == -1) continue;
        Check(offset + strlen(item) < static_cast<size_t>(list.m_pIndex[j]));
        break;
      }
    }
    (void)list.GetItemAsInt(i);
    (void)list.GetItemAsFloat(i);
    int found = list.FindItem(item);
    Check(found >= 0 && found <= i && strcmp(list.GetItem(found), item) == 0);
  }
  Check(*list.GetItem(-1) == '\0' && *list.GetItem(list.m_nCount) == '\0');
  Check(list.GetItemAsInt(list.m_nCount) == 0);
  // FindItem of any text: the first equal item, or -1 when none is equal.
  const char* probes[] = {text.c_str(), "", list.GetItem(list.m_nCount - 1)};
  for (const char* probe : probes) {
    int expected = -1;
    for (int i = 0; i < list.m_nCount && expected < 0; i++) {
      if (strcmp(list.GetItem(i), probe) == 0) expected = i;
    }
    Check(list.FindItem(probe) == expected);
  }
  // CharCount counts in the copy up to its first terminator.
  char c = text.empty() ? 'a' : text[text.size() / 2];
  int occurrences = 0;
  for (const char* p = list.m_sData; *p; p++) occurrences += (*p == c);
  Check(list.CharCount(c) == occurrences);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  char separator = static_cast<char>(data[0]);
  if (separator == '\0') separator = ',';
  int trim = data[1] & 1;
  // Cut the text at its first NUL: the list reads texts up to the terminator.
  std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
  text.resize(strlen(text.c_str()));

  SStringList list;
  int count = list.Split(text.c_str(), separator, 1, 0);
  Check(count == list.m_nCount);
  CheckList(list, text);
  int room = 1;
  for (char c : text) room += (c == separator);
  Check(count <= room);

  count = list.Split(text.c_str(), separator, trim, 0);
  Check(count == list.m_nCount);
  CheckList(list, text);
  list.TrimItems();
  CheckList(list, text);

  // The constructor splits as Split does, and trimming once more changes nothing.
  SStringList other(text.c_str(), separator, trim, 0);
  Check(other.m_nCount == count);
  other.TrimItems();
  for (int i = 0; i < count; i++) {
    Check(other.m_pIndex[i] == list.m_pIndex[i]);
    Check(strcmp(other.GetItem(i), list.GetItem(i)) == 0);
  }
  return 0;
}
