// This process and others: the identity that tells a live process from a later one that
// reused its pid (its layout in util/process_identity.h); this process's end, its environment
// and whether its output is a terminal or a display is there to show a window.
#pragma once

// Process identity: 8 bytes, start time (low 32 bits of the clock ticks since boot) then
// process id, each big-endian. 1 on success.
int CurrentProcessIdentity(unsigned char identity[8]);
// 1 when a live (not zombie, not dead) process has exactly this identity.
int ProcessIdentityIsAlive(const unsigned char identity[8]);
// 1 when the process with this identity runs under this process's command name (the name
// the kernel keeps for every process, which any user may read): a record naming a process
// of some other program is stale, whoever wrote it.
int ProcessIdentityRunsThisProgram(const unsigned char identity[8]);
// 1 when the process with this identity belongs to another user.
int ProcessIdentityIsOtherUsers(const unsigned char identity[8]);
// The identity of the live process pid. 1 on success.
int ProcessIdentityOf(long pid, unsigned char identity[8]);

// Runs hook with the exit status when the process ends through exit() or a return from main.
// Handlers registered after this one (an engine's atexit handlers) run before it, so call it
// first thing in main. 1 when registered.
int OnProcessExit(void (*hook)(int status));
// 1 when standard output is a terminal.
int StandardOutputIsTerminal();
// 1 when a display is named in the environment (DISPLAY or WAYLAND_DISPLAY, not empty).
int HasDisplay();
// Sets an environment variable of this process (kept for its whole life); 1 when set.
int SetEnvironment(const char* name, const char* value);
