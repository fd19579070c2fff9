/* The frame loop the small SDL 1.2 test games share: frames of about 10 ms, events taken
 * with SDL_PollEvent, or with SDL_PeepEvents alone when peepOnly is set. A game plays
 * until an SDL_QUIT or a key arrives (1), or for QRN_GAME_FRAMES frames when that is set,
 * then 0. The file named by QRN_GAME_READY is made when the first frame is drawn. */
#ifndef GAME_FRAMES_H
#define GAME_FRAMES_H

#include <SDL.h>
#include <stdio.h>
#include <stdlib.h>

static int PlayFrames(int peepOnly) {
  const char* framesText = getenv("QRN_GAME_FRAMES");
  const char* ready = getenv("QRN_GAME_READY");
  int frames = framesText ? atoi(framesText) : -1;
  for (int frame = 0; frames < 0 || frame < frames; ++frame) {
    SDL_Event event;
    int got = peepOnly ? SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_ALLEVENTS) > 0
                       : SDL_PollEvent(&event);
    for (; got; got = peepOnly ? SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_ALLEVENTS) > 0
                               : SDL_PollEvent(&event)) {
      if (event.type == SDL_QUIT || event.type == SDL_KEYDOWN) return 1;
    }
    if (frame == 0 && ready) fclose(fopen(ready, "w"));
    SDL_Delay(10);
  }
  return 0;
}

#endif
