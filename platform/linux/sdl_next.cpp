// Calls into the SDL library behind the executable's own SDL event functions. The addresses
// are looked up on first use; a missing one (no SDL loaded, which cannot happen in the
// launcher) makes the call do nothing.
#include "platform/sdl_next.h"

#include "platform/linux/symbols.h"

namespace {
template <typename Fn>
Fn Next(const char* name) {
  return reinterpret_cast<Fn>(NextSymbol(name));
}
}  // namespace

int NextSdlPollEvent(SDL_Event* event) {
  static const auto s_poll = Next<int (*)(SDL_Event*)>("SDL_PollEvent");
  return s_poll ? s_poll(event) : 0;
}

void NextSdlPumpEvents(void) {
  static const auto s_pump = Next<void (*)(void)>("SDL_PumpEvents");
  if (s_pump) s_pump();
}

int NextSdlPeepEvents(SDL_Event* events, int count, SDL_eventaction action, Uint32 mask) {
  static const auto s_peep =
      Next<int (*)(SDL_Event*, int, SDL_eventaction, Uint32)>("SDL_PeepEvents");
  return s_peep ? s_peep(events, count, action, mask) : -1;
}

int NextSdlInit(Uint32 flags) {
  static const auto s_init = Next<int (*)(Uint32)>("SDL_Init");
  return s_init ? s_init(flags) : -1;
}

int NextSdlInitSubSystem(Uint32 flags) {
  static const auto s_init = Next<int (*)(Uint32)>("SDL_InitSubSystem");
  return s_init ? s_init(flags) : -1;
}

int CalledFromSdl(const void* returnAddress) {
  static const void* const s_sdl = NextSymbol("SDL_PumpEvents");
  // Calls come from a few places only: the engine's loops and SDL's own event functions,
  // which pump through the executable's ones and so alternate with them. The answers for the
  // latest few places save looking the address up (dladdr) in every event call.
  constexpr int kRemembered = 8;
  static thread_local const void* s_addresses[kRemembered];
  static thread_local int s_answers[kRemembered];
  static thread_local int s_next;
  for (int i = 0; i < kRemembered; ++i)
    if (s_addresses[i] == returnAddress) return s_answers[i];
  int answer = SameLoadedObject(returnAddress, s_sdl);
  s_addresses[s_next] = returnAddress;
  s_answers[s_next] = answer;
  s_next = (s_next + 1) % kRemembered;
  return answer;
}
