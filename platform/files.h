// Files and folders: the file-system wrappers (fs..., 1 for success and 0 for failure;
// fsSetCurrentDir passes on chdir's 0 or -1; no error code is passed on) and pattern removal
// for the uninstaller. A path of kPathCapacity bytes or more is refused before anything is
// created, since a cut path would name a different folder.
#pragma once

#include <cstdio>

// 1 when the folder exists (made now if needed) and a regular file of a test name can be
// created in it; a symbolic link or FIFO of that name makes the folder count as not writeable.
int fsIsDirectoryWriteable(const char* path);
// Makes the folder, every missing level above it only this user's (0700, whatever the
// creation mask), and closes an existing one to group and others. 1 when a folder owned by
// this user, reached without a final link, is there afterwards; 0 otherwise (nothing changed
// then beyond the levels made).
int fsMakePrivateFolder(const char* path);
// Every level of the folder path from the top down (mode 0777 less the creation mask; an
// existing folder level is fine, a file at any level is not; the root is never created, a
// final '/' causes no extra level).
int fsCreatePath(const char* path);
// One folder; 1 when a folder is there afterwards (made now or before), 0 also when a file
// has the name.
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

// One installation, opened once and every removal resolved from it: prefix is an absolute
// folder path without a final '/', reached from "/" without following a link on any
// component. A handle (>= 0), or -1 when it cannot be opened so.
int OpenInstallation(const char* prefix);
void CloseInstallation(int installation);
// Paths below an installation are relative to its prefix, plain components only (no empty,
// "." or ".." one), and reached without following a link on any component and without
// crossing into another mount. 1 when the folder at relative is the working directory.
int IsWorkingFolderBelow(int installation, const char* relative);
// Removes the file (or a link, as a link) at relative, or with folder 1 the empty folder.
enum InsideResult { kInsideRemoved, kInsideAbsent, kInsideFailed, kInsideRefused };
int RemoveBelow(int installation, const char* relative, int folder);
// As RemoveMatchingFiles in the folder at relative: how many were removed, -1 when the
// folder does not exist, -2 when it cannot be reached so or the pattern holds '/'.
int RemoveMatchingBelow(int installation, const char* relativeFolder, const char* pattern);
// Removes the prefix folder itself once empty, when its path still names the folder opened.
int RemoveInstallationFolder(int installation, const char* prefix);
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
// Writes text at the start of the claimed file, over what was there (nothing after it is
// removed, so a text of the same length replaces the last one whole). 1 when written whole.
int WriteClaimNote(int handle, const char* text);
// Reads the start of a regular file of this user's (not reached through a final link, never
// waiting) into out, NUL-terminated: at most capacity - 1 bytes, one read. The length, or -1.
long ReadOwnFileStart(const char* path, char* out, size_t capacity);
