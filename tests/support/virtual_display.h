// A private Xvfb server for end-to-end tests of real windows. It picks a free display number
// itself (-displayfd), so tests can run in parallel, and never resets (a reset between
// clients would drop a window that connects at that moment). Stopped on destruction.
#pragma once

#include <sys/types.h>

#include <string>

class VirtualDisplay {
 public:
  VirtualDisplay();
  ~VirtualDisplay();
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;
  // ":N", or empty when the server did not start.
  const std::string& Display() const { return m_display; }

 private:
  pid_t m_pid = -1;
  std::string m_display;
};

// 1 when every named program is on PATH.
bool ProgramsInstalled(std::initializer_list<const char*> programs);
