// Reader of the install log "uninstall.log": one record per line, "Key:value". Reading is
// kept apart from deleting so that the reader can be driven by any input without touching
// the file system. Every field is bounded, and each call starts from empty fields, so a
// record never carries anything over from the one before it.
#pragma once

#include <cstdio>

constexpr int kInstallKeyMax = 32;      // characters of a key
constexpr int kInstallValueMax = 512;   // characters of a path, a folder or a pattern
constexpr int kInstallJoinedMax = 511;  // characters of folder + '/' + pattern

enum InstallRecordKind {
  kInstallEnd = 0,  // no more records
  kInstallFile,     // value: file to delete
  kInstallFolder,   // value: folder to remove
  kInstallPattern,  // folder and value: the pattern inside the folder
  kInstallSelf,     // delete the log itself at the end
  kInstallPoll,     // value: the exit-poll address offered after a removal
  kInstallPrefix,   // value: the installation's prefix; every path removed lies below it
  kInstallGame,     // value: the game's own folder, whose Resources/ holds the log
  kInstallOther,    // a well-formed record with another key: ignored
  kInstallSkipped,  // a line that names nothing with certainty: ignored whole
};

struct InstallRecord {
  char key[kInstallKeyMax + 1];
  char folder[kInstallValueMax + 1];
  char value[kInstallValueMax + 1];
};

// Reads the next record. White space before a record (blank lines, indentation) is skipped.
// A line ends at "\n" or "\r\n". Skipped whole: a line without ':', an empty or too long
// key, an empty or too long value (Self and other keys excepted for empty), a Pattern line
// without a folder, ':' or pattern, or one whose joined path is too long, and a line holding
// a NUL byte. A last line without a line end is a record like any other (installers and
// editors leave files so); a line longer than the longest record is skipped whole whether
// or not it ends. For Skipped and End all fields are empty.
InstallRecordKind ReadInstallRecord(FILE* file, InstallRecord* out);
