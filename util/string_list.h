// SStringList: one delimited text cut into numbered items. The list keeps its own copy of the
// text and cuts it in place (separators that end items become terminators), so items are views
// into that copy and are never copied one by one. Quoted items may hold the separator.
// Invariants after a Split: m_nCount >= 1; offsets of present items lie inside the copy and
// grow with the position; an absent item (two adjacent separators) has the offset -1. A failed
// allocation leaves the empty state (null, null, 0). Nothing throws.
#pragma once

class SStringList {
 public:
  SStringList();
  // Makes an empty list and splits text into it; the result of the split is dropped.
  SStringList(const char* text, char separator, int trim, int unused);
  virtual ~SStringList();

  SStringList(const SStringList&) = delete;
  SStringList& operator=(const SStringList&) = delete;

  // Sets the fields to the empty state without releasing anything.
  void InitVars();
  // Replaces the held text by a copy of text (which must not lie in this list's copy) and
  // indexes it. separator is never NUL; trim non-zero trims every item. Returns the count.
  int Split(const char* text, char separator, int trim, int unused);
  // The indexing step of Split, run again over the copy already held.
  int IndexList(char separator, int trim, int unused);
  // Strips spaces, tabs, CR and LF from both ends of every present item.
  void TrimItems();
  // Occurrences of c in the copy up to its first terminator (after a split: up to the end
  // of item 0).
  int CharCount(char c) const;

  // Items by position; an absent item or a position out of range reads as the shared empty
  // text, 0 or 0.0. Never null.
  const char* GetItem(int position) const;
  virtual const char* operator[](int position) const;
  // Decimal integer with atoi's prefix rules; values beyond int are clamped to INT_MIN/INT_MAX.
  int GetItemAsInt(int position) const;
  float GetItemAsFloat(int position) const;
  // Position of the first item equal (strcmp) to text, or -1.
  int FindItem(const char* text) const;

  char* m_sData;  // owned copy of the text, cut in place; null while empty
  int* m_pIndex;  // owned item offsets into m_sData, -1 for absent; null while empty
  int m_nCount;   // number of items; 0 while empty

 private:
  void Release();
};
