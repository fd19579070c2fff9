/* An SDL 1.2 game that asks for SDL's event thread and reads its events with SDL_PeepEvents
 * alone. It prints how many threads its SDL_Init started (the event thread is one). */
#include <SDL.h>
#include <dirent.h>
#include <stdio.h>

#include "game_frames.h"

static int ThreadCount(void) {
  int count = 0;
  DIR* tasks = opendir("/proc/self/task");
  if (!tasks) return -1;
  for (struct dirent* entry; (entry = readdir(tasks)) != NULL;) count += entry->d_name[0] != '.';
  closedir(tasks);
  return count;
}

int main(int argc, char** argv) {
  (void)argc;
  (void)argv;
  int before = ThreadCount();
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTTHREAD) < 0) {
    printf("SDL_Init: %s\n", SDL_GetError());
    return 1;
  }
  printf("threads started by SDL_Init: %d\n", ThreadCount() - before);
  fflush(stdout);
  if (!SDL_SetVideoMode(64, 48, 0, SDL_SWSURFACE)) return 1;
  printf(PlayFrames(1) ? "quit\n" : "played\n");
  SDL_Quit();
  return 0;
}
