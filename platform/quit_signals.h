// Quit requests from the desktop or the terminal: SIGTERM, SIGINT and SIGHUP, taken by a
// handler in whichever thread they land, with no thread of their own (a second thread alone
// makes the C library and Xlib take their slower multi-threaded paths in every call of the
// game). The signal mask stays the one the process was started with, so the threads and
// processes the game starts inherit it.
#pragma once

// Installs the handler for each quit signal not ignored at start (one ignored at start stays
// ignored, as for any program started that way). onQuit runs inside the handler, so it may do
// only what is async-signal-safe: atomic loads and stores. When it returns 0 (nobody to ask),
// the process ends at once by that signal's default action, and the children the launcher
// started are closed right after it has gone. 1 when the handler is installed.
int WatchQuitSignals(int (*onQuit)());
