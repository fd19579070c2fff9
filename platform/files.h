// Files and folders: the file-system wrappers (fs..., 1 for success and 0 for failure;
// fsSetCurrentDir passes on chdir's 0 or -1; no error code is passed on) and pattern removal
// for the uninstaller. A path of kPathCapacity bytes or more is refused before anything is
// created, since a cut path would name a different folder.
#pragma once

#include <cstdio>

// 1 when the folder exists (made now if needed) and a regular file of a test name can be
// created in it; a symbolic link or FIFO of that name makes the folder count as not writeable.
int fsIsDirectoryWriteable(const char* path);
// Every level of the folder path from the top down (mode 0777 less the creation mask; an
// existing level is fine; the root is never created, a final '/' causes no extra level).
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

// Pattern removal. The folder is taken literally: no character in it is a wildcard, and when
// it is itself a symbolic link it is not entered. Only entries directly inside it are
// matched; a pattern holding '/' matches nothing, so a pattern never reaches another folder.
// Removes every entry of folder ("" is the working directory) whose name matches pattern
// (fnmatch rules; a leading '.' is matched only by a leading '.'). Folders are left; a
// symbolic link is removed as a link and never followed. Returns how many were removed,
// or -1 when the folder cannot be opened or the pattern holds '/'.
int RemoveMatchingFiles(const char* folder, const char* pattern);

// Removal inside one installation. prefix is a folder path ending with '/'; path must lie
// below it, with no empty, "." or ".." component, and is reached without following a link
// at any level below the prefix (a final link is removed as a link). folder 1 removes an
// empty folder, 0 a file.
enum InsideResult { kInsideRemoved, kInsideAbsent, kInsideFailed, kInsideRefused };
int RemoveInside(const char* prefix, const char* path, int folder);
// 1 when folder, reached from prefix as RemoveInside reaches a path, is the folder here;
// -1 when it does not exist; 0 otherwise (refused, or another folder).
int IsFolderInside(const char* prefix, const char* folder, const char* here);
// Opens a file of the working directory for reading only when it is a regular file (not a
// link) owned by root or this user, and neither it nor the working directory may be written
// by group or others; null otherwise, *refusal telling why.
enum OwnersRefusal { kOwnersTrusted, kOwnersNoFile, kOwnersFileOpen, kOwnersFolderOpen };
FILE* OpenOwnersFile(const char* name, int* refusal);

// An exclusive claim on a file, taken without waiting and kept until ReleaseFileClaim or the
// end of the process, however it ends. It needs no free space: a missing file is created
// empty and nothing is written. A handle (>= 0); -1 when the file cannot be opened, or when
// another process holds the claim (*heldByOther then 1).
int ClaimFile(const char* path, int* heldByOther);
void ReleaseFileClaim(int handle);
