// Uninstall mode: confirm, close the log, unbind the engine, delete what the install log
// "uninstall.log" in the working directory lists, then tell the user the truth: what could
// not be removed, or that the game is gone (offering the exit poll when the log names one).
// Deletion only ever touches what a complete, well-formed record names.
#include "launcher/uninstaller.h"

#include <cstdio>
#include <cstring>

#include "launcher/cache_refresh.h"
#include "launcher/engine.h"
#include "launcher/install_log.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/log.h"
#include "state/state.h"
#include "util/strbuf.h"

namespace {
constexpr char kInstallLogName[] = "uninstall.log";

// A file that is still there after its removal failed; a file already gone is no failure.
void NoteLeft(UninstallReport* report, const char* path) {
  if (fsEntryExists(path) == 0) return;
  if (report->left++ == 0) StrCopy(report->firstLeft, path);
}

// Only a web address is opened: the log is a file on disk, and xdg-open would as readily
// start a program for a local path.
int IsWebAddress(const char* address) {
  return strncmp(address, "http://", 7) == 0 || strncmp(address, "https://", 8) == 0;
}

int TellWhatWasLeft(const UninstallReport& report) {
  if (!report.logRead) {
    Alertf(
        "%s was not removed: its install log %s/%s could not be read. Reading it may need "
        "the user who installed the game.",
        g_AppNameLong, g_AppPath, kInstallLogName);
    return 0;
  }
  if (report.left == 0) return 1;
  Alertf(
      "%s was not completely removed: %d installed files could not be deleted, the first "
      "being\n%s\nRemoving them may need the user who installed the game.",
      g_AppNameLong, report.left, report.firstLeft);
  return 0;
}
}  // namespace

int UninstallFlow() {
  if (!g_bNoNativeGui && !CanAskUser()) {
    fprintf(stderr,
            "%s: nothing was removed: there is no display and no terminal to confirm the "
            "uninstall on. Run \"%s -Uninstall\" from a terminal or the desktop.\n",
            g_AppNameLong, g_AppExePath);
    return 0;
  }
  if (!AskYesNof("%s Uninstall\n\nAre you sure you want to remove %s from your computer?",
                 g_AppNameLong, g_AppNameLong))
    return 1;
  Logf("[main] Uninstalling\n");
  CloseLog();
  UnloadQuarn();
  UninstallReport report;
  SelfDestruct(&report);
  if (!TellWhatWasLeft(report)) return 0;
  if (!report.pollAddress[0]) {
    Notef("%s has succesfully been removed from your computer.", g_AppNameLong);
    return 1;
  }
  char poll[kInstallValueMax + 1 + 2 * QRN_TEXT_CAPACITY];
  if (AskYesNof("%s has succesfully been removed from your computer.\nWould you like to take an "
                "exit poll to tell us why you're uninstalling?",
                g_AppNameLong) &&
      PollAddress(poll, sizeof poll, report.pollAddress, g_AppID, g_nBuild))
    LaunchWebBrowserf("%s", poll);
  return 1;
}

int PollAddress(char* out, size_t capacity, const char* address, const char* appId, int build) {
  return StrFormatf(out, capacity, "%s%cFrom=%s&Build=%i", address,
                    strchr(address, '?') ? '&' : '?', appId, build);
}

int SelfDestruct(UninstallReport* report) {
  UninstallReport unused;
  if (!report) report = &unused;
  *report = UninstallReport();
  FILE* file = fopen(kInstallLogName, "r");
  if (file == nullptr) return 0;
  report->logRead = 1;
  int deleteSelf = 0;
  CacheRefreshes refreshes;
  InstallRecord record;
  for (;;) {
    InstallRecordKind kind = ReadInstallRecord(file, &record);
    if (kind == kInstallEnd) break;
    switch (kind) {
      case kInstallFile:
        if (fsRemoveFile(record.value))
          NoteRemovedFile(&refreshes, record.value);
        else
          NoteLeft(report, record.value);
        break;
      case kInstallFolder:
        // The caches are rebuilt while the folders they read (mime/packages) still exist.
        RunCacheRefreshes(&refreshes);
        fsRemoveDirectory(record.value);  // a folder that others still fill stays, silently
        break;
      case kInstallPattern:
        DelPattern(record.folder, record.value);
        break;
      case kInstallSelf:
        deleteSelf = 1;
        break;
      case kInstallPoll:
        if (IsWebAddress(record.value)) StrCopy(report->pollAddress, record.value);
        break;
      default:
        break;
    }
  }
  fclose(file);
  // The shared caches are never listed: rebuilt, they forget the game and keep the others.
  RunCacheRefreshes(&refreshes);
  if (deleteSelf && !fsRemoveFile(kInstallLogName)) NoteLeft(report, kInstallLogName);
  return 1;
}

// Only files directly inside the folder match: the folder is taken literally, a pattern
// holding '/' matches nothing, and a symbolic link is removed as a link, never followed.
void DelPattern(const char* folder, const char* pattern) {
  if (!folder || !pattern) return;
  RemoveMatchingFiles(folder, pattern);
}
