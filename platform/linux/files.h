// Files and folders: the few calls the file-system wrappers and the preference store need,
// each passing on only success or failure. Creating a folder path level by level lives here
// once for both. A path of 1024 bytes or more is refused before anything is created, since a
// cut path would name a different folder.
#pragma once

#include <cstddef>

// Creates every folder level of path from the top down (mode 0777 less the creation mask;
// an existing level is fine); withLast 0 stops before the last component, for the folders
// above a file. The root is never created and a final '/' causes no extra level. 1 when every
// level exists afterwards; 0 at the first level that cannot be created.
int OsCreateFolders(const char* path, int withLast);
// As OsCreateFolders, but every level created now gets exactly mode, whatever the creation
// mask (levels that existed keep theirs): for folders whose openness other users rely on.
int OsCreateFoldersWithMode(const char* path, int withLast, unsigned mode);
// One folder; 1 when it exists afterwards (made now or before).
int OsCreateFolder(const char* path);
// 1 when the empty folder was removed.
int OsRemoveFolder(const char* path);
// 1 when the file (or symbolic link, never its target) was removed.
int OsRemoveFile(const char* path);
// Changes the working directory: 0 on success, -1 on failure (chdir's own result).
int OsChangeDir(const char* path);
// The working directory into buffer; 1 when it fit.
int OsCurrentDir(char* buffer, size_t capacity);
