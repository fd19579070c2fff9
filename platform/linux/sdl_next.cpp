// SDL's functions for the launcher; see sdl_next.h. The library is opened by its usual name
// into the process's global scope: when the engine brought it, that is the engine's copy
// (whichever file the loader's search found for it), moved there so that the executable's
// next-definition look-ups find it behind anything preloaded; otherwise it is loaded now.
// The table is filled once under pthread_once and published with one atomic store.
#include "platform/sdl_next.h"

#include <pthread.h>

#include <atomic>
#include <cstddef>

#include "platform/linux/symbols.h"
#include "util/strbuf.h"

namespace {
const char kSdlLibrary[] = "libSDL-1.2.so.0";

pthread_once_t s_once = PTHREAD_ONCE_INIT;
SdlCalls s_calls;
std::atomic<const SdlCalls*> s_library{nullptr};
char s_error[256];

struct Slot {
  const char* name;
  void** address;
};

template <typename Fn>
void** AsSlot(Fn* fn) {
  return reinterpret_cast<void**>(fn);
}

void Load() {
  if (!ShareLibrary(kSdlLibrary, s_error, sizeof s_error)) return;
  const Slot slots[] = {
      {"SDL_PollEvent", AsSlot(&s_calls.PollEvent)},
      {"SDL_PumpEvents", AsSlot(&s_calls.PumpEvents)},
      {"SDL_PeepEvents", AsSlot(&s_calls.PeepEvents)},
      {"SDL_Init", AsSlot(&s_calls.Init)},
      {"SDL_InitSubSystem", AsSlot(&s_calls.InitSubSystem)},
      {"SDL_QuitSubSystem", AsSlot(&s_calls.QuitSubSystem)},
      {"SDL_Quit", AsSlot(&s_calls.Quit)},
      {"SDL_WasInit", AsSlot(&s_calls.WasInit)},
      {"SDL_GetVideoSurface", AsSlot(&s_calls.GetVideoSurface)},
      {"SDL_PushEvent", AsSlot(&s_calls.PushEvent)},
      {"SDL_EventState", AsSlot(&s_calls.EventState)},
      {"SDL_GetEventFilter", AsSlot(&s_calls.GetEventFilter)},
      {"SDL_GetError", AsSlot(&s_calls.GetError)},
      {"SDL_Delay", AsSlot(&s_calls.Delay)},
  };
  for (const Slot& slot : slots) {
    *slot.address = NextSymbol(slot.name);
    if (*slot.address == nullptr) {
      StrFormatf(s_error, sizeof s_error, "%s has no %s", kSdlLibrary, slot.name);
      return;
    }
  }
  s_library.store(&s_calls, std::memory_order_release);
}

const SdlCalls* LoadOnce() {
  pthread_once(&s_once, Load);
  return s_library.load(std::memory_order_acquire);
}

// Every other call: once SDL is found, one load.
inline const SdlCalls* Loaded() {
  const SdlCalls* loaded = s_library.load(std::memory_order_acquire);
  return loaded ? loaded : LoadOnce();
}

// Each event call before SDL was looked for looks, then calls (or answers as SDL would without
// a library); out of line, so that every call after it is one load and a jump.
[[gnu::noinline]] int PollEventLoading(SDL_Event* event) {
  const SdlCalls* sdl = LoadOnce();
  return sdl ? sdl->PollEvent(event) : 0;
}

[[gnu::noinline]] void PumpEventsLoading(void) {
  const SdlCalls* sdl = LoadOnce();
  if (sdl) sdl->PumpEvents();
}

[[gnu::noinline]] int PeepEventsLoading(SDL_Event* events, int count, SDL_eventaction action,
                                        Uint32 mask) {
  const SdlCalls* sdl = LoadOnce();
  return sdl ? sdl->PeepEvents(events, count, action, mask) : -1;
}
}  // namespace

const SdlCalls* SdlLibrary(void) {
  return Loaded();
}

const char* SdlLibraryError(void) {
  return SdlLibrary() ? "" : s_error;
}

int NextSdlPollEvent(SDL_Event* event) {
  const SdlCalls* sdl = s_library.load(std::memory_order_acquire);
  return sdl ? sdl->PollEvent(event) : PollEventLoading(event);
}

void NextSdlPumpEvents(void) {
  const SdlCalls* sdl = s_library.load(std::memory_order_acquire);
  return sdl ? sdl->PumpEvents() : PumpEventsLoading();
}

int NextSdlPeepEvents(SDL_Event* events, int count, SDL_eventaction action, Uint32 mask) {
  const SdlCalls* sdl = s_library.load(std::memory_order_acquire);
  return sdl ? sdl->PeepEvents(events, count, action, mask)
             : PeepEventsLoading(events, count, action, mask);
}

int NextSdlInit(Uint32 flags) {
  const SdlCalls* sdl = Loaded();
  return sdl ? sdl->Init(flags) : -1;
}

int NextSdlInitSubSystem(Uint32 flags) {
  const SdlCalls* sdl = Loaded();
  return sdl ? sdl->InitSubSystem(flags) : -1;
}

int CalledFromSdl(const void* returnAddress) {
  const SdlCalls* sdl = SdlLibrary();
  if (!sdl) return 0;
  // Calls come from a few places only: the engine's loops and SDL's own event functions,
  // which pump through the executable's ones and so alternate with them. The answers for the
  // latest few places save looking the address up (dladdr) in every event call.
  constexpr int kRemembered = 8;
  static thread_local const void* s_addresses[kRemembered];
  static thread_local int s_answers[kRemembered];
  static thread_local int s_next;
  for (int i = 0; i < kRemembered; ++i)
    if (s_addresses[i] == returnAddress) return s_answers[i];
  int answer = SameLoadedObject(returnAddress, reinterpret_cast<const void*>(sdl->PumpEvents));
  s_addresses[s_next] = returnAddress;
  s_answers[s_next] = answer;
  s_next = (s_next + 1) % kRemembered;
  return answer;
}
