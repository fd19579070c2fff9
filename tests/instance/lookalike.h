// A process that passes for a launcher of the test bundle: it runs under the launcher's
// command name (the kernel's name for it, which the guard compares), and does nothing else.
#pragma once

#include <grp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

// The command name the kernel gives a launcher: its file's name, or valgrind's tool's when
// the memcheck pass runs every launcher under it.
inline const char* LauncherCommandName() {
  const char* wrapper = getenv("QFN_LAUNCHER_WRAPPER");
  return wrapper && strncmp(wrapper, "valgrind", 8) == 0 ? "memcheck-amd64-" : "quarn";
}

// Runs until killed (Lookalike's destructor), as user 65534 when asNobody.
struct Lookalike {
  pid_t pid = -1;
  explicit Lookalike(bool asNobody = false) {
    int ready[2];
    if (pipe(ready) != 0) return;
    pid = fork();
    if (pid == 0) {
      close(ready[0]);
      if ((asNobody && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) ||
          prctl(PR_SET_NAME, LauncherCommandName()) != 0 || write(ready[1], "x", 1) != 1)
        _exit(1);
      for (;;) pause();
    }
    close(ready[1]);
    char byte;
    if (pid > 0 && read(ready[0], &byte, 1) != 1) End();
    close(ready[0]);
  }
  ~Lookalike() { End(); }
  Lookalike(const Lookalike&) = delete;
  Lookalike& operator=(const Lookalike&) = delete;
  void End() {
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
  }
};
