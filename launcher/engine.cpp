// Binding to the engine library and message forwarding. The library, once loaded, stays
// loaded for the life of the process; only the lifecycle entry points are unbound between
// runs, so qrnSendIPC stays usable and a message is held back only before the first binding.
#include "launcher/engine.h"

#include "launcher/held_messages.h"
#include "platform/dialogs.h"
#include "platform/log.h"
#include "state/state.h"
#include "util/strbuf.h"

#include <cstdio>

namespace {
template <typename Fn>
Fn LookUp(const char* name) {
  return reinterpret_cast<Fn>(GetDllSymbol(g_Dll, name));
}
}  // namespace

int InitQuarn() {
  if (!g_Dll) {
    g_Dll = LoadDll(g_DllName);
    if (!g_Dll) {
      Alertf("ERROR\n\nCan't load %s!\nError: %s", g_DllName, GetDllError());
      return 0;
    }
  }
  qrnGetAppName = LookUp<qrnGetAppNameFn>("qrnGetAppName");
  qrnCreate = LookUp<qrnCreateFn>("qrnCreate");
  qrnRun = LookUp<qrnRunFn>("qrnRun");
  qrnClose = LookUp<qrnCloseFn>("qrnClose");
  qrnSendIPC = LookUp<qrnSendIPCFn>("qrnSendIPC");
  if (qrnGetAppName && qrnCreate && qrnRun && qrnClose && qrnSendIPC) return 1;
  Alertf("ERROR\n\n missing symbols in %s!", g_DllName);
  Logf("[InitQuarn] GetDllSymbol FAILED\n");
  // Which ones, so that an engine author sees at once what the library lacks.
  const struct {
    const void* bound;
    const char* name;
  } entries[] = {{reinterpret_cast<const void*>(qrnGetAppName), "qrnGetAppName"},
                 {reinterpret_cast<const void*>(qrnCreate), "qrnCreate"},
                 {reinterpret_cast<const void*>(qrnRun), "qrnRun"},
                 {reinterpret_cast<const void*>(qrnClose), "qrnClose"},
                 {reinterpret_cast<const void*>(qrnSendIPC), "qrnSendIPC"}};
  // Also on standard error: an installed game's log may lie in a folder it cannot write.
  for (const auto& entry : entries) {
    if (entry.bound) continue;
    Logf("[InitQuarn] missing entry point: %s\n", entry.name);
    fprintf(stderr, "%s: missing entry point %s in %s\n", g_AppFilename, entry.name, g_DllName);
  }
  return 0;
}

void UnloadQuarn() {
  qrnClose = nullptr;
  qrnRun = nullptr;
  qrnCreate = nullptr;
  qrnGetAppName = nullptr;
}

int SendIPC(const char* message) {
  return SendIPCLogged(message, 1);
}

int SendIPCLogged(const char* message, int logged) {
  if (!message) return 0;
  if (!qrnSendIPC) {
    // Every message is kept in order for delivery after create; g_sDelayedIPC shows the
    // latest, cut at its capacity when it does not fit.
    if (message != g_sDelayedIPC) {
      HoldMessage(message);
      StrCopy(g_sDelayedIPC, message);
    }
    return 0;
  }
  if (logged) {
    static char s_shown[4 * kCommandLineCapacity];  // every character may become \xNN
    StrCopyEscaped(s_shown, sizeof s_shown, message);
    Logf("[SendIPC] %s\n", s_shown);
  }
  return qrnSendIPC(message);
}
