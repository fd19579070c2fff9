// What a port provides for the log: a log file opened without following a link and never
// blocking, whole-file locks that every launcher holding the same file agrees on, a write
// that a signal handler may make, and the local time. A file is an int handle (-1: none)
// until it becomes a stream.
#pragma once

#include <cstdio>

// Opens path for reading and for appending (both, so that either kind of lock can be taken on
// it), creating it (readable and writable by this user alone, whatever the creation mask)
// when missing; nothing is emptied. A final link is never followed and a special file never
// blocks the open. A handle, not inherited by programs the launcher starts, when path names a
// regular file, else -1: anything else at that name is left as it was.
int OsOpenRegularFileToAppend(const char* path);
// Empties the open file. 1 when done.
int OsEmptyFile(int handle);
// Puts a new empty file in the place of the regular file that handle has open at path, with
// the old file's owner and mode: made under a temporary name beside it and renamed over it, so
// whoever still has the old file open keeps it whole and nothing waits for the old file's
// data to reach the disk. The new file is opened as OsOpenRegularFileToAppend opens one and
// holds the exclusive lock, taken before it is in place. -1 when it cannot be made so (path
// then still names the old file).
int OsReplaceWithNewFile(int handle, const char* path);
// 1 when the open file is the one at path now (not replaced nor removed since).
int OsIsFileAt(int handle, const char* path);
// Closes a handle that never became a stream; its locks go with it.
void OsCloseFile(int handle);
// A stream appending to the open file, which it then owns; null (handle closed) on failure.
FILE* OsAppendStream(int handle);

// Advisory whole-file locks, owned by the open file (not the process), released when it is
// closed, and changed from exclusive to shared in one step, with no moment in which the file
// is unlocked. 1 or 0.
// Takes a shared lock, waiting about 2 s at most for a holder of the exclusive lock.
int OsLockShared(int handle);
// Takes the exclusive lock only when no other open file holds any lock; never waits.
int OsTryLockExclusive(int handle);
// Turns this open file's exclusive lock into a shared one atomically.
int OsConvertToShared(int handle);
int OsUnlock(int handle);

// Writes the whole text to the open file with signal-safe calls only, so that a handler of a
// fatal signal may call it. 1 when all of it was written.
int OsWriteText(int handle, const char* text);

// The time now as the local clock shows it, in seconds since 1970-01-01 00:00 on that clock
// (UTC plus the local offset). With signalSafe set only signal-safe calls are made, and the
// offset is the one the latest call without it found.
long long OsLocalClockSeconds(int signalSafe);
