// Descriptors that belong to the launcher alone. A process the engine forks without exec
// closes them at once, before the engine's code runs in it, so that it holds none of the
// launcher's locks or its channel: a lock owned by an open file would otherwise live as long
// as that child, and a launch could reach the listening socket of a process that never serves.
#pragma once

// Adds fd to the launcher's own (a few dozen at most; more stay inherited).
void CloseInForkedChild(int fd);
// Takes fd out again, before it is closed.
void KeepInForkedChild(int fd);
// 1 in the process that first registered a descriptor or asked (the launcher itself), 0 in a
// process forked from it without exec.
int IsLauncherProcess();
// 1 in a process forked from one that registered a descriptor, once fork has returned there.
// No system call.
int IsForkedChild();
