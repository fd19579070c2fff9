// ISO 8859-1 to UTF-8 and back; see latin1.h.
#include "util/latin1.h"

int Latin1ToUtf8Char(unsigned char c, char out[2]) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  out[0] = static_cast<char>(0xC0 | (c >> 6));
  out[1] = static_cast<char>(0x80 | (c & 0x3F));
  return 2;
}

// Leaves room for a two-byte unit and the terminator before every character.
int Latin1ToUtf8(const char* in, char* out, size_t capacity) {
  if (capacity == 0) return 0;
  size_t n = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(in); *p; ++p) {
    if (n + 3 > capacity) return 0;
    n += static_cast<size_t>(Latin1ToUtf8Char(*p, out + n));
  }
  out[n] = '\0';
  return 1;
}

int Utf8ToLatin1(const unsigned char* in, size_t length, char* out, size_t capacity) {
  size_t n = 0;
  for (size_t i = 0; i < length; ++i) {
    unsigned int c = in[i];
    if (c >= 0x80) {
      // Only the two-byte forms C2..C3 followed by a continuation byte encode U+0080..U+00FF.
      if ((c != 0xC2 && c != 0xC3) || i + 1 >= length || (in[i + 1] & 0xC0) != 0x80) return 0;
      c = ((c & 0x1F) << 6) | (in[++i] & 0x3F);
    } else if (c == 0) {
      return 0;
    }
    if (n + 1 >= capacity) return 0;
    out[n++] = static_cast<char>(c);
  }
  if (capacity == 0) return 0;
  out[n] = '\0';
  return 1;
}

namespace {

// The length a sequence starting with byte c has, 0 when c starts none.
int Utf8LeadLength(unsigned int c) {
  return c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
}

// Whether the text at p is the start of a sequence that the terminator cut short.
bool CutShort(const unsigned char* p) {
  int length = Utf8LeadLength(p[0]);
  int i = 1;
  while (i < length && p[i] >= 0x80 && p[i] <= 0xBF) ++i;
  return length > 0 && i < length && p[i] == '\0';
}

}  // namespace

int Utf8SequenceLength(const unsigned char* p) {
  unsigned int c = p[0];
  int length = Utf8LeadLength(c);
  if (length == 0) return 0;
  // The second byte's range excludes overlong forms, surrogates and values past U+10FFFF.
  unsigned int low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
  unsigned int high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
  if (p[1] < low || p[1] > high) return 0;
  for (int i = 2; i < length; ++i)
    if (p[i] < 0x80 || p[i] > 0xBF) return 0;
  return length;
}

int IsUtf8(const char* text) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p;) {
    if (*p < 0x80) {
      ++p;
      continue;
    }
    int length = Utf8SequenceLength(p);
    if (length == 0) return CutShort(p) ? 1 : 0;
    p += length;
  }
  return 1;
}
