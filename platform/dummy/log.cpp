// No log file can be opened (the C library cannot refuse a link or a FIFO in its place), so
// the launcher runs without a log; the time is the C library's, in the process's locale.
#include <ctime>

#include "platform/port/log.h"

int OsOpenRegularFileToAppend(const char*) {
  return -1;
}

int OsEmptyFile(int) {
  return 0;
}

int OsReplaceWithNewFile(int, const char*) {
  return -1;
}

int OsIsFileAt(int, const char*) {
  return 0;
}

void OsCloseFile(int) {}

FILE* OsAppendStream(int) {
  return nullptr;
}

int OsLockShared(int) {
  return 0;
}

int OsTryLockExclusive(int) {
  return 0;
}

int OsConvertToShared(int) {
  return 0;
}

int OsUnlock(int) {
  return 0;
}

size_t OsFormatLocalTime(char* out, size_t capacity, const char* format) {
  time_t now = time(nullptr);
  const tm* local = localtime(&now);
  return local ? strftime(out, capacity, format, local) : 0;
}
