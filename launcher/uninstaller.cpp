// Uninstall mode: confirm, close the log, unbind the engine, delete what the install log
// "uninstall.log" in the working directory lists, then offer the exit poll. Deletion only
// ever touches what a complete, well-formed record names; failures of single entries are
// not reported and the next record is processed.
#include "launcher/uninstaller.h"

#include <glob.h>

#include <cstdio>
#include <cstring>

#include "launcher/engine.h"
#include "launcher/install_log.h"
#include "launcher/state.h"
#include "platform/dialogs.h"
#include "platform/fs.h"
#include "platform/log.h"
#include "util/strbuf.h"

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

// A search text that does not fit is not searched at all: a cut pattern could match files
// the record never named.
void DelPattern(const char* folder, const char* pattern) {
  char search[kInstallJoinedMax + 1];
  int fits = folder[0] != '\0' ? StrFormatf(search, sizeof search, "%s/%s", folder, pattern)
                               : StrCopy(search, pattern);
  if (!fits) return;
  glob_t matches;
  if (glob(search, GLOB_MARK, nullptr, &matches) == 0) {
    for (size_t i = 0; i < matches.gl_pathc; ++i) {
      const char* match = matches.gl_pathv[i];
      size_t length = strlen(match);
      if (length > 0 && match[length - 1] != '/') fsRemoveFile(match);
    }
  }
  globfree(&matches);
}
