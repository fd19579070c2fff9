// Uninstall mode: confirm, close the log, unbind the engine, delete what the install log
// "uninstall.log" in the working directory lists, then tell the user the truth: what could
// not be removed, or that the game is gone (offering the exit poll when the log names one).
// Only a log that its owner alone can change, written for this very installation, is used;
// the installation is opened once, and each of its paths is removed only when it lies below
// the installation's prefix, resolved from that one opening without a link or another mount.
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

// The records that name the installation and the poll address. The installation is named
// only by exactly one Prefix, an absolute folder other than "/", and one Game folder below it.
void ReadIdentity(FILE* file, UninstallReport* report) {
  InstallRecord record;
  int prefixes = 0, games = 0;
  for (InstallRecordKind kind; (kind = ReadInstallRecord(file, &record)) != kInstallEnd;) {
    if (kind == kInstallPrefix && prefixes++ == 0) {
      size_t length = strlen(record.value);
      while (length > 0 && record.value[length - 1] == '/') record.value[--length] = '\0';
      StrCopy(report->prefix, record.value);
      StrAppend(report->prefix, "/");
    } else if (kind == kInstallGame && games++ == 0) {
      StrCopy(report->game, record.value);
    } else if (kind == kInstallPoll && IsWebAddress(record.value)) {
      StrCopy(report->pollAddress, record.value);
    }
  }
  size_t prefixLength = strlen(report->prefix);
  if (prefixes != 1 || games != 1 || report->prefix[0] != '/' || prefixLength < 2 ||
      strncmp(report->game, report->prefix, prefixLength) != 0 ||
      report->game[prefixLength] == '\0') {
    report->prefix[0] = '\0';
    report->game[0] = '\0';
  }
}

// The prefix folder's path, without the final '/'.
void PrefixFolder(const UninstallReport& report, char (&out)[kPathCapacity]) {
  StrCopy(out, report.prefix);
  out[strlen(out) - 1] = '\0';
}

// The game folder relative to the prefix.
const char* GameBelow(const UninstallReport& report) {
  return report.game + strlen(report.prefix);
}

// A record's path relative to the prefix: an absolute one must lie below it, a relative one
// is taken from the game's Resources/ folder. "" names the prefix itself. 0 when outside.
int BelowPrefix(const UninstallReport& report, const char* path, char (&out)[kPathCapacity]) {
  if (path[0] != '/')
    return StrFormatf(out, sizeof out, "%s/Resources/%s", GameBelow(report), path);
  size_t length = strlen(report.prefix);
  if (strncmp(path, report.prefix, length - 1) != 0) return 0;
  if (path[length - 1] == '\0') return StrCopy(out, "");
  return path[length - 1] == '/' && StrCopy(out, path + length);
}

// 1 when the launcher runs from the game the log names: its Resources/ folder, reached from
// the prefix without a link, is the working directory, and the launcher's own game folder is
// that one (so a Resources/ that is a link to another installation's counts as another).
int IsNamedInstallation(const UninstallReport& report, int installation) {
  char resources[kPathCapacity];
  return StrFormatf(resources, sizeof resources, "%s/Resources", report.game) &&
         strcmp(resources, g_AppPath) == 0 &&
         IsWorkingFolderBelow(installation, resources + strlen(report.prefix));
}

int RemoveListedPath(const UninstallReport& report, int installation, const char* below,
                     int folder) {
  if (below[0] != '\0') return RemoveBelow(installation, below, folder);
  if (!folder) return kInsideRefused;
  char prefix[kPathCapacity];
  PrefixFolder(report, prefix);
  return RemoveInstallationFolder(installation, prefix) ? kInsideRemoved : kInsideFailed;
}

void RemoveListed(UninstallReport* report, int installation, const char* value, int folder,
                  CacheRefreshes* refreshes) {
  char below[kPathCapacity];
  int result = BelowPrefix(*report, value, below)
                   ? RemoveListedPath(*report, installation, below, folder)
                   : static_cast<int>(kInsideRefused);
  char path[kPathCapacity];
  if (result == kInsideRefused)
    NoteRefused(report, value);
  else if (folder)
    return;  // a folder that others still fill stays, silently
  else if (result == kInsideFailed)
    NoteLeft(report, value);
  else if (result == kInsideRemoved && StrFormatf(path, sizeof path, "%s%s", report->prefix, below))
    NoteRemovedFile(refreshes, path);
}

void RemovePattern(UninstallReport* report, int installation, const InstallRecord& record) {
  char below[kPathCapacity];
  if (!BelowPrefix(*report, record.folder, below) || below[0] == '\0' ||
      RemoveMatchingBelow(installation, below, record.value) == -2)
    NoteRefused(report, record.folder);
}

// Every record in file order; 1 when a Self record asks for the log's own removal.
int RemoveRecords(FILE* file, UninstallReport* report, int installation) {
  int deleteSelf = 0;
  CacheRefreshes refreshes;
  InstallRecord record;
  for (InstallRecordKind kind; (kind = ReadInstallRecord(file, &record)) != kInstallEnd;) {
    if (kind == kInstallFile) {
      RemoveListed(report, installation, record.value, 0, &refreshes);
    } else if (kind == kInstallFolder) {
      // The caches are rebuilt while the folders they read (mime/packages) still exist.
      RunCacheRefreshes(&refreshes);
      RemoveListed(report, installation, record.value, 1, &refreshes);
    } else if (kind == kInstallPattern) {
      RemovePattern(report, installation, record);
    } else if (kind == kInstallSelf) {
      deleteSelf = 1;
    }
  }
  // The shared caches are never listed: rebuilt, they forget the game and keep the others.
  RunCacheRefreshes(&refreshes);
  return deleteSelf;
}

// The folders again once the log is gone: Resources/ and the folders above it held it.
void RemoveFoldersAgain(FILE* file, const UninstallReport& report, int installation) {
  InstallRecord record;
  char below[kPathCapacity];
  for (InstallRecordKind kind; (kind = ReadInstallRecord(file, &record)) != kInstallEnd;)
    if (kind == kInstallFolder && BelowPrefix(report, record.value, below))
      RemoveListedPath(report, installation, below, 1);
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
  else if (report.refusal == kLogUnreachable)
    Alertf(
        "%s was not removed: the folder %s that its install log names cannot be reached "
        "without a link.",
        g_AppNameLong, report.prefix);
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
  // A game installed without an uninstall log is a package manager's to remove: nothing to
  // ask, nothing removed.
  if (!fsEntryExists(kInstallLogName)) {
    Alertf(
        "%s was installed without an uninstaller: remove it with the package manager that "
        "installed it.",
        g_AppNameLong);
    return 0;
  }
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
  int installation = -1;
  char prefix[kPathCapacity];
  if (!report->prefix[0])
    report->refusal = kLogUnnamed;
  else if (PrefixFolder(*report, prefix), (installation = OpenInstallation(prefix)) < 0)
    report->refusal = kLogUnreachable;
  else if (!IsNamedInstallation(*report, installation))
    report->refusal = kLogOtherInstall;
  else
    report->refusal = kLogUsed;
  if (report->refusal != kLogUsed) {
    report->pollAddress[0] = '\0';
    CloseInstallation(installation);
    fclose(file);
    return 0;
  }
  rewind(file);
  char log[kPathCapacity];
  if (RemoveRecords(file, report, installation)) {
    int result = StrFormatf(log, sizeof log, "%s/Resources/%s", GameBelow(*report), kInstallLogName)
                     ? RemoveBelow(installation, log, 0)
                     : static_cast<int>(kInsideFailed);
    if (result == kInsideRemoved || result == kInsideAbsent) {
      rewind(file);
      RemoveFoldersAgain(file, *report, installation);
    } else {
      NoteLeft(report, kInstallLogName);
    }
  }
  CloseInstallation(installation);
  fclose(file);
  return 1;
}

// Only files directly inside the folder match: the folder is taken literally, a pattern
// holding '/' matches nothing, and a symbolic link is removed as a link, never followed.
void DelPattern(const char* folder, const char* pattern) {
  if (!folder || !pattern) return;
  RemoveMatchingFiles(folder, pattern);
}
