// The quit-signal handler; see quit_signals.h. It is installed with SA_RESTART, as SDL installs
// its own, so a request interrupts no call of the game that it would not interrupt alone; SDL
// installs its own only over the default action, so it leaves ours in place (classic SDL puts
// ours back with signal(), which keeps the other quit signals unblocked while it runs: the
// handler may run inside itself, which its atomic operations allow). Exec resets the handler
// to the default action, so the processes the game starts inherit the dispositions the
// launcher was started with.
#include "platform/quit_signals.h"

#include <errno.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>

#include "platform/linux/quit_end.h"
#include "platform/linux/spawn.h"

namespace {
const int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};
int (*s_onQuit)();

void QuitSignalSet(sigset_t* set) {
  sigemptyset(set);
  for (int signal : kQuitSignals) sigaddset(set, signal);
}

void OnQuitSignal(int signal) {
  int saved = errno;
  if (!s_onQuit()) EndClosingChildren(signal);
  errno = saved;
}
}  // namespace

void BlockQuitSignalsHere(sigset_t* previous) {
  sigset_t quit;
  QuitSignalSet(&quit);
  pthread_sigmask(SIG_BLOCK, &quit, previous);
}

void EndByDefaultAction(int signal) {
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

int WatchQuitSignals(int (*onQuit)()) {
  s_onQuit = onQuit;
  struct sigaction handler;
  memset(&handler, 0, sizeof handler);
  handler.sa_handler = OnQuitSignal;
  handler.sa_flags = SA_RESTART;
  QuitSignalSet(&handler.sa_mask);
  int installed = 1;
  for (int signal : kQuitSignals) {
    struct sigaction current;
    if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
    if (sigaction(signal, &handler, nullptr) != 0) installed = 0;
  }
  return installed;
}
