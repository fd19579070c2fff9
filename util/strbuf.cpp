// Bounded text operations; see strbuf.h. A null source counts as the empty text.
#include "util/strbuf.h"
#include "util/latin1.h"

#include <cstdio>
#include <cstring>

int StrCopy(char* dst, size_t capacity, const char* src) {
  if (capacity == 0) return 0;
  dst[0] = '\0';
  return StrAppend(dst, capacity, src);
}

int StrAppend(char* dst, size_t capacity, const char* src) {
  if (capacity == 0) return 0;
  size_t used = strnlen(dst, capacity);
  if (used == capacity) {  // not terminated: terminate at the last byte
    dst[capacity - 1] = '\0';
    return 0;
  }
  if (src == nullptr) return 1;
  size_t room = capacity - 1 - used;
  size_t len = strlen(src);
  size_t n = len < room ? len : room;
  memcpy(dst + used, src, n);
  dst[used + n] = '\0';
  return n == len;
}

int StrAppendChar(char* dst, size_t capacity, char c) {
  char text[2] = {c, '\0'};
  return StrAppend(dst, capacity, text);
}

int StrVFormat(char* dst, size_t capacity, const char* format, va_list args) {
  if (capacity == 0) return 0;
  int written = vsnprintf(dst, capacity, format, args);
  if (written < 0) {
    dst[0] = '\0';
    return 0;
  }
  return static_cast<size_t>(written) < capacity;
}

int StrFormatf(char* dst, size_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int fit = StrVFormat(dst, capacity, format, args);
  va_end(args);
  return fit;
}

int StrAppendf(char* dst, size_t capacity, const char* format, ...) {
  if (capacity == 0) return 0;
  size_t used = strnlen(dst, capacity);
  if (used == capacity) {
    dst[capacity - 1] = '\0';
    return 0;
  }
  va_list args;
  va_start(args, format);
  int fit = StrVFormat(dst + used, capacity - used, format, args);
  va_end(args);
  return fit;
}

int StrCopyEscaped(char* dst, size_t capacity, const char* src) {
  if (capacity == 0) return 0;
  size_t used = 0;
  dst[0] = '\0';
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(src); p && *p; ++p) {
    char piece[5] = {static_cast<char>(*p), '\0'};
    int sequence = *p >= 0x80 ? Utf8SequenceLength(p) : 0;
    if (*p == '\n' || *p == '\r' || *p == '\t') {
      StrFormatf(piece, sizeof piece, "\\%c", *p == '\n' ? 'n' : *p == '\r' ? 'r' : 't');
    } else if (*p < 32 || *p == 127 || (*p >= 0x80 && sequence == 0)) {
      StrFormatf(piece, sizeof piece, "\\x%02X", *p);
    } else if (sequence > 1) {
      memcpy(piece, p, static_cast<size_t>(sequence));
      piece[sequence] = '\0';
      p += sequence - 1;
    }
    size_t size = strlen(piece);
    if (used + size >= capacity) return 0;
    memcpy(dst + used, piece, size + 1);
    used += size;
  }
  return 1;
}
