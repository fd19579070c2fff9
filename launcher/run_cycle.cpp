// The launcher's main loop and one run of it. SDL_main repeats Run while the engine asks for
// a restart, at most kMaxRuns times. Every text written into a launcher buffer is bounded, so
// an over-long command line is cut at the buffer's capacity rather than running past it.
#include "launcher/run_cycle.h"

#include "launcher/engine.h"
#include "launcher/forwarding.h"
#include "launcher/held_messages.h"
#include "launcher/instance_guard.h"
#include "launcher/sdl_video.h"
#include "launcher/uninstaller.h"
#include "platform/dialogs.h"
#include "platform/fatal_signals.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "state/state.h"
#include "util/strbuf.h"

#include <SDL.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {
const char kDllBase[] = "quarnc";
constexpr int kHandOverRounds = 3;  // running games found in turn by one launch
// Set from the quit-signal handler; read by the main loop between runs.
std::atomic<int> s_quitRequested{0};
// 1 from SDL's start until the run's end is written: an exit() of the engine in between
// ends the run from the process's exit hook.
std::atomic<int> s_engineActive{0};
const char kDllSuffix[] = ".so";

int HasExactOption(int argc, char** argv, const char* option) {
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], option) == 0) return 1;
  }
  return 0;
}

int IsOneOf(const char* arg, const char* const* options) {
  for (; *options; ++options) {
    if (SDL_strcasecmp(arg, *options) == 0) return 1;
  }
  return 0;
}

// The command line handed on: argument 0 in double quotes, then every argument that is not
// an install-time option, each followed by one space.
void BuildForwardedCommandLine(int argc, char** argv) {
  static const char* const kDropped[] = {"-install", "-installcd", "-safemode", nullptr};
  static const char* const kDroppedWithValue[] = {"-InstallDeck", "-InstallEnvironment",
                                                  "-InstallTutorial", nullptr};
  StrFormatf(g_AppCommandLine, sizeof g_AppCommandLine, "\"%s\" ", argv[0]);
  for (int i = 1; i < argc; ++i) {
    if (IsOneOf(argv[i], kDropped)) continue;
    if (IsOneOf(argv[i], kDroppedWithValue)) {
      ++i;  // its value goes too
      continue;
    }
    StrAppendf(g_AppCommandLine, sizeof g_AppCommandLine, "%s ", argv[i]);
  }
}

// The message a second instance composes for the running one: CommandLine|a0|a1|...|. The
// characters of the whole message, also when it did not fit (g_AppCommandLine then holds a
// cut one that must not be sent).
size_t BuildInstanceMessage(int argc, char** argv) {
  StrCopy(g_AppCommandLine, "CommandLine|");
  size_t length = strlen(g_AppCommandLine);
  for (int i = 0; i < argc; ++i) {
    StrAppendf(g_AppCommandLine, sizeof g_AppCommandLine, "%s|", argv[i]);
    length += strlen(argv[i]) + 1;
  }
  return length;
}

// The end of a played run, written alike whether the engine returned or ended the process.
// SDL video is stopped here only when another run follows; after the last run it stays up
// for the game's own exit handlers and the exit hook stops it after them.
// noRestart says why a restart the engine asked for does not follow.
void EndRun(int restart, const char* noRestart) {
  const int anotherRun = restart && !noRestart;
  Logf("[main] SDL_Quit\n");
  if (anotherRun)
    SdlQuit();
  else
    SdlVideoKeepForExit();
  Logf("[main] Unloading Quarn\n");
  UnloadQuarn();
  EndForwardingRun();
  if (g_HaveLock) ReleaseInstanceRecord();
  if (restart) {
    Logf("[main] restart requested\n");
    Logf("       %s\n", g_AppExePath);
    if (noRestart) Logf("[main] No restart: %s\n", noRestart);
  }
  Logf("[main] Exiting\n");
  Logf_flush();
  CloseLog();
}

// The process ends through exit(): after the engine's own exit handlers, which ran on a live
// SDL. When the engine called exit() during its run, the run's end is written first; the
// status stays the engine's.
void AtProcessEnd(int status) {
  if (s_engineActive.exchange(0)) {
    Logf("[main] The game ended the process with exit status %d\n", status);
    EndRun(0, nullptr);
  }
  SdlVideoStopAtExit();
}

// A fatal signal (from the signal handler: signal-safe calls only): the log gets the signal
// and where it struck, then the run's last line and the closing banner.
void AtFatalSignal(const char* text) {
  char lines[kFatalSignalTextCapacity + 64];
  StrCopy(lines, "[main] Fatal ");
  StrAppend(lines, text);
  StrAppend(lines, "\n[main] Exiting\n");
  CloseLogAfterFatalSignal(lines);
}

// Without a display the classic library falls back to a text-mode driver (libcaca, aalib)
// that draws into whatever standard output is. Without a terminal there nobody sees it, so
// the run gets SDL's dummy driver, one the engine recognises as unseen; sdl12-compat picks an
// unseen driver by itself. A driver the user chose stays.
void ChooseUnseenDriverWithoutScreen() {
  if (HasDisplay() || getenv("SDL_VIDEODRIVER") || StandardOutputIsTerminal()) return;
  SetEnvironment("SDL_VIDEODRIVER", "dummy");
}

void LogRunHeader(int argc, char** argv) {
  Logf("[main] Path: %s\n", g_AppPath);
  Logf("[main] Command line:\n");
  for (int i = 0; i < argc; ++i) Logf("       %s\n", argv[i]);
  Logf("[main] DllName: %s\n", g_DllName);
  Logf("[main] AppName: %s  (%s)\n", g_AppNameLong, g_AppNameShort);
}
}  // namespace

int SdlMainInit() {
  SetEnvironment("SDL_HAS3BUTTONMOUSE", "1");
  ChooseUnseenDriverWithoutScreen();
  if (SdlVideoStart()) return 1;
  Alertf("SDL Init Failed\n\n%s", SdlVideoError());
  return 0;
}

void SdlQuit() {
  SdlVideoStop();
}

int WatchProcessExit() {
  return OnProcessExit(AtProcessEnd);
}

int WatchCrashes() {
  return WatchFatalSignals(AtFatalSignal);
}

RunResult Run(int argc, char** argv, int runIndex) {
  const RunResult couldNotPlay = {0, kExitCouldNotPlay};
  g_nBuild = 0;
  if (HasExactOption(argc, argv, "-MakeGob") || HasExactOption(argc, argv, "-MakePatchGob")) {
    g_bNoNativeGui = 1;
  }
  int inResources = SetPath(argv[0]) == 0;
  StrFormatf(g_DllName, sizeof g_DllName, "%s%s", kDllBase, kDllSuffix);
  if (!inResources) {
    // The working directory is still the one the launcher was started from; a library of
    // that name there is not the game's, so nothing is loaded.
    Alertf("ERROR\n\nCan't load %s!\nError: can't enter the folder %s", g_DllName, g_AppPath);
    return couldNotPlay;
  }
  if (!InitQuarn()) return couldNotPlay;
  qrnGetAppName(g_AppNameShort, g_AppNameLong, g_AppID, &g_nBuild);
  if (!GetUserPath()) {
    Alertf("FAILED to find a writeable folder for game data!");
    return couldNotPlay;
  }
  // A second instance opens the running instance's log too; the log appends while another
  // process holds it, so that instance's lines are never lost.
  InitLog(runIndex);
  Logf("[main] Quarn Initialized: %s\n", g_AppNameLong);

  // The check starts listening when this process claims the game, before the record names
  // it, so a launch that finds the record can hand its messages over at once; they wait until
  // the engine runs. A launch that finds a running game listens for nobody.
  // A game that ends during the hand-over leaves the launch to play itself, as the next
  // launch would; a few rounds at most, as other launches may take the game over meanwhile.
  for (int round = 0; AlreadyRunning(); ++round) {
    StopForwardedLaunches();
    // The running game still uses its files: nothing is removed, nor handed to it.
    if (HasExactOption(argc, argv, "-Uninstall")) {
      Logf("[main] Not uninstalling: the game is running\n");
      Alertf("%s is running, so nothing was removed. Quit the game first, then uninstall it.",
             g_AppNameLong);
      return {0, kExitNotUninstalled};
    }
    size_t length = BuildInstanceMessage(argc, argv);
    int forwarded = ForwardToInstance(RunningInstanceIdentity(), g_AppCommandLine, length,
                                      round + 1 < kHandOverRounds);
    if (forwarded != kForwardInstanceEnded)
      return {0, forwarded == kForwardDone ? kExitPlayed : kExitNotForwarded};
  }

  if (HasExactOption(argc, argv, "-Uninstall")) {
    // No engine will run to take other launches: they are told so rather than kept waiting.
    StopForwardedLaunches();
    AnnounceUninstall();
    return {0, UninstallFlow() ? kExitPlayed : kExitNotUninstalled};
  }

  LogRunHeader(argc, argv);
  BuildForwardedCommandLine(argc, argv);

  Logf("[main] SdlMainInit\n");
  if (!SdlMainInit()) {
    Logf("[main] SdlMainInit FAILED\n");
    return couldNotPlay;
  }

  s_engineActive = 1;
  Logf("[main] Creating GameTree\n");
  int createResult = qrnCreate(argc, argv);
  DeliverHeldMessages(SendIPC);
  if (createResult) {
    Logf("[main] GameTree requests immediate exit\n");
  } else {
    Logf("[main] Running\n");
    AllowForwardedDelivery(1);  // the engine's event pumping hands over other launches
    qrnRun();
    AllowForwardedDelivery(0);
    FinishForwardedLaunches();
  }
  Logf("[main] Closing\n");
  int restart = qrnClose() != 0;
  s_engineActive = 0;
  const char* noRestart = s_quitRequested.load()     ? "a quit was requested"
                          : runIndex + 1 >= kMaxRuns ? "the last run allowed has ended"
                                                     : nullptr;
  EndRun(restart, noRestart);
  return {restart && !noRestart, kExitPlayed};
}

void NoteQuitRequest() {
  s_quitRequested.store(1);
}

// Every run finds the bundle from the executable's own path, so it does not matter that the
// run before made the resource folder the working directory. After a quit request no new
// run starts, whatever the engine's close asked for: the user ended the game.
extern "C" int SDL_main(int argc, char** argv) {
  RunResult result = {0, kExitPlayed};
  for (int runIndex = 0; runIndex < kMaxRuns; ++runIndex) {
    result = Run(argc, argv, runIndex);
    if (!result.restart || s_quitRequested.load()) break;
  }
  return result.status;
}
