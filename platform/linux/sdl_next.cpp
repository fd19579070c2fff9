// Calls into the SDL library behind the executable's own SDL event functions. The addresses
// are looked up on first use; a missing one (no SDL loaded, which cannot happen in the
// launcher) makes the call do nothing.
#include "platform/port/sdl_next.h"

#include "platform/linux/symbols.h"

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

int OsCalledFromSdl(const void* returnAddress) {
  static const void* const s_sdl = OsNextSymbol("SDL_PumpEvents");
  // An engine calls from a few places only, so the last answer is usually the one asked for.
  static thread_local const void* s_lastAddress;
  static thread_local int s_lastAnswer;
  if (returnAddress != s_lastAddress) {
    s_lastAnswer = OsSameLoadedObject(returnAddress, s_sdl);
    s_lastAddress = returnAddress;
  }
  return s_lastAnswer;
}
