// Child processes with a clean signal state, and the table of children this process waits
// for; see spawn.h. s_lock guards s_children, s_count and s_ending; every start, reap and the
// quit path's look take it, so none of them can fall between the others.
#include "platform/linux/spawn.h"

#include "platform/waiting.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
constexpr int kMaxChildren = 16;

pthread_mutex_t s_lock = PTHREAD_MUTEX_INITIALIZER;
pid_t s_children[kMaxChildren];
int s_count;
int s_ending;

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
  pthread_mutex_lock(&s_lock);
  pid_t pid = -1;
  if (!s_ending && s_count < kMaxChildren) {
    pid = SpawnWithDefaultSignals(argv, quiet, errorFd);
    if (pid > 0) s_children[s_count++] = pid;
  }
  pthread_mutex_unlock(&s_lock);
  return pid;
}

int WaitForChild(pid_t pid) {
  // Waits without reaping, so the pid stays this child's until it is forgotten.
  siginfo_t info;
  while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
  }
  pthread_mutex_lock(&s_lock);
  Forget(pid);
  int status = 0;
  pid_t reaped;
  while ((reaped = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
  }
  pthread_mutex_unlock(&s_lock);
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

// The children must close only once this process is gone: closed earlier, the main thread
// would take the closed dialog as an answer and could end normally before the signal does.
// The watcher waits for the end of a pipe that only this process holds. It uses only
// async-signal-safe calls after fork.
void CloseChildrenAfterExit() {
  pthread_mutex_lock(&s_lock);
  s_ending = 1;
  if (s_count == 0) return;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  pid_t watcher = fork();
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
