// Whether a display is there, from the environment alone: a variable set but empty names none.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/process.h"

namespace {

TEST(HasDisplay, NeedsANonEmptyDisplayVariable) {
  struct Case {
    const char* display;  // null: unset
    const char* wayland;
    int expected;
  };
  const Case cases[] = {
      {nullptr, nullptr, 0}, {"", nullptr, 0},          {nullptr, "", 0},     {"", "", 0},
      {":0", nullptr, 1},    {nullptr, "wayland-0", 1}, {"", "wayland-1", 1}, {":1", "", 1},
  };
  for (const Case& c : cases) {
    c.display ? setenv("DISPLAY", c.display, 1) : unsetenv("DISPLAY");
    c.wayland ? setenv("WAYLAND_DISPLAY", c.wayland, 1) : unsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(HasDisplay(), c.expected)
        << (c.display ? c.display : "(unset)") << " / " << (c.wayland ? c.wayland : "(unset)");
  }
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
}

}  // namespace
