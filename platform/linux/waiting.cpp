// Monotonic time and jittered pauses; see platform/waiting.h.
#include "platform/waiting.h"

#include <time.h>
#include <unistd.h>

double MonotonicSeconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void PauseJittered(unsigned minMicros, unsigned spreadMicros) {
  static thread_local unsigned s_jitter = static_cast<unsigned>(getpid());
  s_jitter = s_jitter * 1103515245u + 12345u;
  usleep(minMicros + (spreadMicros ? (s_jitter >> 16) % spreadMicros : 0));
}
