// Where an address lies; see mapped_place.h.
#include "platform/linux/mapped_place.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace {
// Reads a hexadecimal number at p and moves past it and one separator.
uintptr_t TakeHex(const char*& p) {
  uintptr_t value = 0;
  for (;; ++p) {
    char c = *p;
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (digit < 0) break;
    value = value * 16 + static_cast<uintptr_t>(digit);
  }
  if (*p) ++p;
  return value;
}

const char* SkipField(const char* p) {
  while (*p && *p != ' ') ++p;
  while (*p == ' ') ++p;
  return p;
}

MapsSearch s_search;  // static: its path buffer stays off a signal handler's small stack
}  // namespace

void SignalSafeText::Put(const char* s) {
  while (*s && length < capacity - 1) text[length++] = *s++;
  text[length] = '\0';
}

void SignalSafeText::PutNumber(uintptr_t value, unsigned base) {
  char digits[24];
  int n = 0;
  do {
    digits[n++] = "0123456789abcdef"[value % base];
    value /= base;
  } while (value > 0);
  while (n > 0 && length < capacity - 1) text[length++] = digits[--n];
  text[length] = '\0';
}

void MapsSearch::Begin(uintptr_t sought) {
  address = sought;
  base = 0;
  lastPath[0] = '\0';
}

int MapsSearch::Line(const char* line, SignalSafeText* where) {
  const char* p = line;
  uintptr_t start = TakeHex(p);
  uintptr_t end = TakeHex(p);
  p = SkipField(p);  // permissions
  uintptr_t offset = TakeHex(p);
  p = SkipField(SkipField(p));  // device, inode
  bool holds = address >= start && address < end;
  if (*p != '/') {
    if (holds) Unnamed(where);
    return holds;
  }
  if (strcmp(p, lastPath) != 0) {
    size_t n = strlen(p);
    if (n >= sizeof lastPath) return 0;
    memcpy(lastPath, p, n + 1);
    base = start - offset;
  }
  if (!holds) return 0;
  where->Put(p);
  where->Put("+0x");
  where->PutNumber(address - base, 16);
  return 1;
}

void MapsSearch::Unnamed(SignalSafeText* where) const {
  where->Put("0x");
  where->PutNumber(address, 16);
}

void DescribeAddress(uintptr_t address, SignalSafeText* where) {
  s_search.Begin(address);
  int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  char buffer[8192];
  int held = 0, found = 0;
  for (ssize_t got;
       !found && fd >= 0 && (got = read(fd, buffer + held, sizeof buffer - 1 - held)) > 0;) {
    held += static_cast<int>(got);
    int lineStart = 0;
    for (int i = 0; i < held && !found; ++i) {
      if (buffer[i] != '\n') continue;
      buffer[i] = '\0';
      found = s_search.Line(buffer + lineStart, where);
      lineStart = i + 1;
    }
    if (lineStart == 0 && held == static_cast<int>(sizeof buffer) - 1) held = 0;  // over-long line
    memmove(buffer, buffer + lineStart, held - lineStart);
    held -= lineStart;
  }
  if (fd >= 0) close(fd);
  if (!found) s_search.Unnamed(where);
}
