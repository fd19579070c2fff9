// Time for the launcher's deadlines: a monotonic clock that wall-clock changes never move.
#pragma once

// Seconds on the monotonic clock, from an arbitrary start.
double MonotonicSeconds();
