// This process, as far as the C++ standard library tells it: no identity (so no instance
// record and no other instance is ever found), no hook at the process's end, no terminal, no
// display, an environment that cannot be changed, quit and fatal signals left as they are,
// and time from the steady clock with pauses of the asked length.
#include <chrono>
#include <thread>

#include "platform/desktop_caches.h"
#include "platform/fatal_signals.h"
#include "platform/process.h"
#include "platform/quit_signals.h"
#include "platform/waiting.h"

int CurrentProcessIdentity(unsigned char*) {
  return 0;
}

int ProcessIdentityIsAlive(const unsigned char*) {
  return 0;
}

int ProcessIdentityRunsThisProgram(const unsigned char*) {
  return 0;
}

int ProcessIdentityIsOtherUsers(const unsigned char*) {
  return 0;
}

int ProcessIdentityOf(long, unsigned char*) {
  return 0;
}

int OnProcessExit(void (*)(int)) {
  return 0;
}

int StandardOutputIsTerminal() {
  return 0;
}

int HasDisplay() {
  return 0;
}

int SetEnvironment(const char*, const char*) {
  return 0;
}

int WatchQuitSignals(int (*)()) {
  return 0;
}

int WatchFatalSignals(void (*)(const char*)) {
  return 0;
}

void PauseFatalSignalWatch() {}

void ResumeFatalSignalWatch() {}

void RemoveSdlParachute() {}

double MonotonicSeconds() {
  using Seconds = std::chrono::duration<double>;
  return std::chrono::duration_cast<Seconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void PauseJittered(unsigned minMicros, unsigned) {
  std::this_thread::sleep_for(std::chrono::microseconds(minMicros));
}

int CacheOfFile(const char*, int*, char*, size_t) {
  return 0;
}

int RefreshDesktopCache(int, const char*, double) {
  return 0;
}
