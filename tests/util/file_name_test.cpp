// GetFileName and GetFileExt: which component each picks, and that a missing one is the empty
// text at the argument's own terminator, never a null pointer or a copy.
#include "util/file_name.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct PathCase {
  const char* path;
  size_t offset;  // where the result must point inside path
};

TEST(GetFileName, Table) {
  const PathCase cases[] = {
      {"dir/sub/file.txt", 8},
      {"disk:folder:file", 12},
      {"dir\\file.x", 4},
      {"a/b:c\\d", 6},
      {"file", 0},
      {"dir/", 4},
      {"", 0},
      {"/", 1},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(c.path + c.offset, GetFileName(c.path));
  }
}

TEST(GetFileExt, Table) {
  const PathCase cases[] = {
      {"name.tar.gz", 9}, {".profile", 1}, {"name", 4},   {"name.", 5},       {"dir.d/name", 4},
      {"a.b:c", 2},       {"a.b\\c", 5},   {"a\\b.c", 4}, {"x.y\\z.w\\v", 9}, {"", 0},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(c.path + c.offset, GetFileExt(c.path));
  }
}

}  // namespace
