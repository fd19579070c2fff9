// Starting helper programs (zenity, xdg-open). Children never inherit the launcher's signal
// state: the shell blocks the quit signals in its threads, and a dialog must still close on
// them. The children this process waits for are remembered from their start until they are
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
// The start and the remembering happen under one lock that the quit path also takes, so a
// child is either remembered before the quit path looks or never started (-1, also when the
// process is already ending or too many children are remembered).
pid_t SpawnWatchedChild(char* const argv[], int quiet = 0, int errorFd = -1);
// Waits for a child of SpawnWatchedChild, then reaps and forgets it under that lock (the pid
// cannot be reused while it is remembered). Its exit status, or -1 when it did not exit
// normally.
int WaitForChild(pid_t pid);
// As WaitForChild for a quiet child, for at most seconds: a child still running then is
// killed with its process group, and the result is -1.
int WaitForChildWithin(pid_t pid, double seconds);

// For the quit path right before the process ends by a signal: no child starts from now
// on, and a small watcher process sends SIGTERM to every remembered child once this process
// has gone. Keeps the lock for the rest of the process's life, so no child is reaped and
// its pid reused meanwhile; call nothing else of this header afterwards.
void CloseChildrenAfterExit();
