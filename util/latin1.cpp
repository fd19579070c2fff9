// ISO 8859-1 to UTF-8; see latin1.h.
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
