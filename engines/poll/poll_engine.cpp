// The polling benchmark's engine (bench/launch/bench_poll): runs the poll loop once
// (QFN_BENCH_POLLS calls) through the launcher's event functions and writes the nanoseconds per
// call to QFN_BENCH_POLL_RESULT.
#include <cstdio>
#include <cstdlib>

#include "poll_loop.h"
#include "quarn_engine.h"

extern "C" {
int qrnGetAppName(char* shortName, char* longName, char* appId, int* build) {
  snprintf(shortName, QRN_NAME_CAPACITY, "PollBench");
  snprintf(longName, QRN_NAME_CAPACITY, "Poll Bench");
  snprintf(appId, QRN_NAME_CAPACITY, "POLL-BENCH");
  *build = 1;
  return 0;
}

int qrnCreate(int, char**) {
  return 0;
}

int qrnRun(void) {
  const char* polls = getenv("QFN_BENCH_POLLS");
  double nanos = PollLoopNanos(polls ? atol(polls) : 200000);
  const char* path = getenv("QFN_BENCH_POLL_RESULT");
  FILE* out = path ? fopen(path, "w") : nullptr;
  if (!out) return 0;
  fprintf(out, "%.3f\n", nanos);
  fclose(out);
  return 0;
}

int qrnClose(void) {
  return 0;
}

int qrnSendIPC(const char*) {
  return 0;
}
}
