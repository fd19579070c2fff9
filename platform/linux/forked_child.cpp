// The launcher's own descriptors, closed in a forked child; see forked_child.h. The table is
// changed on the launcher's threads under a mutex and read in the child, where only the
// forking thread exists, by the fork handler that runs before fork returns there.
#include "platform/linux/forked_child.h"

#include <pthread.h>
#include <unistd.h>

#include <mutex>

namespace {
constexpr int kSlots = 64;
std::mutex s_mutex;
int s_fds[kSlots];
int s_count;
pid_t s_launcher;

void CloseAllInChild() {
  for (int i = 0; i < s_count; ++i) close(s_fds[i]);
  s_count = 0;
}

// The launcher's process id, and the fork handler, once.
void Register() {
  static std::once_flag s_once;
  std::call_once(s_once, [] {
    s_launcher = getpid();
    // The forking thread holds the mutex across fork, in the parent and in its child alike.
    pthread_atfork([] { s_mutex.lock(); }, [] { s_mutex.unlock(); },
                   [] {
                     CloseAllInChild();
                     s_mutex.unlock();
                   });
  });
}
}  // namespace

void CloseInForkedChild(int fd) {
  Register();
  if (fd < 0) return;
  std::lock_guard<std::mutex> lock(s_mutex);
  if (s_count < kSlots) s_fds[s_count++] = fd;
}

void KeepInForkedChild(int fd) {
  std::lock_guard<std::mutex> lock(s_mutex);
  for (int i = 0; i < s_count; ++i) {
    if (s_fds[i] == fd) {
      s_fds[i] = s_fds[--s_count];
      return;
    }
  }
}

int IsLauncherProcess() {
  Register();
  return getpid() == s_launcher;
}
