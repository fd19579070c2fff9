// Time for the launcher's deadlines and short waits in polling loops (store locks, the
// instance channel, file locks): a monotonic clock that wall-clock changes never move, and a
// pause with some jitter, so that processes polling the same lock do not wake in step.
#pragma once

// Seconds on the monotonic clock, from an arbitrary start.
double MonotonicSeconds();
// Sleeps between minMicros and minMicros + spreadMicros microseconds.
void PauseJittered(unsigned minMicros, unsigned spreadMicros);
