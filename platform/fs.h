// Thin file-system wrappers: 1 for success, 0 for failure (fsSetCurrentDir passes on
// chdir's 0 or -1). None reports the system's error code.
#pragma once

int fsIsDirectoryWriteable(const char* path);
int fsCreatePath(const char* path);
int fsCreateDirectory(const char* path);
int fsSetCurrentDir(const char* path);
int fsGetCurrentDir(char* buffer, int size);
int fsRemoveDirectory(const char* path);
int fsRemoveFile(const char* path);
// 1 when anything is at path; a symbolic link is not followed.
int fsEntryExists(const char* path);
