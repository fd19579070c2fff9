/* An SDL 1.2 game that ends the process with exit() from its event loop: status 0 on a quit
 * request, 3 when it has played its frames (as a game that finds no sound device does). */
#include <SDL.h>
#include <stdio.h>
#include <stdlib.h>

#include "game_frames.h"

int main(int argc, char** argv) {
  (void)argc;
  (void)argv;
  if (SDL_Init(SDL_INIT_VIDEO) < 0 || !SDL_SetVideoMode(64, 48, 0, SDL_SWSURFACE)) return 1;
  int quit = PlayFrames(0);
  printf("exit(%d)\n", quit ? 0 : 3);
  exit(quit ? 0 : 3);
}
