// SDL's video subsystem, started and stopped by the run cycle on the main thread, and the
// one thing another thread may do with it: post a quit event while it runs. A post never
// waits for a start or a stop in progress, however long SDL takes (a display that accepts
// the connection and never answers keeps SDL_Init waiting for good).
#pragma once

// Starts video (SDL_Init with the video flag); 1 on success. SDL's error text stays
// available through SDL_GetError on failure.
int SdlVideoStart();
// Stops video once on either SDL 1.2 library (SDL_QuitSubSystem for video, then SDL_Quit).
void SdlVideoStop();
// Any thread: when video is fully running, posts exactly one SDL quit event and returns 1;
// otherwise (down, starting or stopping) posts nothing and returns 0 at once.
int SdlVideoPostQuit();
