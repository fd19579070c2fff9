// Whether two addresses lie in the same loaded object: functions of this program, of the C
// library and of no object at all.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include "platform/linux/symbols.h"

namespace {

int Local() {
  return 1;
}

int OtherLocal() {
  return 2;
}

TEST(SameLoadedObject, TellsTheObjectsApart) {
  int onStack = 0;
  const void* strlenOfLibc = dlsym(RTLD_DEFAULT, "strlen");
  const void* mallocOfLibc = dlsym(RTLD_DEFAULT, "malloc");
  const void* local = reinterpret_cast<const void*>(&Local);
  const void* otherLocal = reinterpret_cast<const void*>(&OtherLocal);
  const struct {
    const char* what;
    const void* a;
    const void* b;
    int same;
  } cases[] = {
      {"two functions of the C library", strlenOfLibc, mallocOfLibc, 1},
      {"two functions of this program", local, otherLocal, 1},
      {"this program and the C library", local, strlenOfLibc, 0},
      {"the stack, in no loaded object", &onStack, &onStack, 0},
      {"no address", nullptr, local, 0},
  };
  ASSERT_NE(nullptr, strlenOfLibc);
  for (const auto& c : cases) EXPECT_EQ(c.same, SameLoadedObject(c.a, c.b)) << c.what;
}

}  // namespace
