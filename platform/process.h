// This process and others: the identity that tells a live process from a later one that
// reused its pid; this process's end and whether its output is a terminal.
#pragma once

// Process identity: 8 bytes, start time (low 32 bits of the clock ticks since boot) then
// process id, each big-endian. 1 on success.
int CurrentProcessIdentity(unsigned char identity[8]);
// 1 when a live (not zombie, not dead) process has exactly this identity.
int ProcessIdentityIsAlive(const unsigned char identity[8]);
// The identity of the live process pid. 1 on success.
int ProcessIdentityOf(long pid, unsigned char identity[8]);

// The identity of the process pid started at startTicks: low 32 bits of the start time,
// then the pid, each big-endian.
void PackProcessIdentity(unsigned long long startTicks, long pid, unsigned char identity[8]);
// The process id an identity names (0 when it cannot be a process id).
long ProcessIdentityPid(const unsigned char identity[8]);

// Runs hook with the exit status when the process ends through exit() or a return from main.
// Handlers registered after this one (an engine's atexit handlers) run before it, so call it
// first thing in main. 1 when registered.
int OnProcessExit(void (*hook)(int status));
// 1 when standard output is a terminal.
int StandardOutputIsTerminal();
