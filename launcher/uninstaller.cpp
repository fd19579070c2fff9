// Uninstall mode: confirm, close the log, unbind the engine, delete what the install log
// "uninstall.log" in the working directory lists, then tell the user the truth: what could
// not be removed, or that the game is gone (offering the exit poll when the log names one).
// Only a log that its owner alone can change, written for this very installation, is used;
// each of its paths is removed only when it lies below the installation's prefix and is
// reached without a link. Deletion only ever touches what a complete, well-formed record names.
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
#include "util/file_name.h"
#include "util/strbuf.h"

namespace {
constexpr char kInstallLogName[] = "uninstall.log";

void NoteLeft(UninstallReport* report, const char* path) {
  if (report->left++ == 0) StrCopy(report->firstLeft, path);
}

void NoteRefused(UninstallReport* report, const char* path) {
  if (report->refused++ == 0) StrCopy(report->firstRefused, path);
}

// Only a web address is opened: the log is a file on disk, and xdg-open would as readily
// start a program for a local path.
int IsWebAddress(const char* address) {
  return strncmp(address, "http://", 7) == 0 || strncmp(address, "https://", 8) == 0;
}

// A record's path made absolute against the working directory; 0 when it does not fit.
int AbsolutePath(const char* path, char (&out)[kPathCapacity]) {
  if (path[0] == '/') return StrCopy(out, path);
  return fsGetCurrentDir(out, sizeof out) && StrAppendChar(out, sizeof out, '/') &&
         StrAppend(out, path);
}

// The records that name the installation (the first of each counts) and the poll address.
void ReadIdentity(FILE* file, UninstallReport* report) {
  InstallRecord record;
  for (InstallRecordKind kind; (kind = ReadInstallRecord(file, &record)) != kInstallEnd;) {
    if (kind == kInstallPrefix && !report->prefix[0]) {
      StrCopy(report->prefix, record.value);
      if (record.value[strlen(record.value) - 1] != '/') StrAppend(report->prefix, "/");
    } else if (kind == kInstallGame && !report->game[0]) {
      StrCopy(report->game, record.value);
    } else if (kind == kInstallPoll && IsWebAddress(record.value)) {
      StrCopy(report->pollAddress, record.value);
    }
  }
}

// 1 when the working directory is the Resources/ folder of the game the log names.
int IsNamedInstallation(const UninstallReport& report) {
  char resources[kPathCapacity];
  return StrFormatf(resources, sizeof resources, "%s/Resources", report.game) &&
         IsFolderInside(report.prefix, resources, ".") == 1;
}

void RemoveListed(UninstallReport* report, const char* value, int folder,
                  CacheRefreshes* refreshes) {
  char path[kPathCapacity];
  int result = AbsolutePath(value, path) ? RemoveInside(report->prefix, path, folder)
                                         : static_cast<int>(kInsideRefused);
  if (result == kInsideRefused)
    NoteRefused(report, value);
  else if (folder)
    return;  // a folder that others still fill stays, silently
  else if (result == kInsideFailed)
    NoteLeft(report, value);
  else if (result == kInsideRemoved)
    NoteRemovedFile(refreshes, path);
}

void RemovePattern(UninstallReport* report, const InstallRecord& record) {
  char folder[kPathCapacity];
  int inside =
      AbsolutePath(record.folder, folder) ? IsFolderInside(report->prefix, folder, folder) : 0;
  if (inside == 1)
    DelPattern(folder, record.value);
  else if (inside == 0)
    NoteRefused(report, record.folder);
}

// Every record in file order; 1 when a Self record asks for the log's own removal.
int RemoveRecords(FILE* file, UninstallReport* report) {
  int deleteSelf = 0;
  CacheRefreshes refreshes;
  InstallRecord record;
  for (InstallRecordKind kind; (kind = ReadInstallRecord(file, &record)) != kInstallEnd;) {
    if (kind == kInstallFile) {
      RemoveListed(report, record.value, 0, &refreshes);
    } else if (kind == kInstallFolder) {
      // The caches are rebuilt while the folders they read (mime/packages) still exist.
      RunCacheRefreshes(&refreshes);
      RemoveListed(report, record.value, 1, &refreshes);
    } else if (kind == kInstallPattern) {
      RemovePattern(report, record);
    } else if (kind == kInstallSelf) {
      deleteSelf = 1;
    }
  }
  // The shared caches are never listed: rebuilt, they forget the game and keep the others.
  RunCacheRefreshes(&refreshes);
  return deleteSelf;
}

// The folders again once the log is gone: Resources/ and the folders above it held it.
void RemoveFoldersAgain(FILE* file, const UninstallReport& report) {
  InstallRecord record;
  char path[kPathCapacity];
  for (InstallRecordKind kind; (kind = ReadInstallRecord(file, &record)) != kInstallEnd;)
    if (kind == kInstallFolder && AbsolutePath(record.value, path))
      RemoveInside(report.prefix, path, 1);
}

int TellWhyNothingWasRemoved(const UninstallReport& report) {
  if (report.refusal == kLogUnreadable)
    Alertf(
        "%s was not removed: its install log %s/%s could not be read. Reading it may need "
        "the user who installed the game.",
        g_AppNameLong, g_AppPath, kInstallLogName);
  else if (report.refusal == kLogNotOwners)
    Alertf(
        "%s was not removed: its install log %s/%s, or its folder, belongs to another user "
        "or may be changed by other users.",
        g_AppNameLong, g_AppPath, kInstallLogName);
  else if (report.refusal == kLogUnnamed)
    Alertf(
        "%s was not removed: its install log %s/%s does not name the installation it was "
        "written for.",
        g_AppNameLong, g_AppPath, kInstallLogName);
  else
    Alertf(
        "%s was not removed: %s is a copy, not the installation %s its install log was "
        "written for.",
        g_AppNameLong, g_AppPath, report.game);
  return 0;
}

int TellWhatWasLeft(const UninstallReport& report) {
  if (report.refusal != kLogUsed) return TellWhyNothingWasRemoved(report);
  if (report.refused > 0) {
    Alertf(
        "%s was not completely removed: %d paths of its install log were refused, as they "
        "lie outside %s, hold \"..\" or lead through a link, the first being\n%s",
        g_AppNameLong, report.refused, report.prefix, report.firstRefused);
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
  int answer =
      AskYesNoOrFailf("%s Uninstall\n\nAre you sure you want to remove %s from your computer?",
                      g_AppNameLong, g_AppNameLong);
  if (answer < 0) {
    fprintf(stderr, "%s: nothing was removed: the uninstall question could not be shown.\n",
            g_AppNameLong);
    return 0;
  }
  if (answer == 0) return 1;
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
  int refusal = kOwnersNoFile;
  FILE* file = OpenOwnersFile(kInstallLogName, &refusal);
  if (file == nullptr) {
    report->refusal = refusal == kOwnersNoFile ? kLogUnreadable : kLogNotOwners;
    return 0;
  }
  ReadIdentity(file, report);
  if (!report->prefix[0] || !report->game[0])
    report->refusal = kLogUnnamed;
  else if (!IsNamedInstallation(*report))
    report->refusal = kLogOtherInstall;
  else
    report->refusal = kLogUsed;
  if (report->refusal != kLogUsed) {
    report->pollAddress[0] = '\0';
    fclose(file);
    return 0;
  }
  rewind(file);
  if (RemoveRecords(file, report)) {
    if (fsRemoveFile(kInstallLogName)) {
      rewind(file);
      RemoveFoldersAgain(file, *report);
    } else {
      NoteLeft(report, kInstallLogName);
    }
  }
  fclose(file);
  return 1;
}

// Only files directly inside the folder match: the folder is taken literally, a pattern
// holding '/' matches nothing, and a symbolic link is removed as a link, never followed.
void DelPattern(const char* folder, const char* pattern) {
  if (!folder || !pattern) return;
  RemoveMatchingFiles(folder, pattern);
}
