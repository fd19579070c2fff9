// Uninstall mode: asks, deletes what the install log "uninstall.log" lists, and says what
// could not be removed, or offers the exit poll the log names.
#pragma once

#include <cstddef>

#include "launcher/install_log.h"

// What one pass over the install log did.
struct UninstallReport {
  int logRead = 0;                              // the log could be opened
  int left = 0;                                 // listed files still there after their removal
  char firstLeft[kInstallValueMax + 1] = "";    // the first of them
  char pollAddress[kInstallValueMax + 1] = "";  // the log's "Poll" record: a web address
};

// 1 when the uninstall was declined or done in full; 0 when it could not be asked, the log
// could not be read, or listed files were left (the user has been told which).
int UninstallFlow();
// Processes the install log; 0 when it cannot be opened. The report may be null.
int SelfDestruct(UninstallReport* report = nullptr);
void DelPattern(const char* folder, const char* pattern);
// The exit poll's address: the log's address with "From=<app id>&Build=<build>" joined by
// '?', or by '&' when the address has a query already. 0 when it does not fit.
int PollAddress(char* out, size_t capacity, const char* address, const char* appId, int build);
