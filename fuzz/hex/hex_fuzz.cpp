// Fuzzer of BytesToHex and HexToBytes. Outputs are exact-size heap blocks, so AddressSanitizer
// reports any write at or past the capacity. Input: one control byte (capacity and length
// choices), then the text or bytes. Checks results against the rules, and the round trip.
#include "util/hex.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

static int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

static void Check(bool ok) {
  if (!ok) abort();
}

static void FuzzHexToBytes(const char* text, int size, int capacity, bool useLength) {
  // The text is a heap block of exactly size characters (plus the terminator when the
  // length is not given), so a read past the given length is caught as well.
  unsigned char* block = capacity > 0 ? new unsigned char[capacity] : nullptr;
  if (block != nullptr) memset(block, 0xA5, capacity);
  int result = HexToBytes(text, block, capacity, useLength ? size : -1);
  if (useLength || static_cast<int>(strlen(text)) == size) {
    int length = size;
    const char* digits = text;
    if (length > 2 && digits[0] == '0' && (digits[1] | 0x20) == 'x') {
      digits += 2;
      length -= 2;
    }
    if (length > 0 && (digits[length - 1] | 0x20) == 'l') length--;
    bool allDigits = true;
    for (int i = 0; i < length; i++) allDigits = allDigits && DigitValue(digits[i]) >= 0;
    int count = (length + 1) / 2;
    int expected = (count <= capacity && allDigits) ? count : 0;
    Check(result == expected);
    // Digits that would not fit are refused before anything is written.
    if (count > capacity) {
      for (int i = 0; i < capacity; i++) Check(block[i] == 0xA5);
    }
    if (expected > 0) {
      // Re-encode and compare with the digits, the odd first digit padded with a zero.
      std::vector<char> hex(2 * count + 1);
      Check(BytesToHex(block, count, hex.data(), static_cast<int>(hex.size())) == 1);
      int skip = length % 2;
      if (skip) Check(hex[0] == '0');
      for (int i = 0; i < length; i++) {
        Check(DigitValue(hex[i + skip]) == DigitValue(digits[i]));
      }
    }
  }
  delete[] block;
}

static void FuzzBytesToHex(const unsigned char* bytes, int count, int capacity) {
  char* out = capacity > 0 ? new char[capacity] : nullptr;
  int result = BytesToHex(bytes, count, out, capacity);
  Check(result == (capacity >= 2 * count + 1 ? 1 : 0));
  if (result == 1) {
    Check(out[2 * count] == '\0');
    std::vector<unsigned char> back(count > 0 ? count : 1);
    int n = HexToBytes(out, back.data(), count, -1);
    Check(n == count);
    Check(count == 0 || memcmp(back.data(), bytes, count) == 0);
  }
  delete[] out;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 4096) return 0;
  uint8_t control = data[0];
  const uint8_t* rest = data + 1;
  int n = static_cast<int>(size - 1);
  // Capacities around the exact need, so both sides of the limit are reached.
  int slack = (control & 7) - 3;

  char* text = new char[n + 1];
  memcpy(text, rest, n);
  text[n] = '\0';
  int capacity = (n + 1) / 2 + slack;
  FuzzHexToBytes(text, n, capacity, (control & 8) != 0);
  delete[] text;

  FuzzBytesToHex(rest, n, 2 * n + 1 + slack);
  return 0;
}
