// Files and folders: the file-system wrappers (fs..., 1 for success and 0 for failure;
// fsSetCurrentDir passes on chdir's 0 or -1; no error code is passed on), the folder path
// made level by level, files the launcher writes in folders someone else may have prepared,
// pattern removal for the uninstaller, and whole-file locks. A path of kPathCapacity bytes or
// more is refused before anything is created, since a cut path would name a different folder.
#pragma once

#include <cstddef>
#include <cstdio>

// 1 when the folder exists (made now if needed) and a regular file of a test name can be
// created in it; a symbolic link or FIFO of that name makes the folder count as not writeable.
int fsIsDirectoryWriteable(const char* path);
// Every level of the folder path; see OsCreateFolders.
int fsCreatePath(const char* path);
// One folder; 1 when it exists afterwards (made now or before).
int fsCreateDirectory(const char* path);
// Changes the working directory: 0 on success, -1 on failure (chdir's own result).
int fsSetCurrentDir(const char* path);
// The working directory into buffer; 1 when it fit.
int fsGetCurrentDir(char* buffer, int size);
// 1 when the empty folder was removed.
int fsRemoveDirectory(const char* path);
// 1 when the file (or symbolic link, never its target) was removed.
int fsRemoveFile(const char* path);
// 1 when anything (file, folder, or a symbolic link, dangling or not) is at path; a link is
// not followed.
int fsEntryExists(const char* path);

// Creates every folder level of path from the top down (mode 0777 less the creation mask;
// an existing level is fine); withLast 0 stops before the last component, for the folders
// above a file. The root is never created and a final '/' causes no extra level. 1 when every
// level exists afterwards; 0 at the first level that cannot be created.
int OsCreateFolders(const char* path, int withLast);
// As OsCreateFolders, but every level created now gets exactly mode, whatever the creation
// mask (levels that existed keep theirs): for folders whose openness other users rely on.
int OsCreateFoldersWithMode(const char* path, int withLast, unsigned mode);

// Regular files. A final symbolic link is never followed and a FIFO or device never blocks
// the open; only a regular file is handed back, so the launcher neither hangs on such a name
// nor writes through it into another file.
// Opens path for reading and for writing at its end (both, so that either kind of lock can
// be taken on it), creating it (mode 0666 less the file-creation mask) when missing;
// nothing is emptied. Returns a close-on-exec, blocking descriptor when path
// names a regular file, else -1: a symbolic link, FIFO, device, socket or folder is left as
// it was.
int OsOpenRegularFileToAppend(const char* path);
// Opens (or creates) path as OsOpenRegularFileToAppend does and closes it again: 1 when a
// regular file of that name can be written.
int OsTouchRegularFile(const char* path);

// Pattern removal. The folder is taken literally: no character in it is a wildcard, and when
// it is itself a symbolic link it is not entered. Only entries directly inside it are
// matched; a pattern holding '/' matches nothing, so a pattern never reaches another folder.
// Removes every entry of folder ("" is the working directory) whose name matches pattern
// (fnmatch rules; a leading '.' is matched only by a leading '.'). Folders are left; a
// symbolic link is removed as a link and never followed. Returns how many were removed,
// or -1 when the folder cannot be opened or the pattern holds '/'.
int OsRemoveMatchingFiles(const char* folder, const char* pattern);

// Removal inside one installation. prefix is a folder path ending with '/'; path must lie
// below it, with no empty, "." or ".." component, and is reached without following a link
// at any level below the prefix (a final link is removed as a link). folder 1 removes an
// empty folder, 0 a file.
enum InsideResult { kInsideRemoved, kInsideAbsent, kInsideFailed, kInsideRefused };
int OsRemoveInside(const char* prefix, const char* path, int folder);
// 1 when folder, reached from prefix as OsRemoveInside reaches a path, is the folder here;
// -1 when it does not exist; 0 otherwise (refused, or another folder).
int OsIsFolderInside(const char* prefix, const char* folder, const char* here);
// Opens a file of the working directory for reading only when it is a regular file (not a
// link) owned by root or this user, and neither it nor the working directory may be written
// by group or others; null otherwise, *refusal telling why.
enum OwnersRefusal { kOwnersTrusted, kOwnersNoFile, kOwnersFileOpen, kOwnersFolderOpen };
FILE* OsOpenOwnersFile(const char* name, int* refusal);

// Advisory whole-file locks that every launcher holding the same file agrees on. They are
// open-file-description locks: owned by the open file (not the process), released when its
// last descriptor closes, and changed from exclusive to shared in one step, with no moment
// in which the file is unlocked. They do not see flock() locks. Results are 1 or 0.
// Takes a shared lock, waiting about 2 s at most for a holder of the exclusive lock.
int OsLockShared(int fd);
// Takes the exclusive lock only when no other open file holds any lock; never waits.
int OsTryLockExclusive(int fd);
// Turns this open file's exclusive lock into a shared one atomically.
int OsConvertToShared(int fd);
int OsUnlock(int fd);
