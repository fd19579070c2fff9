// The watcher thread; see channel_watch.h. Its state lives on the heap and is never freed, and
// the thread is detached: an engine that ends the process with exit() runs static destructors
// while the watcher may still wait, and neither its mutex nor its condition variable may be
// destroyed under it.
#include "platform/channel_watch.h"

#include <atomic>
#include <cassert>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/port/instance_channel.h"
#include "platform/waiting.h"

namespace {

constexpr int kMostHandles = 16;
constexpr double kIdleSeconds = 3600;  // a wait without a deadline, renewed when it ends

struct Watch {
  std::mutex mutex;
  std::condition_variable changed;
  int armed = 0;     // the main thread handed a set and has not touched it since
  int watching = 0;  // the watcher waits on that set now
  int handles[kMostHandles + 1];
  int count = 0;
  double deadline = 0;
  int wakeRead = -1, wakeWrite = -1;
};

Watch* s_watch;
std::atomic<int> s_ready{1};

void WaitOnce(Watch* w, std::unique_lock<std::mutex>& lock) {
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
  lock.unlock();
  OsChannelWaitReadable(handles, count + 1, ready, seconds);
  if (ready[count]) {
    char drained[16];
    while (OsChannelRead(w->wakeRead, drained, sizeof drained) > 0) {
    }
  }
  lock.lock();
  w->watching = 0;
  w->armed = 0;
  s_ready.store(1, std::memory_order_release);
  w->changed.notify_all();
}

void WatchLoop(Watch* w) {
  std::unique_lock<std::mutex> lock(w->mutex);
  for (;;) {
    w->changed.wait(lock, [w] { return w->armed != 0; });
    WaitOnce(w, lock);
  }
}

}  // namespace

int ChannelWatchStart() {
  if (s_watch) return 1;
  Watch* w = new Watch;
  if (!OsChannelPair(&w->wakeRead, &w->wakeWrite)) {
    delete w;
    return 0;
  }
  std::thread(WatchLoop, w).detach();
  s_watch = w;
  return 1;
}

int ChannelWatchReady() {
  return !s_watch || s_ready.load(std::memory_order_acquire);
}

void ChannelWatchArm(const int* handles, int count, double deadline) {
  if (!s_watch) return;
  assert(count <= kMostHandles);
  std::lock_guard<std::mutex> lock(s_watch->mutex);
  assert(!s_watch->watching);
  for (int i = 0; i < count; ++i) s_watch->handles[i] = handles[i];
  s_watch->count = count;
  s_watch->deadline = deadline;
  s_watch->armed = 1;
  s_ready.store(0, std::memory_order_relaxed);
  s_watch->changed.notify_all();
}

void ChannelWatchHold() {
  if (!s_watch) return;
  std::unique_lock<std::mutex> lock(s_watch->mutex);
  if (s_watch->watching) {
    OsChannelWriteByte(s_watch->wakeWrite, 'w');
    s_watch->changed.wait(lock, [] { return s_watch->watching == 0; });
  }
  s_watch->armed = 0;
  s_ready.store(1, std::memory_order_release);
}
