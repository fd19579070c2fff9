// Advisory whole-file locks that every launcher holding the same file agrees on. They are
// open-file-description locks: owned by the open file (not the process), released when its
// last descriptor closes, and changed from exclusive to shared in one step, with no moment
// in which the file is unlocked. They do not see flock() locks. Results are 1 or 0.
#pragma once

// Takes a shared lock, waiting about 2 s at most for a holder of the exclusive lock.
int OsLockShared(int fd);
// Takes the exclusive lock only when no other open file holds any lock; never waits.
int OsTryLockExclusive(int fd);
// Turns this open file's exclusive lock into a shared one atomically.
int OsConvertToShared(int fd);
int OsUnlock(int fd);
