// A child process for the guard's tests: it reports its own process identity through a pipe
// and then lives until Finish() (or the test process's end) closes its hold pipe, so a test
// can check a live process, a zombie and a reaped one with a known identity.
#pragma once

#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "platform/process.h"

struct ChildProcess {
  pid_t pid = -1;
  int holdFd = -1;
  unsigned char identity[8] = {};
  bool ok = false;

  // commandName, when given, replaces the child's command name (at most 15 characters).
  explicit ChildProcess(const char* commandName = nullptr) {
    int report[2];
    int hold[2];
    if (pipe(report) != 0) return;
    if (pipe(hold) != 0) return;
    pid = fork();
    if (pid == 0) {
      close(report[0]);
      close(hold[1]);
      if (commandName != nullptr) prctl(PR_SET_NAME, commandName, 0, 0, 0);
      unsigned char own[8] = {};
      int status = CurrentProcessIdentity(own) ? 1 : 0;
      if (write(report[1], &status, sizeof status) != sizeof status) _exit(2);
      if (write(report[1], own, sizeof own) != sizeof own) _exit(2);
      char c;
      while (read(hold[0], &c, 1) > 0) {
      }
      _exit(0);
    }
    close(report[1]);
    close(hold[0]);
    holdFd = hold[1];
    int status = 0;
    ok = read(report[0], &status, sizeof status) == sizeof status && status == 1 &&
         read(report[0], identity, sizeof identity) == sizeof identity;
    close(report[0]);
  }
  // Lets the child end; with reap false it stays a zombie until Reap().
  void Finish(bool reap = true) {
    if (holdFd >= 0) close(holdFd);
    holdFd = -1;
    if (reap) Reap();
  }
  void Reap() {
    if (pid > 0) waitpid(pid, nullptr, 0);
    pid = -1;
  }
  ~ChildProcess() { Finish(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
};
