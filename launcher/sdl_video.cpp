// SDL video with its state; see sdl_video.h. s_state moves down -> starting -> running ->
// stopping -> down, written by the main thread or the process's exit hook. A quit request
// (from a signal handler) only reads the state and counts itself; the game's next event call
// delivers it. The lock is never held while SDL starts or stops, only around the change to and
// from running and around a delivered quit event, so a delivery cannot race the shutdown of
// SDL's event queue and never waits for SDL itself. It is a spin lock: each holder keeps it
// for a store or one SDL_PushEvent; a signal handler never takes it.
#include "launcher/sdl_video.h"

#include <SDL.h>

#include "platform/fatal_signals.h"
#include "platform/sdl_next.h"

#include <atomic>
#include <cassert>
#include <cstring>

namespace {
enum VideoState { kDown, kStarting, kRunning, kStopping };

std::atomic_flag s_lock = ATOMIC_FLAG_INIT;
std::atomic<int> s_state{kDown};
const SdlCalls* s_sdl;  // set by the first start; video never runs without it

struct Hold {
  Hold() {
    while (s_lock.test_and_set(std::memory_order_acquire)) {
    }
  }
  ~Hold() { s_lock.clear(std::memory_order_release); }
};

// The one order of the states: each to the next, and starting back to down when SDL fails.
[[maybe_unused]] bool IsNextState(int from, VideoState to) {
  return to == (from + 1) % 4 || (from == kStarting && to == kDown);
}

void SetState(VideoState state) {
  Hold hold;
  assert(IsNextState(s_state, state));
  s_state = state;
}

// SDL sets and removes its parachute (handlers for fatal signals) as it starts and stops: it
// sees the dispositions it would see alone, and the crash watch goes back over what it left.
// SDL_Init without the parachute removes the one the launcher's own start set, as the program
// alone would have none; SDL_InitSubSystem ignores that flag.
int InitWatched(Uint32 flags, int (*init)(Uint32 flags)) {
  PauseFatalSignalWatch();
  if ((flags & SDL_INIT_NOPARACHUTE) && init == NextSdlInit) RemoveSdlParachute();
  int result = init(flags);
  ResumeFatalSignalWatch();
  return result;
}

// Quit requests waiting for the game's next event call.
std::atomic<int> s_quitsWaiting{0};

// Queues one quit event unless video has begun to stop meanwhile.
void PushQuitWhileRunning(SDL_Event* event) {
  Hold hold;
  if (s_state == kRunning) s_sdl->PushEvent(event);
}

SDL_Event QuitEvent() {
  SDL_Event event;
  memset(&event, 0, sizeof event);
  event.type = SDL_QUIT;
  return event;
}
}  // namespace

int SdlVideoStart() {
  s_sdl = SdlLibrary();
  if (!s_sdl) return 0;
  SetState(kStarting);
  if (InitWatched(SDL_INIT_VIDEO, NextSdlInit) < 0) {
    SetState(kDown);
    return 0;
  }
  SetState(kRunning);
  return 1;
}

// Video is stopped through SDL_QuitSubSystem, which runs SDL_VideoQuit once and clears the
// subsystem's flag. sdl12-compat's own SDL_VideoQuit leaves that flag set, so SDL_Quit would
// stop video a second time, which crashes under its off-screen driver.
void SdlVideoStop() {
  if (s_state == kRunning) SetState(kStopping);
  s_sdl->QuitSubSystem(SDL_INIT_VIDEO);
  PauseFatalSignalWatch();
  s_sdl->Quit();
  ResumeFatalSignalWatch();
  if (s_state == kStopping) SetState(kDown);
}

void SdlVideoStopAtExit() {
  if (s_state != kDown) SdlVideoStop();
}

void SdlVideoKeepForExit() {
  if (s_state == kRunning) SetState(kStopping);
}

// Video started by SDL_Init has no event thread, and SDL takes that flag only when video
// starts: so video starts again, with the engine's flags, while the engine has no video
// surface yet. The result is SDL's, as the engine alone would get it.
int SdlVideoEngineInit(Uint32 flags, int (*init)(Uint32 flags)) {
  int restart = (flags & SDL_INIT_VIDEO) && (flags & SDL_INIT_EVENTTHREAD) && s_state == kRunning &&
                !s_sdl->GetVideoSurface();
  if (!restart) return InitWatched(flags, init);
  SetState(kStopping);
  s_sdl->QuitSubSystem(SDL_INIT_VIDEO);
  SetState(kDown);
  SetState(kStarting);
  int result = InitWatched(flags, init);
  SetState(s_sdl->WasInit(SDL_INIT_VIDEO) ? kRunning : kDown);
  return result;
}

// A quit request reaches the game as SDL's own quit does when the program runs alone (SDL
// turns SIGINT and SIGTERM into one): nothing while the game ignores SDL_QUIT, and the game's
// event filter sees the event before the queue does and may keep it out. SDL_PushEvent alone
// would skip that filter, and a game that reads quit requests only there would never end.
// The request comes in a signal handler, which may interrupt SDL itself, and the filter is
// game code that may end the process with exit(): so the handler only counts the request, and
// it meets the filter in the game's next event call (SdlVideoDeliverQuits), on the game's own
// thread, as sdl12-compat delivers a signal's quit alone.
int SdlVideoPostQuit() {
  if (s_state.load() != kRunning) return 0;
  s_quitsWaiting.fetch_add(1);
  return 1;
}

int SdlVideoQuitsWaiting() {
  return s_quitsWaiting.load(std::memory_order_relaxed) != 0;
}

// The filter runs without the lock: it may end the process, and the process's end takes it.
// The game may have begun or stopped ignoring or filtering quit events since the request came.
void SdlVideoDeliverQuits() {
  for (int waiting = s_quitsWaiting.exchange(0); waiting > 0; --waiting) {
    if (s_state != kRunning || s_sdl->EventState(SDL_QUIT, SDL_QUERY) != SDL_ENABLE) return;
    SDL_Event event = QuitEvent();
    SDL_EventFilter filter = s_sdl->GetEventFilter();
    if (filter && !filter(&event)) continue;
    PushQuitWhileRunning(&event);
  }
}

const char* SdlVideoError() {
  return s_sdl ? s_sdl->GetError() : SdlLibraryError();
}
