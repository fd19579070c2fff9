// No channel between processes: nothing listens, nothing connects, and a wait that is asked
// for only passes the time.
#include <chrono>
#include <thread>

#include "platform/channel_watch.h"
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

int OsChannelPair(int*, int*) {
  return 0;
}

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

// Nothing to watch: every step finds out for itself.
int ChannelWatchStart() {
  return 0;
}
int ChannelWatchReady() {
  return 1;
}
void ChannelWatchArm(const int*, int, double) {}
void ChannelWatchHold() {}
