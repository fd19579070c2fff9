// Quit requests from the desktop or the terminal (SIGTERM, SIGINT, SIGHUP), taken by the
// platform's quit-signal handler in whichever thread they land. While SDL video runs, each
// request becomes one quit event for the game in its next event call. Otherwise (no video
// yet, or video still starting or already stopping) there is no game to ask: the request
// ends the process by the signal, and the dialogs this process started are closed right
// after it.
#include "launcher/run_cycle.h"
#include "launcher/sdl_video.h"
#include "platform/quit_signals.h"
#include "shell/shell.h"

static SDLApplication* s_application;

bool SDLApplication::Terminate() {
  return SdlVideoPostQuit() != 0;
}

// Inside the signal handler: atomic stores and loads alone.
static int OnQuitRequest() {
  NoteQuitRequest();  // whatever the game answers, it ends after this run
  return s_application->Terminate() ? 1 : 0;
}

int StartQuitRequests(SDLApplication* application) {
  s_application = application;
  return WatchQuitSignals(OnQuitRequest);
}
