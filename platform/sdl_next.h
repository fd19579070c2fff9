// SDL's own event functions, for an executable that defines functions of the same names so
// that an engine's calls reach it first: each finds the definition that comes after the
// executable's own (the SDL library's) once, and calls it.
#pragma once

#include <SDL.h>

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
