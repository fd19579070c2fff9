// The launcher's main loop: SDL_main runs Run while the engine asks for a restart and no quit
// was requested, at most kMaxRuns times, and returns the process's exit status. One run
// prepares paths, engine, identity, data folder and log, then either ends quietly (another
// instance runs), uninstalls, or plays.
#pragma once

constexpr int kMaxRuns = 10;
// Exit statuses.
constexpr int kExitPlayed = 0;  // played, handed to a running instance, uninstall declined or done
// No bundle folder, engine not bound, no writeable data folder, SDL not started.
constexpr int kExitCouldNotPlay = 1;
// The uninstall could not be done or left entries. Not 1: a broken bundle ends the same
// "-Uninstall" launch with kExitCouldNotPlay before anything is removed, and a script must tell
// "nothing was tried" from "removal tried and left files"; 2 is what shells and most tools
// return for a wrong command line.
constexpr int kExitNotUninstalled = 3;
// A second launch's messages are not all in the running engine: not delivered, not confirmed,
// or past what one launch holds.
constexpr int kExitNotForwarded = 4;

// What one run leaves to the loop.
struct RunResult {
  int restart;  // 1: another run follows (the engine's close asked, and nothing stops it)
  int status;   // the process's exit status when no further run follows
};

// A quit request (SIGTERM, SIGINT, SIGHUP) arrived: no further run starts. Safe to call from
// any thread.
void NoteQuitRequest();

// Registers the launcher's own end of the process; call it first thing in main, so that it
// runs after the engine's exit handlers. An engine that ends the process with exit() during
// its run gets the run's end written (log closed, instance record removed, channel closed),
// and SDL video is stopped only after the engine's exit handlers. 1 when registered.
int WatchProcessExit();

// Registers the launcher's trace of a crash; call it in the main thread before SDL starts. A
// fatal signal (a segmentation fault, an abort ...) writes "[main] Fatal signal <number>
// (<name>) at <library>+0x<offset>", "[main] Exiting" and the closing banner to the log, and
// the process then ends by that signal as it would have without the launcher. 1 when watching.
int WatchCrashes();

extern "C" int SDL_main(int argc, char** argv);
RunResult Run(int argc, char** argv, int runIndex);
int SdlMainInit();
void SdlQuit();
