// The executable's own SDL_PollEvent, SDL_WaitEvent, SDL_PumpEvents and SDL_PeepEvents, and
// its SDL_Init and SDL_InitSubSystem. The executable's symbols come first in the engine
// library's look-up, so the engine's calls run these: each event call does what SDL's does
// and then serves launches forwarded by other launcher processes; an engine's own SDL start
// takes effect as it would alone. This is where a desktop would deliver open-document requests
// to a running application, on the main thread, between the engine's own frames; quit requests
// meet the game here too, on its own thread. SDL reaches these functions from inside its own
// ones too (classic SDL's SDL_PollEvent pumps and peeps through them, setting a video mode or an
// event filter pumps): such calls only pass on, so the engine is never called back from inside
// SDL. An engine's poll thus passes here three times; the passes inside it cost one
// thread-local load, and the engine's own pass asks once whether anything waits, looking up
// its caller only when something does.
#include <SDL.h>

#include "launcher/forwarding.h"
#include "launcher/sdl_video.h"
#include "platform/sdl_next.h"

namespace {
// 1 while this thread is inside SDL's SDL_PollEvent called from ours: the calls SDL makes to
// these functions from there pass on at once. A thread-local of the executable: one load.
thread_local int t_insidePoll;

// Quit requests or forwarded launches may wait.
bool Waiting() {
  return SdlVideoQuitsWaiting() || ForwardedLaunchesWaiting();
}

// Something waits and the engine itself made the call.
bool Attend(const void* caller) {
  return Waiting() && !CalledFromSdl(caller);
}

// Quit requests first, so that the call that delivers one can return it; a filter that ends
// the process then does so on the engine's thread, outside SDL.
void DeliverQuits() {
  if (SdlVideoQuitsWaiting()) SdlVideoDeliverQuits();
}

void DeliverLaunches() {
  if (ForwardedLaunchesWaiting()) DeliverForwardedLaunches();
}

void PumpFor(const void* caller) {
  NextSdlPumpEvents();
  if (!Attend(caller)) return;
  DeliverQuits();
  DeliverLaunches();
}

// The engine's own poll and peep; kept out of line so that the passes inside SDL's poll save
// nothing on the stack.
[[gnu::noinline]] int PollFor(SDL_Event* event, const void* caller) {
  bool attend = Attend(caller);
  if (attend) DeliverQuits();
  t_insidePoll = 1;
  int result = NextSdlPollEvent(event);
  t_insidePoll = 0;
  if (attend) DeliverLaunches();
  return result;
}

[[gnu::noinline]] int PeepFor(SDL_Event* events, int count, SDL_eventaction action, Uint32 mask,
                              const void* caller) {
  bool attend = Attend(caller);
  if (attend) DeliverQuits();
  int result = NextSdlPeepEvents(events, count, action, mask);
  if (attend) DeliverLaunches();
  return result;
}
}  // namespace

extern "C" {

void SDL_PumpEvents(void) {
  if (t_insidePoll) return NextSdlPumpEvents();
  PumpFor(__builtin_return_address(0));
}

int SDL_PollEvent(SDL_Event* event) {
  if (t_insidePoll) return NextSdlPollEvent(event);
  return PollFor(event, __builtin_return_address(0));
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
  if (t_insidePoll) return NextSdlPeepEvents(events, count, action, mask);
  return PeepFor(events, count, action, mask, __builtin_return_address(0));
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
