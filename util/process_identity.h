// The layout of a process identity, the 8 bytes that tell a live process from a later one
// that reused its id: the low 32 bits of its start time (clock ticks since boot), then its
// process id, each big-endian. How the two numbers are found is the platform's.
#pragma once

// The identity of the process pid started at startTicks.
void PackProcessIdentity(unsigned long long startTicks, long pid, unsigned char identity[8]);
// The process id an identity names (0 when it cannot be a process id).
long ProcessIdentityPid(const unsigned char identity[8]);
// The low 32 bits of the start time an identity holds.
unsigned long ProcessIdentityStart(const unsigned char identity[8]);
