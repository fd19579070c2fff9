// Quit requests from the desktop or the terminal: SIGTERM, SIGINT and SIGHUP, taken by one
// small thread with sigwait. The other threads keep the mask the process was started with,
// so what they start inherits it; a quit signal they receive is handed on to that thread.
#pragma once

// Blocks the quit signals in the calling thread. Must run in the main thread before any
// other thread exists, so that the quit thread inherits the blocked mask.
void BlockQuitSignals();

// Starts the thread that takes the quit signals and calls onQuit on it for each one. When
// onQuit returns 0 (nobody to ask), the process ends by that signal's default action at
// once, and the children the launcher started are closed right after it has gone.
// Then gives the calling thread back the mask it had before BlockQuitSignals; a quit signal
// ignored at start stays ignored. 1 when the thread runs; otherwise the mask is given back
// with the dispositions untouched.
int StartQuitThread(int (*onQuit)());
