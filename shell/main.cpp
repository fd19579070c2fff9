// Process entry and the delegate: applies the desktop launch-marker rule, turns the documents
// of a desktop launch into open-document requests before launching finishes, then runs
// SDL_main once and ends the process with its result. The launch state is written once by
// main and read once by ApplicationDidFinishLaunching; gArgv is the process's own vector.
#include "launcher/engine.h"
#include "launcher/launch_documents.h"
#include "launcher/run_cycle.h"
#include "shell/shell.h"
#include "state/state.h"
#include "util/strbuf.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

static int gArgc;
static char** gArgv;
static unsigned char gFinderLaunch;

bool SDLMain::ApplicationOpenFiles(char** paths, int count) {
  HoldLaunchDocuments(paths, count);
  return true;
}

void SDLMain::ApplicationDidFinishLaunching() {
  // The run cycle sets the working directory from the executable's own path, whatever the
  // launch, so nothing is prepared here.
  int result = SDL_main(gArgc, gArgv);
  exit(result);
}

int main(int argc, char** argv) {
  // First of all: the launcher's end runs after every exit handler the engine registers, and
  // a crash is watched from the main thread.
  if (!WatchProcessExit())
    fprintf(stderr, "%s: an exit() inside the game will leave the log open\n", argv[0]);
  WatchCrashes();

  // A desktop launch puts its marker in argument 1; everything after argument 0 is then
  // hidden from the launcher, and the arguments after the marker are documents.
  if (argc >= 2 && strncmp(argv[1], "-psn", 4) == 0) {
    gArgc = 1;
    gFinderLaunch = 1;
  } else {
    gArgc = argc;
    gFinderLaunch = 0;
  }
  gArgv = argv;

  static SDLApplication application;
  static SDLMain delegate;
  // Without the handler the quit signals keep their default action: they end the launcher
  // at once, as they do while no game runs.
  StartQuitRequests(&application);

  if (gFinderLaunch && argc > 2) delegate.ApplicationOpenFiles(argv + 2, argc - 2);
  delegate.ApplicationDidFinishLaunching();
  return 0;
}
