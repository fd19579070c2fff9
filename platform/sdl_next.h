// SDL 1.2's own functions. The executable links no SDL: the library comes with the engine (or,
// for an engine that does not link it, is loaded here by its usual name), and the launcher
// reaches it through this table, filled once, the first time any of it is needed. The
// executable defines SDL's event and start functions itself so that an engine's calls reach
// it first; the Next* functions call the definitions that come after the executable's own.
#pragma once

#include <SDL.h>

struct SdlCalls {
  int (*PollEvent)(SDL_Event* event);
  void (*PumpEvents)(void);
  int (*PeepEvents)(SDL_Event* events, int count, SDL_eventaction action, Uint32 mask);
  int (*Init)(Uint32 flags);
  int (*InitSubSystem)(Uint32 flags);
  void (*QuitSubSystem)(Uint32 flags);
  void (*Quit)(void);
  Uint32 (*WasInit)(Uint32 flags);
  SDL_Surface* (*GetVideoSurface)(void);
  int (*PushEvent)(SDL_Event* event);
  Uint8 (*EventState)(Uint8 type, int state);
  SDL_EventFilter (*GetEventFilter)(void);
  char* (*GetError)(void);
  void (*Delay)(Uint32 ms);
};

// The SDL library's functions; null when no SDL 1.2 library could be loaded or it lacks one
// of them (SdlLibraryError then says why). Any thread; the first call loads.
const SdlCalls* SdlLibrary(void);
const char* SdlLibraryError(void);

// The engine's event and start calls passed on; without SDL they find nothing and fail as
// SDL's own would (no event, -1).
int NextSdlPollEvent(SDL_Event* event);
void NextSdlPumpEvents(void);
int NextSdlPeepEvents(SDL_Event* events, int count, SDL_eventaction action, Uint32 mask);
int NextSdlInit(Uint32 flags);
int NextSdlInitSubSystem(Uint32 flags);
// 1 when a call came from inside the SDL library itself (returnAddress is the caller's, from
// __builtin_return_address): SDL pumps events through the executable's functions from its
// own functions too, such as sdl12-compat's SDL_SetVideoMode or classic SDL's
// SDL_SetEventFilter, and the engine must not be called back from inside those.
int CalledFromSdl(const void* returnAddress);
