// The end of the process by a quit signal, shared by the quit-signal handler and the table of
// children (spawn.cpp), which the handler reads and must never find half-changed.
#pragma once

#include <signal.h>

// Blocks the quit signals in the calling thread; previous gets the mask it had.
void BlockQuitSignalsHere(sigset_t* previous);
// Async-signal-safe: the signal's default action ends the process now, as it ends any
// program that takes no quit requests.
[[noreturn]] void EndByDefaultAction(int signal);
