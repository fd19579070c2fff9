// Where an address lies among the files this process has mapped, found with signal-safe calls
// alone (open, read, close; no lock, no allocation), for the handler of a fatal signal: dladdr
// would take the loader's lock, which the crashed thread may hold.
#pragma once

#include <stdint.h>

// Bounded text built in place, always terminated.
struct SignalSafeText {
  char* text;
  int capacity;
  int length;
  void Put(const char* s);
  void PutNumber(uintptr_t value, unsigned base);
};

// The search of the lines of /proc/<pid>/maps ("start-end perms offset dev inode path"), one
// by one in their order. A file's mappings follow each other, its first at file offset 0, so
// its load address is the start of its first mapping less that mapping's offset.
struct MapsSearch {
  uintptr_t address = 0;
  uintptr_t base = 0;
  char lastPath[4096] = "";

  void Begin(uintptr_t sought);
  // 1 once the line's mapping holds the address, having appended where it lies:
  // "<file>+0x<address less the file's load address>", or "0x<address>" for a mapping of no
  // file (anonymous memory, the stack).
  int Line(const char* line, SignalSafeText* where);
  // Appends "0x<address>".
  void Unnamed(SignalSafeText* where) const;
};

// Appends where address lies in this process, as MapsSearch::Line does; "0x<address>" when no
// mapping holds it. Not reentrant: one search at a time.
void DescribeAddress(uintptr_t address, SignalSafeText* where);
