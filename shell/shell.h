// The application shell: the process entry, the application object that turns quit requests
// into SDL quit events, and the delegate that turns opened documents into "OpenFile|"
// messages and hands control to SDL_main. One instance of each class, made by main.
#pragma once

#include "platform/quit_signals.h"

class SDLApplication {
 public:
  // A quit request: while SDL video runs, posts one SDL quit event as SDL itself would
  // (through the game's event filter, which may drop it) and returns true;
  // otherwise posts nothing and returns false. Never waits for SDL to start or stop.
  bool Terminate();
};

class SDLMain {
 public:
  // Holds the documents of a desktop launch, each to become "OpenFile|" + its absolute path
  // (a relative one names a file of the folder started in); always true.
  bool ApplicationOpenFiles(char** paths, int count);
  // Runs SDL_main once with the launch arguments and ends the process with its result.
  [[noreturn]] void ApplicationDidFinishLaunching();
};

// Quit requests (SIGTERM, SIGINT, SIGHUP). BlockQuitSignals (quit_signals.h) must run in the
// main thread before any other thread exists; StartQuitRequests starts the thread that takes
// them and gives the main thread back its starting mask, which the engine's threads and
// processes inherit. A request that Terminate does not take ends the process by the signal.
// 1 when the thread runs.
int StartQuitRequests(SDLApplication* application);
