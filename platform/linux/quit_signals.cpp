// The quit-signal thread; see quit_signals.h. Ending by the signal's own default action
// keeps the exit status a parent expects from a process killed by that signal.
#include "platform/port/quit_signals.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>

#include "platform/linux/spawn.h"

namespace {
sigset_t s_quitSignals;
int (*s_onQuit)();

void InitQuitSignals() {
  sigemptyset(&s_quitSignals);
  sigaddset(&s_quitSignals, SIGTERM);
  sigaddset(&s_quitSignals, SIGINT);
  sigaddset(&s_quitSignals, SIGHUP);
}

[[noreturn]] void EndBySignal(int signal) {
  OsCloseChildrenAfterExit();
  struct sigaction defaultAction;
  memset(&defaultAction, 0, sizeof defaultAction);
  defaultAction.sa_handler = SIG_DFL;
  sigaction(signal, &defaultAction, nullptr);
  sigset_t one;
  sigemptyset(&one);
  sigaddset(&one, signal);
  pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
  raise(signal);
  _exit(128 + signal);  // not reached: the default action of these signals ends the process
}

void* QuitThread(void*) {
  for (;;) {
    int number = 0;
    if (sigwait(&s_quitSignals, &number) != 0) continue;
    if (!s_onQuit()) EndBySignal(number);
  }
  return nullptr;
}
}  // namespace

void OsBlockQuitSignals() {
  InitQuitSignals();
  pthread_sigmask(SIG_BLOCK, &s_quitSignals, nullptr);
}

int OsStartQuitThread(int (*onQuit)()) {
  s_onQuit = onQuit;
  pthread_t thread;
  if (pthread_create(&thread, nullptr, QuitThread, nullptr) != 0) {
    pthread_sigmask(SIG_UNBLOCK, &s_quitSignals, nullptr);
    return 0;
  }
  pthread_detach(thread);
  return 1;
}
