// The launcher's own descriptors, closed in a forked child; see forked_child.h. The table is
// changed on the launcher's threads under a mutex and read in the child, where only the
// forking thread exists, by the fork handler that runs before fork returns there.
#include "platform/linux/forked_child.h"

#include <pthread.h>
#include <unistd.h>

namespace {
constexpr int kSlots = 64;
pthread_mutex_t s_mutex = PTHREAD_MUTEX_INITIALIZER;
pthread_once_t s_once = PTHREAD_ONCE_INIT;
int s_fds[kSlots];
int s_count;
pid_t s_launcher;
int s_forked;

void CloseAllInChild() {
  for (int i = 0; i < s_count; ++i) close(s_fds[i]);
  s_count = 0;
}

// The launcher's process id, and the fork handler, once.
void Register() {
  pthread_once(&s_once, [] {
    s_launcher = getpid();
    // The forking thread holds the mutex across fork, in the parent and in its child alike.
    pthread_atfork([] { pthread_mutex_lock(&s_mutex); }, [] { pthread_mutex_unlock(&s_mutex); },
                   [] {
                     CloseAllInChild();
                     s_forked = 1;
                     pthread_mutex_unlock(&s_mutex);
                   });
  });
}
}  // namespace

void CloseInForkedChild(int fd) {
  Register();
  if (fd < 0) return;
  pthread_mutex_lock(&s_mutex);
  if (s_count < kSlots) s_fds[s_count++] = fd;
  pthread_mutex_unlock(&s_mutex);
}

void KeepInForkedChild(int fd) {
  pthread_mutex_lock(&s_mutex);
  for (int i = 0; i < s_count; ++i) {
    if (s_fds[i] == fd) {
      s_fds[i] = s_fds[--s_count];
      break;
    }
  }
  pthread_mutex_unlock(&s_mutex);
}

int IsLauncherProcess() {
  Register();
  return getpid() == s_launcher;
}

int IsForkedChild() {
  return s_forked;
}
