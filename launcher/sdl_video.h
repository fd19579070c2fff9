// SDL's video subsystem, started and stopped by the run cycle on the main thread, and the
// one thing a signal handler may do with it: post a quit event while it runs. A post never
// waits for a start or a stop in progress, however long SDL takes (a display that accepts
// the connection and never answers keeps SDL_Init waiting for good).
#pragma once

#include <SDL.h>

// Starts video (SDL_Init with the video flag), loading SDL first when the engine did not
// bring it; 1 on success.
int SdlVideoStart();
// Why the last start failed: SDL's error text, or why no SDL 1.2 library could be loaded.
const char* SdlVideoError();
// Stops video once on either SDL 1.2 library (SDL_QuitSubSystem for video, then SDL_Quit).
void SdlVideoStop();
// The last run is over: no more quit events are posted, but SDL keeps running for the game's
// own exit handlers, which may still free its cursors and surfaces or call SDL_Quit.
void SdlVideoKeepForExit();
// From the process's exit hook, after those handlers: stops SDL unless it is down.
void SdlVideoStopAtExit();
// The engine's own SDL_Init or SDL_InitSubSystem (init, SDL's function), on the main thread:
// flags that SDL reads only when video starts (the event thread) take effect as they would
// for the engine alone. Returns SDL's result.
int SdlVideoEngineInit(Uint32 flags, int (*init)(Uint32 flags));
// Any thread, async-signal-safe (atomic operations alone, no SDL call): when video is fully
// running, posts one SDL quit event as SDL itself would (unless the game ignores SDL_QUIT or
// its event filter drops the event), delivered in the game's next event call, and returns 1;
// otherwise (down, starting or stopping) posts nothing and returns 0 at once.
int SdlVideoPostQuit();
// 1 when quit requests wait for the game's next event call; one atomic load, any thread.
int SdlVideoQuitsWaiting();
// From the game's own event call (never from inside SDL): each waiting request is dropped
// while the game ignores SDL_QUIT, goes through the game's event filter on the calling
// thread, and is queued unless the filter drops it.
void SdlVideoDeliverQuits();
