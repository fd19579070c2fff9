// Starting helper programs (zenity, xdg-open) from the Linux layer. Children never inherit
// the launcher's signal state: the shell blocks the quit signals in its threads, and a
// dialog must still close on them.
#pragma once

#include <sys/types.h>

// Runs argv[0] from PATH with an empty signal mask and default dispositions, without a
// shell; the child's pid, or -1 when it could not be started.
pid_t SpawnWithDefaultSignals(char* const argv[]);
