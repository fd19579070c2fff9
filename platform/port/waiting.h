// What a port implements for time and short waits in polling loops (store locks, busy
// databases, the instance channel, file locks): a monotonic clock that wall-clock changes
// never move, and a pause with some jitter, so that processes polling the same lock do not
// wake in step.
#pragma once

// Seconds on the monotonic clock, from an arbitrary start.
double OsMonotonicSeconds();
// Sleeps between minMicros and minMicros + spreadMicros microseconds.
void OsPauseJittered(unsigned minMicros, unsigned spreadMicros);
