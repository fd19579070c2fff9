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

namespace {

bool Installed(const char* tool) {
  std::string path = std::string("/usr/bin/") + tool;
  return access(path.c_str(), X_OK) == 0;
}

// Starts Xvfb on a free display number; the display (":N") or empty, and its pid.
std::string StartXvfb(pid_t* pid) {
  int fds[2];
  if (pipe(fds) != 0) return "";
  *pid = fork();
  if (*pid == 0) {
    close(fds[0]);
    int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, 1);
    dup2(devnull, 2);
    std::string fd = std::to_string(fds[1]);
    execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
          "-nolisten", "tcp", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  pollfd p = {fds[0], POLLIN, 0};
  char c;
  while (poll(&p, 1, 15000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  return number.empty() ? "" : ":" + number;
}

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
  for (const char* tool : {"Xvfb", "zenity", "xdotool", "import", "identify"}) {
    if (!Installed(tool)) GTEST_SKIP() << tool << " is not installed";
  }
  TempWorld world;
  pid_t xvfb = -1;
  std::string display = StartXvfb(&xvfb);
  if (display.empty()) {
    if (xvfb > 0) kill(xvfb, SIGKILL);
    if (xvfb > 0) waitpid(xvfb, nullptr, 0);
    FAIL() << "Xvfb did not start";
  }

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
  kill(xvfb, SIGTERM);
  waitpid(xvfb, nullptr, 0);
}

}  // namespace
