// On a virtual X display: a second launch of a running game brings the game's window to the
// top of the stacking order, above the window of another game started after it.
#include "tests/support/bundle.h"
#include "tests/support/virtual_display.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <atomic>
#include <chrono>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// A demo game in a world of its own, on the display, with its own X window class.
struct Game {
  TempWorld world;
  Bundle bundle = MakeBundle(world, DemoEngineLibrary());
  ProcessOptions options;
  std::atomic<int> pid{-1};  // set on the thread that runs the game
  std::thread thread;

  Game(const std::string& display, const std::string& windowClass) {
    options = world.ChildOptions();
    std::vector<std::pair<std::string, std::string>> env;
    for (const auto& pair : options.env)
      if (pair.first != "DISPLAY" && pair.first != "SDL_VIDEODRIVER") env.push_back(pair);
    env.push_back({"DISPLAY", display});
    env.push_back({"SDL_VIDEO_X11_WMCLASS", windowClass});
    options.env = env;
    options.unset.push_back("SDL_VIDEODRIVER");
    options.timeoutSeconds = 60;
  }
  void Start() {
    ProcessOptions first = options;
    first.onStart = [](int started, void* context) { static_cast<Game*>(context)->pid = started; };
    first.context = this;
    thread = std::thread([this, first] { RunProcess({bundle.exe}, first); });
  }
  ~Game() {
    if (pid > 0) kill(pid, SIGTERM);  // a quit request ends the demo
    if (thread.joinable()) thread.join();
  }
};

std::string Tool(const std::string& display, const std::vector<std::string>& argv) {
  ProcessOptions options;
  options.env = {{"DISPLAY", display}};
  options.timeoutSeconds = 10;
  return RunProcess(argv, options).out;
}

int StackIndex(const std::string& display, const std::string& window);

// The game's shown window: sdl12-compat may make and destroy a window before the one it
// shows, so a window counts only once it is visible and stands among the root's children.
std::string WindowOfClass(const std::string& display, const std::string& windowClass) {
  for (int i = 0; i < 200; ++i) {
    std::string out = Tool(display, {"xdotool", "search", "--onlyvisible", "--class", windowClass});
    std::string window = out.substr(0, out.find('\n'));
    if (!window.empty() && StackIndex(display, window) >= 0) return window;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return "";
}

// Position of the window among the root's children as xwininfo lists them (top first).
int StackIndex(const std::string& display, const std::string& window) {
  char hex[32];
  snprintf(hex, sizeof hex, "0x%lx", std::stoul(window));
  std::istringstream lines(Tool(display, {"xwininfo", "-root", "-children"}));
  std::string line;
  int index = 0;
  for (; std::getline(lines, line);) {
    if (line.rfind("     0x", 0) != 0) continue;
    if (line.compare(5, strlen(hex), hex) == 0 && line[5 + strlen(hex)] == ' ') return index;
    ++index;
  }
  return -1;
}

TEST(WindowRaise, SecondLaunchBringsTheRunningGameToTheTop) {
  if (!ProgramsInstalled({"Xvfb", "xdotool", "xwininfo"})) GTEST_SKIP() << "no Xvfb tools";
  VirtualDisplay display;
  ASSERT_FALSE(display.Display().empty());
  Game first(display.Display(), "qfn-first");
  first.Start();
  std::string firstWindow = WindowOfClass(display.Display(), "qfn-first");
  ASSERT_FALSE(firstWindow.empty());
  Game other(display.Display(), "qfn-other");
  other.Start();
  std::string otherWindow = WindowOfClass(display.Display(), "qfn-other");
  ASSERT_FALSE(otherWindow.empty());
  // The game started later is on top.
  ASSERT_LT(StackIndex(display.Display(), otherWindow), StackIndex(display.Display(), firstWindow));

  ProcessResult second = RunProcess({first.bundle.exe}, first.options);
  EXPECT_EQ(second.exitCode, 0) << second.err;
  int firstIndex = -1, otherIndex = -1;
  for (int i = 0; i < 50; ++i) {
    firstIndex = StackIndex(display.Display(), firstWindow);
    otherIndex = StackIndex(display.Display(), otherWindow);
    if (firstIndex >= 0 && firstIndex < otherIndex) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_LT(firstIndex, otherIndex);
  EXPECT_GE(firstIndex, 0);
}

}  // namespace
