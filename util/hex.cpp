// Hexadecimal conversion of byte strings; see hex.h. Capacities and lengths are signed ints,
// compared so that no product or sum can overflow.
#include "util/hex.h"

#include <cassert>
#include <cstring>

int BytesToHex(const unsigned char* bytes, int count, char* output, int capacity) {
  static const char hex[] = "0123456789ABCDEF";
  assert(count >= 0);
  // Even an empty byte string needs room for its terminator.
  if (capacity < 1) return 0;
  int remaining = capacity;
  for (int i = 0; i < count; i++) {
    remaining -= 2;
    if (remaining <= 0) return 0;
    output[2 * i] = hex[bytes[i] >> 4];
    output[2 * i + 1] = hex[bytes[i] & 0x0F];
  }
  output[2 * count] = '\0';
  return 1;
}

static int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int HexToBytes(const char* text, unsigned char* output, int capacity, int length) {
  if (length < 0) {
    size_t len = strlen(text);
    // A text too long for an int cannot fit any int capacity anyway.
    if (len > 0x7FFFFFFF) return 0;
    length = static_cast<int>(len);
  }
  if (length > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text += 2;
    length -= 2;
  }
  if (length > 0 && (text[length - 1] == 'l' || text[length - 1] == 'L')) length--;

  int count = length / 2 + length % 2;  // half the length rounded up, without overflow
  if (count > capacity) return 0;

  int pos = 0;
  int written = 0;
  if (length % 2 != 0) {
    int low = HexDigitValue(text[0]);
    if (low < 0) return 0;
    output[written++] = static_cast<unsigned char>(low);
    pos = 1;
  }
  for (; pos < length; pos += 2) {
    int high = HexDigitValue(text[pos]);
    int low = high < 0 ? -1 : HexDigitValue(text[pos + 1]);
    if (low < 0) return 0;
    output[written++] = static_cast<unsigned char>(high * 16 + low);
  }
  return count;
}
