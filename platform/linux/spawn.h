// Starting helper programs (zenity, xdg-open). Children never inherit the launcher's signal
// state: a dialog must close on the quit signals whatever the launcher's mask and handlers.
// The children this process waits for are remembered from their start until they are
// reaped, so that a quit signal that ends the process closes exactly them.
#pragma once

#include <sys/types.h>

// Runs argv[0] from PATH with an empty signal mask and default dispositions, without a
// shell; the child's pid, or -1 when it could not be started. Not remembered, and takes no
// lock, so it may be used in a child made by fork.
// quiet: the child's output goes to /dev/null, and it leads a process group of its own so
// that it can be ended with everything it started.
// errorFd (>= 0, not quiet): the child's standard error goes there instead.
pid_t SpawnWithDefaultSignals(char* const argv[], int quiet = 0, int errorFd = -1);

// Like SpawnWithDefaultSignals, for a child this process will wait for with WaitForChild.
// The start and the remembering are one change of the table that the quit path waits for, so
// a child is either remembered before the quit path looks or never started (-1, also when the
// process is already ending or too many children are remembered).
pid_t SpawnWatchedChild(char* const argv[], int quiet = 0, int errorFd = -1);
// Waits for a child of SpawnWatchedChild, then reaps and forgets it in one such change (the
// pid cannot be reused while it is remembered). Its exit status, or -1 when it did not exit
// normally.
int WaitForChild(pid_t pid);
// As WaitForChild for a quiet child, for at most seconds: a child still running then is
// killed with its process group, and the result is -1.
int WaitForChildWithin(pid_t pid, double seconds);

// For the quit-signal handler, from any thread, async-signal-safe: ends the process by the
// signal's default action, and a small watcher process sends SIGTERM to every remembered
// child once this process has gone. No child starts or is reaped from now on. While another
// thread changes the table this returns, and that thread ends the process as the change
// ends.
void EndClosingChildren(int signal);
