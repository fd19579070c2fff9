// Calls into the SDL library behind the executable's own SDL event functions. The addresses
// are looked up on first use; a missing one (no SDL loaded, which cannot happen in the
// launcher) makes the call do nothing.
#include "platform/sdl_next.h"

#include "platform/loader.h"

namespace {
template <typename Fn>
Fn Next(const char* name) {
  return reinterpret_cast<Fn>(OsNextSymbol(name));
}
}  // namespace

int OsNextSdlPollEvent(SDL_Event* event) {
  static const auto s_poll = Next<int (*)(SDL_Event*)>("SDL_PollEvent");
  return s_poll ? s_poll(event) : 0;
}

void OsNextSdlPumpEvents(void) {
  static const auto s_pump = Next<void (*)(void)>("SDL_PumpEvents");
  if (s_pump) s_pump();
}
