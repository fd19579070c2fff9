// SStringList; see string_list.h. Storage comes from nothrow new[] so that a failed allocation
// is a result (the empty state), never an exception. Each Split allocates exactly twice: the
// copy and an offset array sized by a separator count taken before indexing, so it never grows.
#include "util/string_list.h"

#include <cassert>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

static const char s_sEmpty[] = "";

static bool IsQuote(char c) {
  return c == '\'' || c == '"';
}
static bool IsTrimSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The index's invariant (see string_list.h): at least one item, and the offsets of present
// items inside the copy of length bytes and growing with the position.
[[maybe_unused]] static bool IndexHolds(const int* index, int count, size_t length) {
  if (count < 1) return false;
  long last = -1;
  for (int i = 0; i < count; i++) {
    if (index[i] == -1) continue;
    if (index[i] < 0 || static_cast<size_t>(index[i]) > length || index[i] <= last) return false;
    last = index[i];
  }
  return true;
}

SStringList::SStringList() {
  InitVars();
}

SStringList::SStringList(const char* text, char separator, int trim, int unused) {
  InitVars();
  Split(text, separator, trim, unused);
}

SStringList::~SStringList() {
  Release();
}

void SStringList::InitVars() {
  m_sData = nullptr;
  m_pIndex = nullptr;
  m_nCount = 0;
}

void SStringList::Release() {
  delete[] m_sData;
  delete[] m_pIndex;
  InitVars();
}

int SStringList::Split(const char* text, char separator, int trim, int unused) {
  Release();
  size_t len = strlen(text);
  // Offsets are ints: a longer text cannot be indexed.
  if (len >= static_cast<size_t>(INT_MAX)) return 0;
  m_sData = new (std::nothrow) char[len + 1];
  if (m_sData == nullptr) return 0;
  memcpy(m_sData, text, len + 1);
  return IndexList(separator, trim, unused);
}

static size_t CountChar(const char* s, size_t n, char c) {
  // A plain counting loop that the compiler can vectorise.
  size_t count = 0;
  for (size_t i = 0; i < n; i++) count += (s[i] == c);
  return count;
}

int SStringList::IndexList(char separator, int trim, int unused) {
  delete[] m_pIndex;
  m_pIndex = nullptr;
  m_nCount = 0;
  if (m_sData == nullptr) return 0;

  char* s = m_sData;
  size_t n = strlen(s);
  size_t room = CountChar(s, n, separator) + 1;
  m_pIndex = new (std::nothrow) int[room];
  if (m_pIndex == nullptr) {
    Release();
    return 0;
  }

  int* index = m_pIndex;
  int count = 0;
  bool quoted = IsQuote(s[0]);
  size_t p = quoted ? 1 : 0;
  index[count++] = static_cast<int>(p);
  while (p < n) {
    if (quoted) {
      // Inside quotes only a quote matters: jump to the next one.
      while (p < n && !IsQuote(s[p])) p++;
      if (p >= n) break;
      s[p++] = ' ';
      quoted = false;
    } else {
      // Outside quotes only the separator matters. A byte loop beats memchr here: items are
      // usually a few characters long, shorter than the cost of a call.
      while (p < n && s[p] != separator) p++;
      if (p >= n) break;
    }
    if (s[p] != separator) {
      p++;
      continue;
    }
    s[p] = '\0';
    if (s[p + 1] == separator) {
      index[count++] = -1;
      p++;
      continue;
    }
    size_t start = p + 1;
    if (IsQuote(s[start])) {
      start++;
      quoted = true;
    }
    index[count++] = static_cast<int>(start);
    p = start + 1;  // the first character of an item is never examined
  }
  m_nCount = count;
  assert(IndexHolds(m_pIndex, m_nCount, n));
  if (trim) TrimItems();
  return m_nCount;
}

void SStringList::TrimItems() {
  for (int i = 0; i < m_nCount; i++) {
    int start = m_pIndex[i];
    if (start < 0) continue;
    while (IsTrimSpace(m_sData[start])) start++;
    m_pIndex[i] = start;
    char* first = m_sData + start;
    char* end = first + strlen(first);
    while (end > first && IsTrimSpace(end[-1])) *--end = '\0';
  }
}

int SStringList::CharCount(char c) const {
  if (m_sData == nullptr) return 0;
  return static_cast<int>(CountChar(m_sData, strlen(m_sData), c));
}

const char* SStringList::GetItem(int position) const {
  if (position < 0 || position >= m_nCount) return s_sEmpty;
  int offset = m_pIndex[position];
  return offset < 0 ? s_sEmpty : m_sData + offset;
}

const char* SStringList::operator[](int position) const {
  return GetItem(position);
}

int SStringList::GetItemAsInt(int position) const {
  // strtol reports overflow as LONG_MIN/LONG_MAX instead of atoi's undefined behaviour; it
  // skips the same white space and takes the same optional sign and decimal digits.
  long value = strtol(GetItem(position), nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

float SStringList::GetItemAsFloat(int position) const {
  return static_cast<float>(atof(GetItem(position)));
}

int SStringList::FindItem(const char* text) const {
  for (int i = 0; i < m_nCount; i++) {
    if (strcmp(GetItem(i), text) == 0) return i;
  }
  return -1;
}
