// ISO 8859-1 to UTF-8 and back: the launcher's texts are 8-bit, while the dialog tool and
// the preference database take UTF-8. Every ISO 8859-1 character is one Unicode code point
// below U+0100, so it takes one or two bytes.
#pragma once

#include <cstddef>

// Writes the UTF-8 bytes of c into out (room for 2) and returns how many (1 or 2).
int Latin1ToUtf8Char(unsigned char c, char out[2]);

// The whole text into out; 0 (out then unspecified) unless room for a two-byte unit and the
// terminator is left before every character, so a text whose last character would fit only
// in one byte may be refused. A capacity of twice the text's length plus one always suffices.
int Latin1ToUtf8(const char* in, char* out, size_t capacity);

// length bytes of UTF-8 into out; 0 for invalid UTF-8, a character above U+00FF or U+0000
// (neither can be an 8-bit text), or a result that does not fit with its terminator.
int Utf8ToLatin1(const unsigned char* in, size_t length, char* out, size_t capacity);

// The length (2 to 4) of the well-formed UTF-8 sequence of a character from U+0080 that
// starts at p, or 0 when p holds none there (overlong forms, surrogates and values past
// U+10FFFF are not well-formed). Reads no further than a NUL.
int Utf8SequenceLength(const unsigned char* p);
// 1 when the whole text is well-formed UTF-8 (plain ASCII is), else 0. A last character cut
// short, as a bounded copy cuts one, still counts as UTF-8.
int IsUtf8(const char* text);
