// The application shell: the process entry, the application object that turns quit requests
// into SDL quit events, and the delegate that turns opened documents into "OpenFile|"
// messages and hands control to SDL_main. One instance of each class, made by main.
#pragma once

#include "platform/quit_signals.h"

class SDLApplication {
 public:
  // A quit request, from a signal handler: while SDL video runs, posts one SDL quit event as
  // SDL itself would (through the game's event filter, which may drop it), in the game's next
  // event call, and returns true; otherwise posts nothing and returns false. Never waits for
  // SDL to start or stop, and never calls SDL.
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

// Quit requests (SIGTERM, SIGINT, SIGHUP): installs their handler, before SDL starts so that
// SDL leaves it in place. The signal mask stays the one the process was started with, which
// the engine's threads and processes inherit. A request that Terminate does not take ends the
// process by the signal. 1 when the handler is installed.
int StartQuitRequests(SDLApplication* application);
