/* A stand-in for a slow display: preloaded into the launcher, it makes SDL_Init wait
 * QFN_TEST_SDL_INIT_DELAY_MS milliseconds before it calls the real one. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <time.h>

int SDL_Init(unsigned int flags) {
  const char* delay = getenv("QFN_TEST_SDL_INIT_DELAY_MS");
  long ms = delay ? atol(delay) : 0;
  struct timespec pause = {ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&pause, &pause) != 0) {
  }
  int (*next)(unsigned int) = (int (*)(unsigned int))dlsym(RTLD_NEXT, "SDL_Init");
  return next ? next(flags) : -1;
}
