// Quit requests from the desktop or the terminal: SIGTERM, SIGINT and SIGHUP. They stay
// blocked in every thread but one small thread that takes them with sigwait, so no handler
// ever interrupts another thread and the libraries' own handlers never see them.
#pragma once

// Blocks the quit signals in the calling thread. Must run in the main thread before any
// other thread exists, so that every thread inherits the blocked mask.
void BlockQuitSignals();

// Starts the thread that takes the quit signals and calls onQuit on it for each one. When
// onQuit returns 0 (nobody to ask), the process ends by that signal's default action at
// once, and the children the launcher started are closed right after it has gone.
// 1 when the thread runs; otherwise the signals are unblocked again (default actions).
int StartQuitThread(int (*onQuit)());
