// ISO 8859-1 to UTF-8, one character at a time: the launcher's texts are 8-bit, while the
// dialog tool and the preference database take UTF-8. Every ISO 8859-1 character is one
// Unicode code point below U+0100, so it takes one or two bytes.
#pragma once

// Writes the UTF-8 bytes of c into out (room for 2) and returns how many (1 or 2).
int Latin1ToUtf8Char(unsigned char c, char out[2]);
