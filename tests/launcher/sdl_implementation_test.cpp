// The launcher on either SDL 1.2 implementation: the classic library or sdl12-compat (the
// SDL 1.2 interface on SDL2). The sdl12-compat pass of the test script runs these and the
// other launcher scenarios with the loader path set to sdl12-compat's folder and
// QFN_SDL_IMPLEMENTATION=compat; without that variable the classic library is expected.
#include "tests/support/launch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

bool CompatExpected() {
  const char* implementation = getenv("QFN_SDL_IMPLEMENTATION");
  return implementation && std::string(implementation) == "compat";
}

class SdlImplementation : public ::testing::Test {
 protected:
  void SetUp() override {
    world.FakeTool("zenity");
    world.FakeTool("xdg-open");
  }
  TempWorld world;
};

TEST_F(SdlImplementation, EngineRunsOnTheLibraryThisPassNames) {
  Bundle bundle = MakeBundle(world, TestEngineLibrary());
  Launch launch = RunLauncher(world, bundle, {});
  ASSERT_EQ(launch.process.exitCode, 0) << launch.process.err;
  ASSERT_EQ(EngineEntries(launch.calls)[2], "qrnRun");
  const std::string library = launch.calls[2].fields["sdl_library"];
  EXPECT_NE(library.find("libSDL-1.2.so"), std::string::npos) << library;
  EXPECT_EQ(library.find("/sdl12-compat/") != std::string::npos, CompatExpected()) << library;
}

// Each run opens a window and the launcher stops video after it: on sdl12-compat's
// off-screen driver stopping video twice crashed, so every run must end with its banner.
TEST_F(SdlImplementation, WindowOpensAndClosesOnEveryRestart) {
  Bundle bundle = MakeBundle(world, TestEngineLibrary());
  const std::string driver = getenv("QFN_TEST_WAYLAND_DISPLAY") ? "wayland"
                             : CompatExpected()                   ? "offscreen"
                                                                  : "dummy";
  Launch launch = RunLauncher(world, bundle, {},
                              {{"SDL_VIDEODRIVER", driver},
                               {"QRN_TEST_VIDEO_MODE", "1"},
                               {"QRN_TEST_CLOSE_RESULTS", "1,1,0"}});
  EXPECT_EQ(launch.process.exitCode, 0) << launch.process.err;
  int runs = 0;
  for (auto& call : launch.calls) {
    if (call.entry != "qrnRun") continue;
    ++runs;
    EXPECT_EQ(call.fields["window"], "1");
    EXPECT_EQ(call.fields["driver"], driver);
  }
  EXPECT_EQ(runs, 3);
  std::string log = ReadFile(world.LauncherLog());
  size_t exits = 0;
  for (size_t at = log.find("[main] Exiting\n"); at != std::string::npos;
       at = log.find("[main] Exiting\n", at + 1))
    ++exits;
  EXPECT_EQ(exits, 3u) << log;
}

// With neither a display nor SDL_VIDEODRIVER, and output that is no terminal, the game gets a
// driver nobody sees (sdl12-compat's off-screen one; the classic library would otherwise
// draw text-mode art into the pipe) and the demo game ends by itself.
TEST_F(SdlImplementation, DemoEndsByItselfWithoutDisplayOrDriver) {
  Bundle bundle = MakeBundle(world, DemoEngineLibrary());
  ProcessOptions options = world.ChildOptions(false);
  auto driver = [](const auto& pair) { return pair.first == "SDL_VIDEODRIVER"; };
  options.env.erase(std::remove_if(options.env.begin(), options.env.end(), driver),
                    options.env.end());
  options.unset.push_back("SDL_VIDEODRIVER");  // SDL picks the driver
  options.timeoutSeconds = 20;
  ProcessResult result = RunProcess({bundle.exe}, options);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("Quarn Demo: game over\n"), std::string::npos) << result.out;
  EXPECT_NE(ReadFile(world.LauncherLog("Quarn Demo")).find("[main] Exiting\n"), std::string::npos);
}

}  // namespace
