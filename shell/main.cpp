// Process entry: applies the desktop launch-marker rule and hands the arguments to the
// launcher's main loop.
#include "launcher/run_cycle.h"

#include <cstdlib>
#include <cstring>

static int gArgc;
static char** gArgv;
static bool gFinderLaunch;

int main(int argc, char** argv) {
  // A desktop launch puts its marker in argument 1; everything after argument 0 is then
  // hidden from the launcher.
  if (argc >= 2 && strncmp(argv[1], "-psn", 4) == 0) {
    gArgc = 1;
    gFinderLaunch = true;
  } else {
    gArgc = argc;
    gFinderLaunch = false;
  }
  gArgv = argv;
  (void)gFinderLaunch;
  exit(SDL_main(gArgc, gArgv));
}
