// SDL's own event functions, for an executable that defines functions of the same names so
// that an engine's calls reach it first: each looks up the next definition in the loader's
// search order (dlsym RTLD_NEXT, the SDL library) once, and calls it.
#pragma once

#include <SDL.h>

int OsNextSdlPollEvent(SDL_Event* event);
void OsNextSdlPumpEvents(void);
