// What a port implements for processes: the identity of this process, whether the process an
// identity names still lives (see process.h for the identity's layout), this process's end
// and whether its standard output is a terminal.
#pragma once

// As CurrentProcessIdentity, ProcessIdentityOf and ProcessIdentityIsAlive in process.h.
int OsCurrentProcessIdentity(unsigned char identity[8]);
int OsProcessIdentityOf(long pid, unsigned char identity[8]);
int OsProcessIdentityIsAlive(const unsigned char identity[8]);
// As OnProcessExit and StandardOutputIsTerminal in process.h.
int OsOnProcessExit(void (*hook)(int status));
int OsStandardOutputIsTerminal();
