// Creating a folder path level by level, for the file-system wrappers and the preference
// store alike. A path of 1024 bytes or more is refused before anything is created, since a
// cut path would name a different folder.
#pragma once

// Creates every folder level of path from the top down (mode 0777 less the creation mask;
// an existing level is fine); withLast 0 stops before the last component, for the folders
// above a file. The root is never created and a final '/' causes no extra level. 1 when every
// level exists afterwards; 0 at the first level that cannot be created.
int OsCreateFolders(const char* path, int withLast);
