// Uninstall mode: asks, deletes what the install log "uninstall.log" lists, and says what
// could not be removed, or offers the exit poll the log names.
#pragma once

#include <cstddef>

#include "launcher/install_log.h"

// Why a log was not used at all.
enum UninstallRefusal {
  kLogUsed = 0,
  kLogUnreadable,    // missing or not a regular file
  kLogNotOwners,     // the log or its folder belongs to another user or others may write it
  kLogUnnamed,       // not one Prefix (an absolute folder other than "/") holding one Game
  kLogUnreachable,   // the prefix cannot be reached without a link
  kLogOtherInstall,  // this bundle is not the installation the log names (a copy)
};

// What one pass over the install log did.
struct UninstallReport {
  int refusal = kLogUnreadable;
  int left = 0;                                  // listed files still there after their removal
  char firstLeft[kInstallValueMax + 1] = "";     // the first of them
  int refused = 0;                               // records naming a path outside the installation
  char firstRefused[kInstallValueMax + 1] = "";  // the first of them
  char pollAddress[kInstallValueMax + 1] = "";   // the log's "Poll" record: a web address
  char prefix[kInstallValueMax + 2] = "";        // the "Prefix" record, ending with '/'
  char game[kInstallValueMax + 1] = "";          // the "Game" record
};

// 1 when the uninstall was declined or done in full; 0 when it could not be asked, the log
// could not be used, or listed entries were left or refused (the user has been told which).
int UninstallFlow();
// Processes the install log; 0 when it was not used (report->refusal says why). The report
// may be null.
int SelfDestruct(UninstallReport* report = nullptr);
void DelPattern(const char* folder, const char* pattern);
// The exit poll's address: the log's address with "From=<app id>&Build=<build>" joined by
// '?', or by '&' when the address has a query already. 0 when it does not fit.
int PollAddress(char* out, size_t capacity, const char* address, const char* appId, int build);
