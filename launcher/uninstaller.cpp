// Uninstall mode: confirm, close the log, unbind the engine, delete what the install log
// "uninstall.log" in the working directory lists, then offer the exit poll. Deletion only
// ever touches what a complete, well-formed record names; failures of single entries are
// not reported and the next record is processed.
#include "launcher/uninstaller.h"

#include <cstdio>

#include "launcher/engine.h"
#include "launcher/install_log.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/log.h"
#include "state/state.h"

namespace {
constexpr char kInstallLogName[] = "uninstall.log";
}

void UninstallFlow() {
  if (!AskYesNof("%s Uninstall\n\nAre you sure you want to remove %s from your computer?",
                 g_AppNameLong, g_AppNameLong))
    return;
  Logf("[main] Uninstalling\n");
  CloseLog();
  UnloadQuarn();
  SelfDestruct();
  if (AskYesNof("%s has succesfully been removed from your computer.\nWould you like to take an "
                "exit poll to tell us why you're uninstalling?",
                g_AppNameLong))
    LaunchWebBrowserf("http://www.quillfen.example/uninstallpoll.html?From=%s&Build=%i", g_AppID,
                      g_nBuild);
}

int SelfDestruct() {
  FILE* file = fopen(kInstallLogName, "r");
  if (file == nullptr) return 0;
  int deleteSelf = 0;
  InstallRecord record;
  for (;;) {
    InstallRecordKind kind = ReadInstallRecord(file, &record);
    if (kind == kInstallEnd) break;
    switch (kind) {
      case kInstallFile:
        fsRemoveFile(record.value);
        break;
      case kInstallFolder:
        fsRemoveDirectory(record.value);
        break;
      case kInstallPattern:
        DelPattern(record.folder, record.value);
        break;
      case kInstallSelf:
        deleteSelf = 1;
        break;
      default:
        break;
    }
  }
  fclose(file);
  if (deleteSelf) fsRemoveFile(kInstallLogName);
  return 1;
}

// Only files directly inside the folder match: the folder is taken literally, a pattern
// holding '/' matches nothing, and a symbolic link is removed as a link, never followed.
void DelPattern(const char* folder, const char* pattern) {
  if (!folder || !pattern) return;
  OsRemoveMatchingFiles(folder, pattern);
}
