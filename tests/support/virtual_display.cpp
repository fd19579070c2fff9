// Private Xvfb servers; see virtual_display.h.
#include "tests/support/virtual_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <initializer_list>
#include <sstream>

VirtualDisplay::VirtualDisplay() {
  int fds[2];
  if (pipe(fds) != 0) return;
  m_pid = fork();
  if (m_pid == 0) {
    close(fds[0]);
    setpgid(0, 0);
    int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, 1);
    dup2(devnull, 2);
    std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-br",
           "-nocursor", "-noreset", "-nolisten", "tcp", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  pollfd readable = {fds[0], POLLIN, 0};
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (m_pid > 0 && std::chrono::steady_clock::now() < end &&
         number.find('\n') == std::string::npos) {
    if (poll(&readable, 1, 200) <= 0) continue;
    char buffer[32];
    ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    number.append(buffer, static_cast<size_t>(n));
  }
  close(fds[0]);
  if (number.find('\n') != std::string::npos) m_display = ":" + number.substr(0, number.find('\n'));
}

VirtualDisplay::~VirtualDisplay() {
  if (m_pid <= 0) return;
  kill(m_pid, SIGTERM);
  int status;
  waitpid(m_pid, &status, 0);
}

bool ProgramsInstalled(std::initializer_list<const char*> programs) {
  const char* path = getenv("PATH");
  for (const char* program : programs) {
    bool found = false;
    std::istringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (!found && std::getline(folders, folder, ':')) {
      found = access((folder + "/" + program).c_str(), X_OK) == 0;
    }
    if (!found) return false;
  }
  return true;
}
