// The launcher's log file: <data folder><executable name, extension rule>.txt, opened with a
// time-stamped banner, flushed after every message, closed with a banner. At most one log is
// open per process (Logf_fp). Openings always append, and every process keeps a shared lock
// on the log for as long as it has it open. A fresh start puts a new file in the log's place
// only when it wins the exclusive lock at once, and then turns it into a shared one with no
// gap in between, so a process never starts afresh a log that another process still writes. Only a regular file
// is used: a symbolic link or a FIFO in the log's place means no log.
#include "platform/log.h"

#include <csignal>
#include <cstdio>
#include <cstring>

#include "platform/port/log.h"
#include "state/state.h"
#include "util/clock_text.h"
#include "util/strbuf.h"

static FILE* Logf_fp = nullptr;
static int s_logFd = -1;  // Logf_fp's descriptor, for the end after a fatal signal
static volatile sig_atomic_t s_endedByFatalSignal;

namespace {

constexpr size_t kLogBufferSize = 256;

constexpr char kOpenedBanner[] = "EXE LOG opened ";
constexpr char kClosedBanner[] = "EXE LOG closed ";

// The banner's text: the start given, the local time in English whatever locale an engine
// may have selected, and a blank line.
void ComposeBanner(const char* start, long long wallSeconds, char (&text)[kLogBufferSize]) {
  char clock[kClockTextCapacity];
  FormatClockText(wallSeconds, clock);
  StrCopy(text, start);
  StrAppend(text, clock);
  StrAppend(text, "\n\n");
}

void WriteBanner(FILE* fp, const char* start) {
  char text[kLogBufferSize];
  ComposeBanner(start, OsLocalClockSeconds(0), text);
  fputs(text, fp);
}

// Composes the log path; 0 when it would not fit the buffer (the log is then refused rather
// than cut, because a cut path names some other file or folder).
int ComposeLogPath(char (&path)[kLogBufferSize]) {
  if (!StrCopy(path, g_UserPath) || !StrAppend(path, g_AppFilename)) return 0;
  size_t len = strlen(path);
  if (len > 4 && path[len - 4] == '.') path[len - 4] = '\0';
  return StrAppend(path, ".txt");
}

// Opens the log and takes its locks; *shared is 0 when another process kept the log locked
// through the whole wait for the shared lock. A log that another process replaced between
// the open and the lock is opened again, so that no line goes to a file nobody will read; a
// process replaces it at most once per launch, so a few tries suffice.
int OpenLockedLog(const char* path, int restart, int* shared) {
  for (int attempt = 0; attempt < 4; ++attempt) {
    int fd = OsOpenRegularFileToAppend(path);
    if (fd < 0) return -1;
    // The locks live as long as this handle. Without the exclusive one another process has
    // the log open, and this one only adds to the end.
    *shared = 1;
    if (!restart && OsTryLockExclusive(fd)) {
      if (!OsIsFileAt(fd, path)) {
        OsCloseFile(fd);
        continue;
      }
      // A new file renamed over the old one rather than the old one emptied, which waits for
      // the old text to reach the disk on some file systems. Where no new file can be made,
      // the old one is emptied after all; when that fails too its text stays, and appending
      // to it still loses nothing.
      int fresh = OsReplaceWithNewFile(fd, path);
      if (fresh >= 0) {
        OsCloseFile(fd);
        fd = fresh;
      } else {
        OsEmptyFile(fd);
      }
      // Left exclusive, the lock would hold up every other launcher that opens the log.
      if (!OsConvertToShared(fd)) OsUnlock(fd);
      return fd;
    }
    *shared = OsLockShared(fd);
    if (OsIsFileAt(fd, path)) return fd;
    OsCloseFile(fd);
  }
  return -1;
}

}  // namespace

void InitLog(int restart) {
  if (Logf_fp || s_endedByFatalSignal) return;
  char path[kLogBufferSize];
  if (!ComposeLogPath(path)) return;
  int shared = 1;
  int fd = OpenLockedLog(path, restart, &shared);
  if (fd < 0) return;
  FILE* fp = OsAppendStream(fd);
  if (!fp) return;
  Logf_fp = fp;
  s_logFd = fd;
  if (restart) fputs("\n\n\n\n", Logf_fp);
  WriteBanner(Logf_fp, kOpenedBanner);
  // The log is still written: a game is never held up by another process's lock on it.
  if (!shared)
    fputs("[log] Another process kept this log locked; a fresh start may empty it\n", Logf_fp);
}

int vLogf(const char* format, va_list args) {
  if (s_endedByFatalSignal) return 0;
  if (!Logf_fp) InitLog(0);
  if (!Logf_fp) return 0;
  int written = vfprintf(Logf_fp, format, args);
  fflush(Logf_fp);
  return written;
}

int Logf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int written = vLogf(format, args);
  va_end(args);
  return written;
}

void Logf_flush() {
  if (Logf_fp) fflush(Logf_fp);
}

int CloseLog() {
  if (!Logf_fp || s_endedByFatalSignal) return 0;
  WriteBanner(Logf_fp, kClosedBanner);
  int result = fclose(Logf_fp);
  Logf_fp = nullptr;
  s_logFd = -1;
  return result;
}

// Every message was flushed when it was written, so the stream holds nothing that these
// writes could overtake. The stream is left as it is: closing it is not signal-safe.
void CloseLogAfterFatalSignal(const char* text) {
  int fd = s_logFd;
  if (fd < 0 || s_endedByFatalSignal) return;
  s_endedByFatalSignal = 1;
  char banner[kLogBufferSize];
  ComposeBanner(kClosedBanner, OsLocalClockSeconds(1), banner);
  OsWriteText(fd, text);
  OsWriteText(fd, banner);
}
