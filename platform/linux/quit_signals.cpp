// The quit-signal thread; see quit_signals.h. Ending by the signal's own default action
// keeps the exit status a parent expects from a process killed by that signal. Once the
// thread runs, the main thread gets back the mask it was started with, and a quit signal that
// lands in any thread but the quit thread is handed to it by a small handler: so the threads
// and processes the engine starts inherit the mask and dispositions the launcher had at start
// (exec resets a handler to the default action), while every request still reaches sigwait.
#include "platform/quit_signals.h"

#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>

#include "platform/linux/spawn.h"

namespace {
const int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};
sigset_t s_quitSignals;
sigset_t s_startMask;  // the main thread's mask before the quit signals were blocked
int (*s_onQuit)();
pthread_t s_quitThread;

[[noreturn]] void EndBySignal(int signal) {
  CloseChildrenAfterExit();
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

// Async-signal-safe: a signal that another thread took goes on to the quit thread, which
// keeps it blocked and takes it with sigwait.
void HandToQuitThread(int signal) {
  int saved = errno;
  pthread_kill(s_quitThread, signal);
  errno = saved;
}

// A quit signal ignored at start stays ignored, as in any program started that way (nohup).
void DropIgnoredSignals() {
  for (int signal : kQuitSignals) {
    struct sigaction current;
    if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
      sigdelset(&s_quitSignals, signal);
  }
}

void InstallHandOver() {
  struct sigaction handOver;
  memset(&handOver, 0, sizeof handOver);
  handOver.sa_handler = HandToQuitThread;
  handOver.sa_flags = SA_RESTART;
  for (int signal : kQuitSignals)
    if (sigismember(&s_quitSignals, signal)) sigaction(signal, &handOver, nullptr);
}
}  // namespace

void BlockQuitSignals() {
  sigemptyset(&s_quitSignals);
  for (int signal : kQuitSignals) sigaddset(&s_quitSignals, signal);
  pthread_sigmask(SIG_BLOCK, &s_quitSignals, &s_startMask);
}

int StartQuitThread(int (*onQuit)()) {
  s_onQuit = onQuit;
  DropIgnoredSignals();
  if (pthread_create(&s_quitThread, nullptr, QuitThread, nullptr) != 0) {
    pthread_sigmask(SIG_SETMASK, &s_startMask, nullptr);
    return 0;
  }
  pthread_detach(s_quitThread);
  InstallHandOver();
  pthread_sigmask(SIG_SETMASK, &s_startMask, nullptr);
  return 1;
}
