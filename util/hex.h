// Conversion between byte strings and hexadecimal text. Neither function allocates or
// keeps state; neither ever writes at or past the capacity it is given. Text written is
// upper case; text read may use either case, an optional 0x prefix and an optional L suffix.
#pragma once

// Writes 2 * count upper-case digits and a terminator; count >= 0. Returns 1, or 0 (output
// unusable, no terminator) when capacity is below 2 * count + 1.
int BytesToHex(const unsigned char* bytes, int count, char* output, int capacity);

// Reads length characters of text (a negative length: up to the terminator) and returns the
// number of bytes written, or 0 when they would not fit (nothing written) or a character is
// not a hex digit (the bytes before it stay written). An odd digit count makes the first
// digit a byte of its own. Writes no terminator.
int HexToBytes(const char* text, unsigned char* output, int capacity, int length);
