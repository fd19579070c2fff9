// The launcher's log: one plain-text file per executable in the per-user data folder,
// opened and closed with time-stamped banners and flushed after every message. A message
// that arrives while no log is open opens the log by itself.
#pragma once

#include <cstdarg>

void InitLog(int restart);
int Logf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int vLogf(const char* format, va_list args) __attribute__((format(printf, 1, 0)));
void Logf_flush();
int CloseLog();
// From a fatal-signal handler, with write(2) alone: writes text and the closing banner to the
// open log, which stays closed for the rest of the process. Nothing when no log is open.
void CloseLogAfterFatalSignal(const char* text);
