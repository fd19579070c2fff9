// This process and others: the identity that tells a live process from a later one that
// reused its pid, and the parsing of a /proc/<pid>/stat line, kept apart from the file reads
// so that the field counting can be checked on made-up lines. The command name (field 2) is
// free text inside parentheses and may itself hold spaces and ')', so fields are counted from
// its LAST ')'.
#pragma once

// Process identity: 8 bytes, start time (low 32 bits of the clock ticks since boot) then
// process id, each big-endian. 1 on success.
int CurrentProcessIdentity(unsigned char identity[8]);
// 1 when a live (not zombie, not dead) process has exactly this identity.
int ProcessIdentityIsAlive(const unsigned char identity[8]);

// Fills the state letter (field 3) and the start time in clock ticks (field 22) from one
// stat line. 1 when both were found and well formed, else 0 (outputs then unspecified).
int ParseProcStat(const char* line, char* state, unsigned long long* startTicks);

// The identity of the process pid started at startTicks: low 32 bits of the start time,
// then the pid, each big-endian.
void PackProcessIdentity(unsigned long long startTicks, long pid, unsigned char identity[8]);
// The process id an identity names (0 when it cannot be a process id).
long ProcessIdentityPid(const unsigned char identity[8]);
