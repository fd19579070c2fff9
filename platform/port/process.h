// What a port implements for processes: the identity of this process, and whether the
// process an identity names still lives (see process.h for the identity's layout).
#pragma once

// As CurrentProcessIdentity, ProcessIdentityOf and ProcessIdentityIsAlive in process.h.
int OsCurrentProcessIdentity(unsigned char identity[8]);
int OsProcessIdentityOf(long pid, unsigned char identity[8]);
int OsProcessIdentityIsAlive(const unsigned char identity[8]);
