/* An SDL 1.2 game that cleans up in an exit handler, after main has returned: it frees its
 * own cursor and a surface, then stops SDL. */
#include <SDL.h>
#include <stdio.h>
#include <stdlib.h>

#include "game_frames.h"

static SDL_Cursor* s_cursor;
static SDL_Surface* s_sprite;

static void CleanUp(void) {
  SDL_FreeCursor(s_cursor);
  SDL_FreeSurface(s_sprite);
  SDL_Quit();
  printf("cleaned up\n");
}

int main(int argc, char** argv) {
  Uint8 data[32] = {0}, mask[32] = {0};
  (void)argc;
  (void)argv;
  if (SDL_Init(SDL_INIT_VIDEO) < 0 || !SDL_SetVideoMode(64, 48, 0, SDL_SWSURFACE)) return 1;
  atexit(CleanUp);
  s_cursor = SDL_CreateCursor(data, mask, 16, 16, 0, 0);
  SDL_SetCursor(s_cursor);
  s_sprite = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 32, 0, 0, 0, 0);
  PlayFrames(0);
  return 0;
}
