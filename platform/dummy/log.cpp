// No log file can be opened (the C library cannot refuse a link or a FIFO in its place), so
// the launcher runs without a log; its clock is UTC.
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

int OsWriteText(int, const char*) {
  return 0;
}

// The time zone's offset is unknown here: the clock shows UTC.
long long OsLocalClockSeconds(int) {
  return static_cast<long long>(time(nullptr));
}
