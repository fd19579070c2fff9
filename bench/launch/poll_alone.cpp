// The polling benchmark's baseline: the same poll loop as the engine, in a program of its own
// linked with SDL alone; prints the nanoseconds per call.
#include <cstdio>
#include <cstdlib>

#include "poll_loop.h"

int main(int argc, char** argv) {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  printf("%.3f\n", PollLoopNanos(argc > 1 ? atol(argv[1]) : 200000));
  SDL_Quit();
  return 0;
}
