// Bounded text operations for fixed-capacity buffers. Every copy into a launcher buffer
// goes through these, so that no text ever runs past its buffer: the result is always
// NUL-terminated (capacity > 0) and cut at capacity - 1 characters when it does not fit.
// Each returns 1 when the whole text fit and 0 when it was cut (or capacity was 0).
#pragma once

#include <cstdarg>
#include <cstddef>

int StrCopy(char* dst, size_t capacity, const char* src);
int StrAppend(char* dst, size_t capacity, const char* src);
int StrAppendChar(char* dst, size_t capacity, char c);
int StrFormatf(char* dst, size_t capacity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
int StrVFormat(char* dst, size_t capacity, const char* format, va_list args)
    __attribute__((format(printf, 3, 0)));
int StrAppendf(char* dst, size_t capacity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// Copies src with its control characters (codes below 32, and 127) written out as \n, \r,
// \t or \xNN, so that a text from elsewhere can never start a line of its own in a log; a
// byte that is not part of well-formed UTF-8 is written out as \xNN too, so the log stays
// UTF-8 whatever bytes a path holds.
// Cut, like the others, without splitting an escape.
int StrCopyEscaped(char* dst, size_t capacity, const char* src);

// Array forms: the capacity is the array's size, so it cannot be given wrongly.
template <size_t N>
inline int StrCopy(char (&dst)[N], const char* src) {
  return StrCopy(dst, N, src);
}
template <size_t N>
inline int StrAppend(char (&dst)[N], const char* src) {
  return StrAppend(dst, N, src);
}
