/* An SDL 1.2 game that starts a helper process (as a game starts a browser or a music
 * player) and prints the helper's signal mask and its SIGTERM, SIGINT and SIGHUP dispositions
 * as /proc shows them, then plays. */
#include <SDL.h>
#include <stdio.h>
#include <stdlib.h>

#include "game_frames.h"

int main(int argc, char** argv) {
  (void)argc;
  (void)argv;
  if (SDL_Init(SDL_INIT_VIDEO) < 0 || !SDL_SetVideoMode(64, 48, 0, SDL_SWSURFACE)) return 1;
  fflush(stdout);
  if (system("grep -E '^Sig(Blk|Ign)' /proc/self/status") != 0) return 1;
  printf(PlayFrames(0) ? "quit\n" : "played\n");
  SDL_Quit();
  return 0;
}
