// The executable's own SDL_PollEvent, SDL_WaitEvent, SDL_PumpEvents and SDL_PeepEvents, and
// its SDL_Init and SDL_InitSubSystem. The executable's symbols come first in the engine
// library's look-up, so the engine's calls run these: each event call does what SDL's does
// and then serves launches forwarded by other launcher processes; an engine's own SDL start
// takes effect as it would alone. This is where a desktop would deliver open-document requests
// to a running application, on the main thread, between the engine's own frames; quit requests
// that wait for the game's event filter meet it here too. SDL reaches these functions from
// inside its own ones too (setting a video mode, an event filter); such calls only pump, so
// the engine is never called back from inside SDL.
#include <SDL.h>

#include "launcher/forwarding.h"
#include "launcher/sdl_video.h"
#include "platform/sdl_next.h"

namespace {
// Quit requests waiting for the game's event filter meet it here, in the engine's own call,
// so that a filter which ends the process does so on the engine's thread, outside SDL.
void DeliverQuitsFor(const void* caller) {
  if (SdlVideoQuitsWaiting() && !CalledFromSdl(caller)) SdlVideoDeliverQuits();
}

void PumpFor(const void* caller) {
  NextSdlPumpEvents();
  DeliverQuitsFor(caller);
  if (ForwardedLaunchesWaiting() && !CalledFromSdl(caller)) DeliverForwardedLaunches();
}
}  // namespace

extern "C" {

void SDL_PumpEvents(void) {
  PumpFor(__builtin_return_address(0));
}

int SDL_PollEvent(SDL_Event* event) {
  DeliverQuitsFor(__builtin_return_address(0));
  int result = NextSdlPollEvent(event);
  if (ForwardedLaunchesWaiting() && !CalledFromSdl(__builtin_return_address(0)))
    DeliverForwardedLaunches();
  return result;
}

// SDL's own waiting loop (pump, take one event, sleep 10 ms), so that forwarded launches are
// also delivered while the engine waits for input.
int SDL_WaitEvent(SDL_Event* event) {
  const void* caller = __builtin_return_address(0);
  for (;;) {
    PumpFor(caller);
    switch (NextSdlPeepEvents(event, 1, SDL_GETEVENT, SDL_ALLEVENTS)) {
      case -1:
        return 0;
      case 1:
        return 1;
      default:  // SDL answered, so it is loaded
        SdlLibrary()->Delay(10);
    }
  }
}

// A game that lets SDL's event thread pump reads its events with SDL_PeepEvents alone.
int SDL_PeepEvents(SDL_Event* events, int count, SDL_eventaction action, Uint32 mask) {
  DeliverQuitsFor(__builtin_return_address(0));
  int result = NextSdlPeepEvents(events, count, action, mask);
  if (!CalledFromSdl(__builtin_return_address(0))) DeliverForwardedLaunches();
  return result;
}

int SDL_Init(Uint32 flags) {
  if (CalledFromSdl(__builtin_return_address(0))) return NextSdlInit(flags);
  return SdlVideoEngineInit(flags, NextSdlInit);
}

int SDL_InitSubSystem(Uint32 flags) {
  if (CalledFromSdl(__builtin_return_address(0))) return NextSdlInitSubSystem(flags);
  return SdlVideoEngineInit(flags, NextSdlInitSubSystem);
}
}
