// The watcher thread; see channel_watch.h. Its state is static and never torn down, and the
// thread is detached: an engine that ends the process with exit() runs the exit handlers while
// the watcher may still wait, and neither its mutex nor its condition variable may go away
// under it. A thread costs less here than a signal would: a signal on readiness would
// interrupt the engine's own blocking calls, which it never sees when it runs alone.
#include "platform/channel_watch.h"

#include <pthread.h>

#include <atomic>
#include <cassert>

#include "platform/port/instance_channel.h"
#include "platform/waiting.h"

namespace {

constexpr int kMostHandles = 16;
constexpr double kIdleSeconds = 3600;  // a wait without a deadline, renewed when it ends

struct Watch {
  pthread_mutex_t mutex;
  pthread_cond_t changed;
  int armed;     // the main thread handed a set and has not touched it since
  int watching;  // the watcher waits on that set now
  int handles[kMostHandles + 1];
  int count;
  double deadline;
  int wakeRead, wakeWrite;
};

Watch s_state = {PTHREAD_MUTEX_INITIALIZER, PTHREAD_COND_INITIALIZER, 0, 0, {}, 0, 0, -1, -1};
Watch* s_watch;  // &s_state once the watcher runs
std::atomic<int> s_ready{1};

// Called and returns with the mutex held.
void WaitOnce(Watch* w) {
  int handles[kMostHandles + 1], ready[kMostHandles + 1];
  int count = w->count;
  for (int i = 0; i < count; ++i) handles[i] = w->handles[i];
  handles[count] = w->wakeRead;
  double seconds = kIdleSeconds;
  if (w->deadline > 0) {
    double left = w->deadline - MonotonicSeconds();
    seconds = left > 0 ? left : 0;
  }
  w->watching = 1;
  pthread_mutex_unlock(&w->mutex);
  OsChannelWaitReadable(handles, count + 1, ready, seconds);
  if (ready[count]) {
    char drained[16];
    while (OsChannelRead(w->wakeRead, drained, sizeof drained) > 0) {
    }
  }
  pthread_mutex_lock(&w->mutex);
  w->watching = 0;
  w->armed = 0;
  s_ready.store(1, std::memory_order_release);
  pthread_cond_broadcast(&w->changed);
}

void* WatchLoop(void* arg) {
  Watch* w = static_cast<Watch*>(arg);
  pthread_mutex_lock(&w->mutex);
  for (;;) {
    while (!w->armed) pthread_cond_wait(&w->changed, &w->mutex);
    WaitOnce(w);
  }
  return nullptr;
}

}  // namespace

int ChannelWatchStart() {
  if (s_watch) return 1;
  Watch* w = &s_state;
  if (!OsChannelPair(&w->wakeRead, &w->wakeWrite)) return 0;
  pthread_t thread;
  if (pthread_create(&thread, nullptr, WatchLoop, w) != 0) {
    OsChannelEnd(w->wakeRead);
    OsChannelEnd(w->wakeWrite);
    w->wakeRead = w->wakeWrite = -1;
    return 0;
  }
  pthread_detach(thread);
  s_watch = w;
  return 1;
}

int ChannelWatchReady() {
  return !s_watch || s_ready.load(std::memory_order_acquire);
}

void ChannelWatchArm(const int* handles, int count, double deadline) {
  if (!s_watch) return;
  assert(count <= kMostHandles);
  pthread_mutex_lock(&s_watch->mutex);
  assert(!s_watch->watching);
  for (int i = 0; i < count; ++i) s_watch->handles[i] = handles[i];
  s_watch->count = count;
  s_watch->deadline = deadline;
  s_watch->armed = 1;
  s_ready.store(0, std::memory_order_relaxed);
  pthread_cond_broadcast(&s_watch->changed);
  pthread_mutex_unlock(&s_watch->mutex);
}

void ChannelWatchHold() {
  if (!s_watch) return;
  pthread_mutex_lock(&s_watch->mutex);
  if (s_watch->watching) {
    OsChannelWriteByte(s_watch->wakeWrite, 'w');
    while (s_watch->watching) pthread_cond_wait(&s_watch->changed, &s_watch->mutex);
  }
  s_watch->armed = 0;
  s_ready.store(1, std::memory_order_release);
  pthread_mutex_unlock(&s_watch->mutex);
}
