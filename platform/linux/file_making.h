// Folders and files the Linux layer makes for its own stores and tests, beyond what the port
// publishes: folder paths made level by level with a chosen mode, and a regular file touched.
#pragma once

// Creates every folder level of path from the top down (mode 0777 less the creation mask;
// an existing level is fine); withLast 0 stops before the last component, for the folders
// above a file. The root is never created and a final '/' causes no extra level. 1 when every
// level exists afterwards; 0 at the first level that cannot be created.
int CreateFolders(const char* path, int withLast);
// As CreateFolders, but every level created now gets exactly mode, whatever the creation
// mask (levels that existed keep theirs): for folders whose openness other users rely on.
int CreateFoldersWithMode(const char* path, int withLast, unsigned mode);
// Opens (or creates) path as OsOpenRegularFileToAppend does and closes it again: 1 when a
// regular file of that name can be written.
int TouchRegularFile(const char* path);
