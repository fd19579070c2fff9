// Child processes with a clean signal state, and the table of children this process waits
// for; see spawn.h. The quit-signal handler reads the table, so it is changed only by a
// TableChange: with the quit signals blocked in the changing thread (the handler never finds
// its own thread halfway through a change), one change at a time under s_lock (which the
// handler never takes), and counted in s_changers. A handler in another thread that finds a
// change counted leaves the process's end to it: the change ends the process with that signal
// as the last one leaves. Each side writes its mark (s_endSignal, s_changers) before it reads
// the other's, so at least one of them sees the other.
#include "platform/linux/spawn.h"

#include "platform/linux/quit_end.h"
#include "platform/waiting.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>

namespace {
constexpr int kMaxChildren = 16;

pthread_mutex_t s_lock = PTHREAD_MUTEX_INITIALIZER;
pid_t s_children[kMaxChildren];
int s_count;
pid_t s_owner;  // the process whose children they are, not a copy that the engine forked
std::atomic<int> s_changers{0};   // threads inside a change of the table or waiting for one
std::atomic<int> s_endSignal{0};  // the quit signal the process ends by, once one asked
std::atomic_flag s_endTaken = ATOMIC_FLAG_INIT;

// The children must close only once this process is gone: closed earlier, the main thread
// would take the closed dialog as an answer and could end normally before the signal does.
// The watcher waits for the end of a pipe that only this process holds. Async-signal-safe:
// _Fork runs no fork handlers (fork would take the allocator's locks, which the interrupted
// thread may hold), and the watcher makes only system calls.
void CloseChildrenAfterExit() {
  if (s_count == 0 || getpid() != s_owner) return;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  pid_t watcher = _Fork();
  if (watcher == 0) {
    close(fds[1]);
    // Nothing is ever written: the read ends when this process has gone. A read that fails
    // for another reason than a signal cannot tell when that is, and closes the children now.
    char byte;
    while (read(fds[0], &byte, 1) < 0 && errno == EINTR) {
    }
    for (int i = 0; i < s_count; ++i) kill(s_children[i], SIGTERM);
    _exit(0);
  }
  close(fds[0]);  // fds[1] stays open until this process ends
}

// Whoever comes first of the handler and the last change ends the process, once.
void EndNowUnlessTaken() {
  if (s_endTaken.test_and_set()) return;
  CloseChildrenAfterExit();
  EndByDefaultAction(s_endSignal.load());
}

class TableChange {
 public:
  TableChange() {
    BlockQuitSignalsHere(&m_mask);
    s_changers.fetch_add(1);
    pthread_mutex_lock(&s_lock);
  }
  ~TableChange() {
    pthread_mutex_unlock(&s_lock);
    if (s_changers.fetch_sub(1) == 1 && s_endSignal.load() != 0) EndNowUnlessTaken();
    pthread_sigmask(SIG_SETMASK, &m_mask, nullptr);
  }
  // The process ends by a quit signal: no child starts and none is reaped (its pid must stay
  // this child's for the watcher), and the change's end ends the process.
  static bool Ending() { return s_endSignal.load() != 0; }

 private:
  sigset_t m_mask;
};

void Forget(pid_t pid) {
  for (int i = 0; i < s_count; ++i) {
    if (s_children[i] != pid) continue;
    s_children[i] = s_children[--s_count];
    return;
  }
}
}  // namespace

pid_t SpawnWithDefaultSignals(char* const argv[], int quiet, int errorFd) {
  posix_spawnattr_t attr;
  if (posix_spawnattr_init(&attr) != 0) return -1;
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) {
    posix_spawnattr_destroy(&attr);
    return -1;
  }
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
  if (quiet) {
    flags |= POSIX_SPAWN_SETPGROUP;
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  } else if (errorFd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, errorFd, STDERR_FILENO);
  }
  posix_spawnattr_setflags(&attr, flags);
  pid_t pid = -1;
  int failed = posix_spawnp(&pid, argv[0], &actions, &attr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  return failed ? -1 : pid;
}

pid_t SpawnWatchedChild(char* const argv[], int quiet, int errorFd) {
  TableChange change;
  if (change.Ending() || s_count >= kMaxChildren) return -1;
  pid_t pid = SpawnWithDefaultSignals(argv, quiet, errorFd);
  if (pid <= 0) return pid;
  s_children[s_count++] = pid;
  s_owner = getpid();
  return pid;
}

int WaitForChild(pid_t pid) {
  // Waits without reaping, so the pid stays this child's until it is forgotten.
  siginfo_t info;
  while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
  }
  int status = 0;
  pid_t reaped = -1;
  {
    TableChange change;
    if (!change.Ending()) {
      Forget(pid);
      while ((reaped = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
      }
    }
  }
  if (reaped != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int WaitForChildWithin(pid_t pid, double seconds) {
  double deadline = MonotonicSeconds() + seconds;
  for (;;) {
    siginfo_t info;
    info.si_pid = 0;
    int rc = waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT | WNOHANG);
    if ((rc == 0 && info.si_pid == pid) || (rc != 0 && errno != EINTR)) break;
    if (MonotonicSeconds() >= deadline) {
      kill(-pid, SIGKILL);  // the group the quiet child leads
      WaitForChild(pid);
      return -1;
    }
    PauseJittered(5000, 5000);
  }
  return WaitForChild(pid);
}

void EndClosingChildren(int signal) {
  int none = 0;
  s_endSignal.compare_exchange_strong(none, signal);  // the first request decides
  if (s_changers.load() == 0) EndNowUnlessTaken();
}
