// SDL cannot be loaded without the system's loader: SDL does not start, so no game runs, and no
// window is raised.
#include "platform/sdl_next.h"
#include "platform/window_raise.h"

const SdlCalls* SdlLibrary(void) {
  return nullptr;
}

const char* SdlLibraryError(void) {
  return "this port loads no SDL library";
}

int NextSdlPollEvent(SDL_Event*) {
  return 0;
}

void NextSdlPumpEvents(void) {}

int NextSdlPeepEvents(SDL_Event*, int, SDL_eventaction, Uint32) {
  return -1;
}

int NextSdlInit(Uint32) {
  return -1;
}

int NextSdlInitSubSystem(Uint32) {
  return -1;
}

int CalledFromSdl(const void*) {
  return 0;
}

int RaiseSdlWindow(void) {
  return 0;
}
