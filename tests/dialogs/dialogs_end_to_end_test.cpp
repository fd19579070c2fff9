// The question with the real zenity on a private Xvfb display: the window appears and is
// drawn, Return answers yes (OK is the default button) and Escape answers no. Skipped only
// when Xvfb, zenity, xdotool or ImageMagick are not installed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/support/temp_world.h"
#include "tests/support/virtual_display.h"

namespace {

struct Session {
  std::string display;
  std::string key;   // pressed on the dialog
  std::string shot;  // screenshot file
  bool windowFound = false;
  long colours = 0;
};

ProcessOptions ToolOptions(const Session& s) {
  ProcessOptions options;
  options.env = {{"DISPLAY", s.display}};
  options.timeoutSeconds = 20;
  return options;
}

// Runs in the test while the question is up: finds its window, checks that something was
// drawn, then answers with the key.
void AnswerDialog(int, void* context) {
  Session& s = *static_cast<Session*>(context);
  std::string window;
  for (int i = 0; i < 200 && window.empty(); ++i) {
    ProcessResult found =
        RunProcess({"xdotool", "search", "--onlyvisible", "--class", "zenity"}, ToolOptions(s));
    if (found.exitCode == 0 && !found.out.empty()) {
      window = found.out.substr(0, found.out.find('\n'));
    } else {
      usleep(100000);
    }
  }
  s.windowFound = !window.empty();
  if (!s.windowFound) return;
  usleep(500000);  // let the dialog finish drawing
  RunProcess({"import", "-window", "root", s.shot}, ToolOptions(s));
  ProcessResult colours = RunProcess({"identify", "-format", "%k", s.shot}, ToolOptions(s));
  s.colours = atol(colours.out.c_str());
  RunProcess({"xdotool", "windowfocus", "--sync", window}, ToolOptions(s));
  RunProcess({"xdotool", "key", "--clearmodifiers", s.key}, ToolOptions(s));
}

TEST(DialogsEndToEnd, RealQuestionAnswersReturnWithYesAndEscapeWithNo) {
  if (!ProgramsInstalled({"Xvfb", "zenity", "xdotool", "import", "identify"}))
    GTEST_SKIP() << "Xvfb, zenity, xdotool or ImageMagick is not installed";
  TempWorld world;
  VirtualDisplay server;
  const std::string& display = server.Display();
  ASSERT_FALSE(display.empty()) << "Xvfb did not start";

  struct Case {
    const char* key;
    int answer;
  } cases[] = {{"Return", 1}, {"Escape", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    Session s;
    s.display = display;
    s.key = c.key;
    s.shot = world.Path(std::string(c.key) + ".png");
    ProcessOptions options;
    options.env = {{"DISPLAY", display}, {"HOME", world.Home()}};
    options.unset = {"WAYLAND_DISPLAY"};
    options.timeoutSeconds = 40;
    options.onStart = AnswerDialog;
    options.context = &s;
    ProcessResult r =
        RunProcess({QFN_DIALOGS_HELPER, "question", "Remove Big Game & its <data>?"}, options);
    EXPECT_TRUE(s.windowFound);
    EXPECT_GT(s.colours, 1) << "the screen is one colour: nothing was drawn";
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, c.answer) << r.err;
  }
}

}  // namespace
