// A quit signal with nobody to ask, sent while the Linux layer keeps changing its table of
// children (starting and reaping them), taken in the changing thread or in another one: the
// process always ends by the signal (the handler never waits for the change it interrupted),
// and the child it remembered is closed after it.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "platform/linux/proc_stat.h"
#include "platform/linux/spawn.h"
#include "platform/quit_signals.h"

namespace {

void* Idle(void*) {
  for (;;) pause();
}

// The launcher's side, in a child process: remembers a long child and reports its pid, then
// starts and reaps short children until the test's signal ends it.
[[noreturn]] void ChangeChildrenUntilEnded(int reportFd, bool otherThread) {
  WatchQuitSignals([] { return 0; });  // nobody to ask
  pthread_t idle;
  if (otherThread) pthread_create(&idle, nullptr, Idle, nullptr);
  char* sleeper[] = {const_cast<char*>("sleep"), const_cast<char*>("60"), nullptr};
  pid_t kept = SpawnWatchedChild(sleeper);
  if (write(reportFd, &kept, sizeof kept) != sizeof kept) _exit(2);
  char* brief[] = {const_cast<char*>("true"), nullptr};
  for (int i = 0; i < 100000; ++i) {
    pid_t pid = SpawnWatchedChild(brief);
    if (pid > 0) WaitForChild(pid);
  }
  _exit(3);  // the signal never ended it
}

// A live process (neither gone nor a zombie).
bool Alive(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  char state = 0;
  unsigned long long ticks = 0;
  return ParseProcStat(stat.c_str(), &state, &ticks) && state != 'Z' && state != 'X';
}

// The child's status within 10 s; -1 (and the child killed) past that.
int StatusWithin10s(pid_t pid) {
  for (int i = 0; i < 1000; ++i) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

TEST(QuitEnd, EndsByTheSignalWhileChildrenAreStartedAndReaped) {
  for (bool otherThread : {false, true}) {
    for (int round = 0; round < 20; ++round) {
      SCOPED_TRACE(std::string(otherThread ? "another thread, " : "one thread, ") + "round " +
                   std::to_string(round));
      int fds[2];
      ASSERT_EQ(pipe(fds), 0);
      pid_t launcher = fork();
      ASSERT_GE(launcher, 0);
      if (launcher == 0) ChangeChildrenUntilEnded(fds[1], otherThread);
      close(fds[1]);
      pid_t kept = 0;
      bool reported = read(fds[0], &kept, sizeof kept) == sizeof kept && kept > 0;
      close(fds[0]);
      std::this_thread::sleep_for(std::chrono::microseconds(500 * round));
      kill(launcher, SIGTERM);
      int status = StatusWithin10s(launcher);
      ASSERT_TRUE(reported);
      ASSERT_NE(status, -1) << "the process did not end";
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
      for (int i = 0; i < 500 && Alive(kept); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      EXPECT_FALSE(Alive(kept));
    }
  }
}

}  // namespace
