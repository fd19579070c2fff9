// What a port implements for files and folders: the calls behind the fs... functions, files
// opened without following a final link, pattern removal and whole-file locks. Paths of
// kPathCapacity bytes or more are refused before anything is created.
#pragma once

#include <cstdio>

// As the fs... function of the same name in files.h.
int OsIsDirectoryWriteable(const char* path);
int OsCreatePath(const char* path);
int OsCreateDirectory(const char* path);
int OsSetCurrentDir(const char* path);
int OsGetCurrentDir(char* buffer, int size);
int OsRemoveDirectory(const char* path);
int OsRemoveFile(const char* path);
int OsEntryExists(const char* path);
// As RemoveMatchingFiles in files.h.
int OsRemoveMatchingFiles(const char* folder, const char* pattern);
// As RemoveInside, IsFolderInside and OpenOwnersFile in files.h.
int OsRemoveInside(const char* prefix, const char* path, int folder);
int OsIsFolderInside(const char* prefix, const char* folder, const char* here);
FILE* OsOpenOwnersFile(const char* name, int* refusal);
// As ClaimFile and ReleaseFileClaim in files.h.
int OsClaimFile(const char* path, int* heldByOther);
void OsReleaseFileClaim(int handle);

// Opens path for reading and for writing at its end (both, so that either kind of lock can
// be taken on it), creating it (mode 0666 less the file-creation mask) when missing; nothing
// is emptied. A final symbolic link is never followed and a FIFO or device never blocks the
// open. Returns a blocking descriptor, not inherited by child processes, when path names a
// regular file, else -1: anything else at that name is left as it was.
int OsOpenRegularFileToAppend(const char* path);
// Empties the open file. 1 when done.
int OsEmptyFile(int fd);
// A stream appending to the open file, which it then owns; null (fd closed) on failure.
FILE* OsAppendStream(int fd);

// Advisory whole-file locks that every launcher holding the same file agrees on: owned by the
// open file (not the process), released when its last descriptor closes, and changed from
// exclusive to shared in one step, with no moment in which the file is unlocked. 1 or 0.
// Takes a shared lock, waiting about 2 s at most for a holder of the exclusive lock.
int OsLockShared(int fd);
// Takes the exclusive lock only when no other open file holds any lock; never waits.
int OsTryLockExclusive(int fd);
// Turns this open file's exclusive lock into a shared one atomically.
int OsConvertToShared(int fd);
int OsUnlock(int fd);
