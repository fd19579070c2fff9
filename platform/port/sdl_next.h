// What a port implements to reach SDL's own event functions: the calls behind the functions
// of sdl_next.h, which say what each does.
#pragma once

#include <SDL.h>

int OsNextSdlPollEvent(SDL_Event* event);
void OsNextSdlPumpEvents(void);
int OsNextSdlPeepEvents(SDL_Event* events, int count, SDL_eventaction action, Uint32 mask);
int OsNextSdlInit(Uint32 flags);
int OsNextSdlInitSubSystem(Uint32 flags);
int OsCalledFromSdl(const void* returnAddress);
