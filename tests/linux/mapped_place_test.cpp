// Where an address lies among the mapped files: made-up lines of /proc/<pid>/maps, and a
// function of this test program found in the real one.
#include <dlfcn.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/linux/mapped_place.h"

namespace {

std::string Search(const std::vector<const char*>& lines, uintptr_t address) {
  static MapsSearch search;
  char buffer[256];
  SignalSafeText where{buffer, sizeof buffer, 0};
  buffer[0] = '\0';
  search.Begin(address);
  for (const char* line : lines)
    if (search.Line(line, &where)) return buffer;
  search.Unnamed(&where);
  return "not mapped: " + std::string(buffer);
}

TEST(MapsSearch, NamesTheFileAndTheOffsetFromItsLoadAddress) {
  const std::vector<const char*> maps = {
      "55d0a000-55d0b000 r--p 00000000 08:01 100 /usr/games/game",
      "55d0b000-55d0d000 r-xp 00001000 08:01 100 /usr/games/game",
      "55d0e000-55d10000 rw-p 00000000 00:00 0 [heap]",
      "7f0000000000-7f0000001000 rw-p 00000000 00:00 0 ",
      // A library whose first mapping lies at a file offset (a linker that starts there).
      "7f1000002000-7f1000003000 r--p 00002000 08:01 200 /lib/lib game.so (deleted)",
      "7f1000003000-7f1000009000 r-xp 00003000 08:01 200 /lib/lib game.so (deleted)",
      "7f2000000000-7f2000001000 r-xp 00000000 08:01 300 /lib/libSDL.so",
  };
  struct Case {
    uintptr_t address;
    const char* where;
  };
  const Case cases[] = {
      {0x55d0a000, "/usr/games/game+0x0"},
      {0x55d0c123, "/usr/games/game+0x2123"},
      {0x55d0f000, "0x55d0f000"},  // the heap
      {0x7f0000000010, "0x7f0000000010"},
      {0x7f1000004567, "/lib/lib game.so (deleted)+0x4567"},
      {0x7f2000000fff, "/lib/libSDL.so+0xfff"},
      {0x7f2000001000, "not mapped: 0x7f2000001000"},  // the end is not part of a mapping
      {0x1000, "not mapped: 0x1000"},
  };
  for (const Case& c : cases) EXPECT_EQ(Search(maps, c.address), c.where) << std::hex << c.address;
}

TEST(DescribeAddress, FindsAFunctionOfThisProgramWhereTheLoaderPutIt) {
  Dl_info info;
  const void* function = reinterpret_cast<const void*>(&Search);
  ASSERT_NE(dladdr(function, &info), 0);
  char* self = realpath("/proc/self/exe", nullptr);
  ASSERT_NE(self, nullptr);
  char expected[4200];
  snprintf(expected, sizeof expected, "%s+0x%lx", self,
           static_cast<unsigned long>(reinterpret_cast<uintptr_t>(function) -
                                      reinterpret_cast<uintptr_t>(info.dli_fbase)));
  free(self);
  char buffer[4200];
  SignalSafeText where{buffer, sizeof buffer, 0};
  DescribeAddress(reinterpret_cast<uintptr_t>(function), &where);
  EXPECT_STREQ(buffer, expected);
}

}  // namespace
