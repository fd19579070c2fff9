// Removing the files of one folder whose names match a shell pattern (the uninstaller's
// pattern records). The folder is taken literally: no character in it is a wildcard, and
// when it is itself a symbolic link it is not entered. Only entries directly inside it are
// matched; a pattern holding '/' matches nothing, so a pattern never reaches another folder.
#pragma once

// Removes every entry of folder ("" is the working directory) whose name matches pattern
// (fnmatch rules; a leading '.' is matched only by a leading '.'). Folders are left; a
// symbolic link is removed as a link and never followed. Returns how many were removed,
// or -1 when the folder cannot be opened or the pattern holds '/'.
int OsRemoveMatchingFiles(const char* folder, const char* pattern);
