// The instance channel's watcher: a thread that waits for the listener and the connections the
// main thread hands it, so that the main thread learns from one flag, without a system call,
// whether anything arrived. The main thread owns every handle; the watcher only waits on them
// while armed, and the main thread touches them only while it is not.
#pragma once

// Starts the watcher (once per process). 1 when it runs.
int ChannelWatchStart();
// 1 when something the watcher waited for became readable or its deadline passed since the
// last arming, or when nothing is armed. Costs no system call.
int ChannelWatchReady();
// Lets the watcher wait for these handles until deadline (monotonic seconds; 0 for none).
void ChannelWatchArm(const int* handles, int count, double deadline);
// Ends a wait in progress and returns once the watcher holds no handle; ready afterwards.
void ChannelWatchHold();
