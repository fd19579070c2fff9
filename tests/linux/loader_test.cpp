// Whether two addresses lie in the same loaded object: the C library's, this program's, none.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include "platform/linux/symbols.h"

namespace {

TEST(SameLoadedObject, TellsTheObjectsApart) {
  int onStack = 0;
  const void* strlenOfLibc = dlsym(RTLD_DEFAULT, "strlen");
  const void* own = reinterpret_cast<const void*>(&SameLoadedObject);
  const struct {
    const void* a;
    const void* b;
    int same;
  } cases[] = {{strlenOfLibc, dlsym(RTLD_DEFAULT, "malloc"), 1},
               {own, strlenOfLibc, 0},
               {&onStack, &onStack, 0},
               {nullptr, own, 0}};
  for (const auto& c : cases) EXPECT_EQ(c.same, SameLoadedObject(c.a, c.b)) << c.a << " " << c.b;
}

}  // namespace
