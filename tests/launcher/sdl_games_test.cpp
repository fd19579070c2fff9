// Everyday SDL 1.2 programs (engines/games/) run under the launcher as they run alone: each is
// run alone and as the engine of a bundle, and the two runs are compared (status, output, the
// processes it starts); under the launcher the log is closed and the instance record removed.
#include <signal.h>

#include <gtest/gtest.h>

#include <atomic>
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
TEST(SdlGameEvents, QuitRequestGoesThroughTheGamesEventFilter) {
  LauncherWorld lw;
  Bundle bundle = MakeBundle(lw.world, SdlGameEngine("quit_filter"));
  for (const std::string& program : {SdlGameProgram("quit_filter"), bundle.exe}) {
    const std::string ready = lw.world.Path("ready-" + std::to_string(program.size()));
    ProcessOptions options = lw.world.ChildOptions();
    options.env.push_back({"QRN_GAME_READY", ready});
    Background game;
    game.Start({program}, options);
    ASSERT_TRUE(WaitForFile(ready, 60)) << program;
    ProcessResult result = game.Terminate();
    EXPECT_EQ(result.exitCode, 0) << program << result.err;
    EXPECT_EQ(result.out, "quit request seen by the filter\nquit events in the loop: 0\n") << program;
  }
}

}  // namespace
