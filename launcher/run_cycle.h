// The launcher's main loop: SDL_main runs Run while the engine asks for a restart and no quit
// was requested, at most kMaxRuns times, and returns the process's exit status. One run
// prepares paths, engine, identity, data folder and log, then either ends quietly (another
// instance runs), uninstalls, or plays.
#pragma once

constexpr int kMaxRuns = 10;
// Exit statuses: 0 for a game that played, a forwarded launch or a declined uninstall.
constexpr int kExitCouldNotPlay = 1;    // no bundle folder, engine not bound, SDL not started
constexpr int kExitNotUninstalled = 3;  // the uninstall could not be done or left entries
constexpr int kExitNotForwarded = 4;    // a second launch's messages are not all delivered

// A quit request (SIGTERM, SIGINT, SIGHUP) arrived: no further run starts. Safe to call from
// any thread.
void NoteQuitRequest();

extern "C" int SDL_main(int argc, char** argv);
int Run(int argc, char** argv, int runIndex);
int SdlMainInit();
void SdlQuit();
// A second launch hands the running instance its held documents, then this message (its
// "CommandLine|...|" text); what cannot be delivered is written to the log. 1 when the
// running engine has them all.
int SendToInstance(const char* message);
