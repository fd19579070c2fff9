// Everyday SDL 1.2 programs (engines/games/) run under the launcher as they run alone: each is
// run alone and as the engine of a bundle, and the two runs are compared (status, output, the
// processes it starts); under the launcher the log is closed and the instance record removed.
#include <signal.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <regex>
#include <thread>

#include "tests/support/launcher_run.h"

namespace {

struct GameCase {
  const char* name;
  int status;            // alone and under the launcher
  const char* exitLine;  // the log line of an exit() from the game, or ""
};

class SdlGame : public ::testing::TestWithParam<GameCase> {};

TEST_P(SdlGame, EndsUnderTheLauncherAsAlone) {
  const GameCase& c = GetParam();
  TempWorld world;
  world.Apply();
  world.FakeTool("zenity");
  Bundle bundle = MakeBundle(world, SdlGameEngine(c.name));
  ProcessOptions options = world.ChildOptions();
  options.env.push_back({"QRN_GAME_FRAMES", "20"});
  ProcessResult alone = RunProcess({SdlGameProgram(c.name)}, options);
  ProcessResult launched = RunProcess({bundle.exe}, options);

  EXPECT_EQ(alone.exitCode, c.status) << alone.err;
  EXPECT_EQ(launched.exitCode, c.status) << launched.err;
  EXPECT_EQ(launched.out, alone.out);
  std::vector<std::string> runs;
  std::string why;
  ASSERT_TRUE(SplitLogRuns(ReadFile(world.LauncherLog("SDL Game")), &runs, &why)) << why;
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_NE(runs[0].find(std::string("[main] Running\n") + c.exitLine +
                         "[main] SDL_Quit\n[main] Unloading Quarn\n[main] Exiting\n"),
            std::string::npos)
      << runs[0];
  EXPECT_EQ(GetSystemPreference(1, "SDL Game", "PSN", nullptr), nullptr);
  EXPECT_EQ(GetSystemPreference(0, "SDL Game", "PSN", nullptr), nullptr);
}

// exit_handler frees its cursor and calls SDL_Quit in an atexit handler; exit_loop calls
// exit(3); event_thread asks for SDL's event thread and counts the threads SDL_Init started;
// child_process prints the signal mask and ignored signals of a process it starts.
INSTANTIATE_TEST_SUITE_P(
    Games, SdlGame,
    ::testing::Values(GameCase{"exit_handler", 0, "[main] Closing\n"},
                      GameCase{"exit_loop", 3,
                               "[main] The game ended the process with exit status 3\n"},
                      GameCase{"event_thread", 0, "[main] Closing\n"},
                      GameCase{"child_process", 0, "[main] Closing\n"}),
    [](const ::testing::TestParamInfo<GameCase>& info) { return std::string(info.param.name); });

struct CrashCase {
  const char* name;
  const char* how;  // QRN_GAME_CRASH
  bool noParachute;
  int signal;
  const char* function;  // where addr2line puts the crash, or "" when it is in the C library
};

class SdlGameCrash : public ::testing::TestWithParam<CrashCase> {};

// A game that crashes ends by the same signal and prints the same as alone, whatever SDL's
// parachute does; under the launcher the log then names the signal and the place, which
// addr2line finds, and ends as a run's log ends.
TEST_P(SdlGameCrash, EndsAsAloneAndLeavesItsTraceInTheLog) {
  const CrashCase& c = GetParam();
  const char* wrapper = getenv("QFN_LAUNCHER_WRAPPER");
  if (wrapper && wrapper[0])  // a memory checker counts the crash itself as an invalid access
    GTEST_SKIP() << "the launcher runs under " << wrapper;
  TempWorld world;
  world.Apply();
  world.FakeTool("zenity");
  Bundle bundle = MakeBundle(world, SdlGameEngine("crash"));
  ProcessOptions options = world.ChildOptions();
  options.env.push_back({"QRN_GAME_CRASH", c.how});
  if (c.noParachute) options.env.push_back({"QRN_GAME_NOPARACHUTE", "1"});
  // In a sanitizer build the sanitizer's own handler would end both runs with its report.
  const char* asan = getenv("ASAN_OPTIONS");
  options.env.push_back({"ASAN_OPTIONS", std::string(asan ? asan : "") +
                                             ":handle_segv=0:handle_sigbus=0:handle_sigfpe=0"});
  ProcessResult alone = RunProcess({SdlGameProgram("crash")}, options);
  ProcessResult launched = RunProcess({bundle.exe}, options);

  EXPECT_EQ(alone.termSignal, c.signal) << alone.err;
  EXPECT_EQ(launched.termSignal, c.signal) << launched.err;
  EXPECT_EQ(launched.out, alone.out);
  const std::string log = ReadFile(world.LauncherLog("SDL Game"));
  if (c.signal == 0) {  // only a child crashed: the game's log knows nothing of it
    EXPECT_EQ(launched.exitCode, 0);
    EXPECT_EQ(log.find("Fatal"), std::string::npos) << log;
    EXPECT_NE(log.find("[main] Exiting\nEXE LOG closed "), std::string::npos) << log;
    return;
  }
  std::smatch found;
  ASSERT_TRUE(std::regex_search(
      log, found,
      std::regex(
          "\\[main\\] Running\n\\[main\\] Fatal signal ([0-9]+) \\([A-Z]+\\) at "
          "(.+)\\+0x([0-9a-f]+)\n"
          "\\[main\\] Exiting\nEXE LOG closed [A-Z][a-z]+day [A-Z][a-z]+ [0-9]{2}, [0-9]{4}, "
          "[01][0-9]:[0-5][0-9]:[0-5][0-9] [AP]M\n\n$")))
      << log;
  EXPECT_EQ(std::stoi(found[1]), c.signal);
  if (c.function[0] == '\0') return;
  EXPECT_EQ(found[2], bundle.resources + "/quarnc.so");
  ProcessResult line = RunProcess({"addr2line", "-f", "-e", found[2], found[3]}, {});
  EXPECT_EQ(line.out.substr(0, line.out.find('\n')), c.function) << line.out;
  EXPECT_NE(line.out.find("crash.c:"), std::string::npos) << line.out;
}

// With its parachute SDL stops itself and raises the signal again; without it (or on
// sdl12-compat, which has none) the signal's default action ends the game. A child the game
// forked crashes as it would alone, and the game plays on.
INSTANTIATE_TEST_SUITE_P(
    Games, SdlGameCrash,
    ::testing::Values(CrashCase{"segv", "segv", false, SIGSEGV, "WriteThroughNull"},
                      CrashCase{"segv_no_parachute", "segv", true, SIGSEGV, "WriteThroughNull"},
                      CrashCase{"segv_in_thread", "thread", true, SIGSEGV, "WriteThroughNull"},
                      CrashCase{"abort", "abort", false, SIGABRT, ""},
                      CrashCase{"in_forked_child", "child", false, 0, ""}),
    [](const ::testing::TestParamInfo<CrashCase>& info) { return std::string(info.param.name); });

struct Background {
  std::atomic<int> pid{0};
  ProcessResult result;
  std::thread thread;
  void Start(const std::vector<std::string>& argv, ProcessOptions options) {
    options.context = this;
    options.onStart = [](int started, void* self) {
      static_cast<Background*>(self)->pid = started;
    };
    thread = std::thread([this, argv, options] { result = RunProcess(argv, options); });
  }
  ProcessResult Terminate() {
    kill(pid, SIGTERM);
    thread.join();
    return result;
  }
};

// A game that reads its events with SDL_PeepEvents alone, on SDL's event thread, gets the
// documents of a second launch and ends on SIGTERM as it does alone.
TEST(SdlGameEvents, PeepEventsGameGetsDocumentsAndQuitRequests) {
  LauncherWorld lw;
  Bundle bundle = MakeBundle(lw.world, SdlGameEngine("event_thread"));
  for (const std::string& program : {SdlGameProgram("event_thread"), bundle.exe}) {
    const std::string ready = lw.world.Path("ready-" + std::to_string(program.size()));
    ProcessOptions options = lw.world.ChildOptions();
    options.env.push_back({"QRN_GAME_READY", ready});
    Background game;
    game.Start({program}, options);
    ASSERT_TRUE(WaitForFile(ready, 60)) << program;
    const bool launched = program == bundle.exe;
    if (launched) {
      ProcessResult second = RunProcess({bundle.exe, "-psn_desktop", "/docs/level.sav"}, options);
      EXPECT_EQ(second.exitCode, 0) << second.err;
    }
    ProcessResult result = game.Terminate();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("quit\n"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("received: OpenFile|/docs/level.sav\n") != std::string::npos,
              launched)
        << result.out;
  }
}

// A game that reads quit requests only in its event filter, which drops them: a quit request
// reaches that filter exactly once, as SDL's own quit does alone, and never the game's loop.
// A filter may also end the game with exit() there and then.
TEST(SdlGameEvents, QuitRequestGoesThroughTheGamesEventFilter) {
  LauncherWorld lw;
  Bundle bundle = MakeBundle(lw.world, SdlGameEngine("quit_filter"));
  for (bool exitInFilter : {false, true}) {
    for (const std::string& program : {SdlGameProgram("quit_filter"), bundle.exe}) {
      const std::string ready =
          lw.world.Path("ready-" + std::to_string(program.size()) + std::to_string(exitInFilter));
      ProcessOptions options = lw.world.ChildOptions();
      options.env.push_back({"QRN_GAME_READY", ready});
      if (exitInFilter) options.env.push_back({"QRN_GAME_EXIT_IN_FILTER", "1"});
      Background game;
      game.Start({program}, options);
      ASSERT_TRUE(WaitForFile(ready, 60)) << program;
      ProcessResult result = game.Terminate();
      EXPECT_EQ(result.exitCode, 0) << program << result.err;
      EXPECT_EQ(result.out, exitInFilter ? "quit request seen by the filter\n"
                                         : "quit request seen by the filter\n"
                                           "quit events in the loop: 0\n")
          << program;
    }
  }
}

}  // namespace
