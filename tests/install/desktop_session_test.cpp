// The installed demo game as a user meets it on a desktop: started by its desktop entry's
// Exec command line on a virtual X display, its window shows and Escape ends it; then
// "-Uninstall" asks with the real zenity, Return confirms, the installation goes, and the
// exit-poll question that follows is dismissed with Escape so no browser opens.
#include "tests/install/install_helpers.h"
#include "tests/support/temp_world.h"
#include "tests/support/virtual_display.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The world's environment with a real display and SDL's default (X11) video driver.
ProcessOptions DesktopOptions(const TempWorld& world, const std::string& display) {
  ProcessOptions options = world.ChildOptions();
  std::vector<std::pair<std::string, std::string>> env;
  for (const auto& pair : options.env) {
    if (pair.first != "DISPLAY" && pair.first != "SDL_VIDEODRIVER") env.push_back(pair);
  }
  env.push_back({"DISPLAY", display});
  env.push_back({"NO_AT_BRIDGE", "1"});  // no accessibility bus on this display
  options.env = env;
  options.unset.push_back("SDL_VIDEODRIVER");
  options.timeoutSeconds = 90;
  return options;
}

bool Running(int pid) {
  std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  size_t nameEnd = stat.rfind(')');
  return nameEnd != std::string::npos && nameEnd + 2 < stat.size() && stat[nameEnd + 2] != 'Z';
}

struct Session {
  ProcessOptions tools;  // environment for xdotool, import, convert
  std::string shot;
  std::string launcher;
  bool shown = false;
  bool classMatches = false;
  std::string seen;  // what the last look at the screen found, for failure messages
  int keysSent = 0;

  std::string Tool(const std::vector<std::string>& argv) const {
    ProcessOptions options = tools;
    options.timeoutSeconds = 10;
    return RunProcess(argv, options).out;
  }
  // The first visible window whose class or name matches, or "".
  std::string FindWindow(const char* how, const std::string& what) const {
    std::string out = Tool({"xdotool", "search", "--onlyvisible", how, what});
    return out.substr(0, out.find('\n'));
  }
  void PressIn(const std::string& window, const std::string& key) {
    Tool({"xdotool", "windowfocus", "--sync", window, "key", key});
    ++keysSent;
  }
  int ScreenColours() const {
    Tool({"import", "-window", "root", "png:" + shot});
    return std::atoi(Tool({"convert", shot, "-format", "%k", "info:"}).c_str());
  }
};

void SleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// While the game runs: wait for its window to show on the screen, then press Escape in it.
void PlayThenEscape(int pid, void* context) {
  auto* session = static_cast<Session*>(context);
  auto end = Clock::now() + std::chrono::seconds(30);
  std::string window;
  while (Clock::now() < end && Running(pid) && !session->shown) {
    window = session->FindWindow("--name", "Quarn Demo");
    int colours = window.empty() ? 0 : session->ScreenColours();
    session->seen = "window '" + window + "', " + std::to_string(colours) + " colours";
    session->shown = colours > 1;
    if (!session->shown) SleepMs(200);
  }
  // The desktop entry's StartupWMClass names the window's class, so docks group them.
  session->classMatches =
      !window.empty() && session->FindWindow("--class", "^quarn-demo$") == window;
  if (!session->shown || window.empty()) {
    kill(pid, SIGTERM);  // end the game anyway; the test fails on what it saw
    return;
  }
  session->PressIn(window, "Escape");
}

// Presses key in the visible zenity window until stop() holds or time runs out.
template <typename Stop>
void AnswerQuestion(Session* session, const std::string& key, Stop stop) {
  auto end = Clock::now() + std::chrono::seconds(30);
  while (Clock::now() < end && !stop()) {
    std::string window = session->FindWindow("--class", "zenity");
    if (!window.empty()) session->PressIn(window, key);
    SleepMs(300);
  }
}

void ConfirmUninstallThenDeclinePoll(int pid, void* context) {
  auto* session = static_cast<Session*>(context);
  AnswerQuestion(session, "Return",
                 [&] { return !FileExists(session->launcher) || !Running(pid); });
  AnswerQuestion(session, "Escape", [&] { return !Running(pid); });
}

TEST(DesktopSession, InstalledDemoPlaysFromItsDesktopEntryAndUninstalls) {
  if (!ProgramsInstalled({"Xvfb", "xdotool", "zenity", "import", "convert"}))
    GTEST_SKIP() << "Xvfb, xdotool, zenity or ImageMagick is not installed";
  TempWorld world;
  world.FakeTool("xdg-open");
  std::string prefix = world.Path("Desktop games");
  ProcessResult installed = InstallTo(world, prefix);
  ASSERT_EQ(installed.exitCode, 0) << installed.out << installed.err;
  Installed paths = InstalledPaths(prefix);

  VirtualDisplay display;
  ASSERT_FALSE(display.Display().empty()) << "Xvfb did not start";
  Session session;
  session.tools = DesktopOptions(world, display.Display());
  session.shot = world.Path("screen.png");
  session.launcher = paths.launcher;

  // An empty screen is one colour (black, no cursor), so the check below can fail.
  EXPECT_EQ(session.ScreenColours(), 1);

  // As the desktop starts it, without documents.
  std::vector<std::string> argv =
      ExecArguments(DesktopValue(ReadFile(paths.desktopFile), "Exec"), {});
  ASSERT_EQ(argv, (std::vector<std::string>{paths.launcher, "-psn_desktop"}));
  ProcessOptions game = DesktopOptions(world, display.Display());
  game.onStart = PlayThenEscape;
  game.context = &session;
  ProcessResult played = RunProcess(argv, game);
  EXPECT_TRUE(session.shown) << "the game's window never showed: " << session.seen;
  EXPECT_TRUE(session.classMatches);
  EXPECT_EQ(DesktopValue(ReadFile(paths.desktopFile), "StartupWMClass"), "quarn-demo");
  EXPECT_EQ(session.keysSent, 1);
  EXPECT_FALSE(played.timedOut);
  EXPECT_EQ(played.termSignal, 0);
  EXPECT_EQ(played.exitCode, 0) << played.err;
  std::string log = ReadFile(world.LauncherLog("Quarn Demo", kLauncherName));
  EXPECT_NE(log.find("[main] Exiting\n"), std::string::npos) << log;

  ProcessOptions uninstall = DesktopOptions(world, display.Display());
  uninstall.onStart = ConfirmUninstallThenDeclinePoll;
  uninstall.context = &session;
  session.keysSent = 0;
  ProcessResult removed = RunProcess({paths.launcher, "-Uninstall"}, uninstall);
  EXPECT_FALSE(removed.timedOut);
  EXPECT_EQ(removed.exitCode, 0) << removed.err;
  EXPECT_GE(session.keysSent, 2) << "both questions were answered";
  for (const std::string& file :
       {paths.launcher, paths.engine, paths.installLog, paths.desktopFile}) {
    EXPECT_FALSE(FileExists(file)) << file;
  }
  EXPECT_TRUE(world.Calls("xdg-open").empty()) << "the exit poll was declined";
}

}  // namespace
