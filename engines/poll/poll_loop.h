// The frame loop of the polling benchmark, shared by the engine that runs it under the launcher
// and by the program that runs it alone: a small window, then a number of SDL_PollEvent calls
// with nothing to deliver. Returns the calling thread's CPU nanoseconds per call (user and
// system), which the load of other processes on the machine does not inflate as wall time.
#pragma once

#include <SDL.h>
#include <time.h>

inline double PollLoopNanos(long polls) {
  SDL_SetVideoMode(64, 48, 0, SDL_SWSURFACE);
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
  }
  timespec start, end;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
  for (long i = 0; i < polls; ++i) SDL_PollEvent(&event);
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
  double nanos = static_cast<double>(end.tv_sec - start.tv_sec) * 1e9 +
                 static_cast<double>(end.tv_nsec - start.tv_nsec);
  return polls > 0 ? nanos / static_cast<double>(polls) : 0;
}
