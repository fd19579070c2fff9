// Opening a file that the launcher writes in a folder that someone else may have prepared
// (its log, the data folder's write-test file). A final symbolic link is never followed and
// a FIFO or device never blocks the open; only a regular file is handed back, so the
// launcher neither hangs on such a name nor writes through it into another file.
#pragma once

// Opens path for reading and for writing at its end (both, so that either kind of lock can
// be taken on it), creating it (mode 0666 less the file-creation mask) when missing;
// nothing is emptied. Returns a close-on-exec, blocking descriptor when path
// names a regular file, else -1: a symbolic link, FIFO, device, socket or folder is left as
// it was.
int OsOpenRegularFileToAppend(const char* path);
// Opens (or creates) path as OsOpenRegularFileToAppend does and closes it again: 1 when a
// regular file of that name can be written.
int OsTouchRegularFile(const char* path);
