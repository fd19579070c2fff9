// No channel between processes: nothing listens, nothing connects, and a wait that is asked
// for only passes the time.
#include <chrono>
#include <thread>

#include "platform/instance_channel.h"
#include "platform/port/instance_channel.h"
#include "util/strbuf.h"

int OsChannelListen(char*, size_t, char* reason, size_t reasonCapacity) {
  StrCopy(reason, reasonCapacity, "this port has no channel between processes");
  return -1;
}

OsChannelAcceptResult OsChannelAccept(int, int*, char*, size_t) {
  return kAcceptNone;
}

int OsChannelWaitReadable(const int*, int, int*, double seconds) {
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  return 0;
}

void OsChannelShutReading(int) {}

OsChannelConnectResult OsChannelConnect(const char*, const unsigned char*, int*) {
  return kConnectNone;
}

int OsChannelWriteAll(int, const unsigned char*, size_t, double) {
  return 0;
}

int OsChannelWaitUntil(int, double) {
  return 0;
}

long OsChannelRead(int, void*, size_t) {
  return -2;
}

int OsChannelWriteByte(int, char) {
  return 0;
}

void OsChannelEnd(int) {}

// No bell: every step looks for itself.
int OsChannelWatchBell(int) {
  return 0;
}
void OsChannelUnwatchBell() {}
OsChannelBellState OsChannelBell() {
  return kBellRang;
}
void OsChannelAnswerBell() {}
int OsChannelRingBell(const char*) {
  return 0;
}
