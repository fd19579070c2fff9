// Binding to the engine library and message forwarding. The library, once loaded, stays
// loaded for the life of the process; only the lifecycle entry points are unbound between
// runs, so qrnSendIPC stays usable and a message is held back only before the first binding.
#include "launcher/engine.h"

#include "launcher/held_messages.h"
#include "platform/dialogs.h"
#include "platform/loader.h"
#include "platform/log.h"
#include "state/state.h"
#include "util/strbuf.h"

#include <cstdio>
#include <string_view>

namespace {
// One row of the entry-point table: the name the library exports, how the launcher's variable
// of that name is set, and whether it stays bound between runs.
struct EntryPoint {
  const char* name;
  void (*bind)(void* symbol);
  int kept;
};
// Sending stays bound between runs, so a message never waits for the next binding.
constexpr int StaysBound(std::string_view name) {
  return name == "qrnSendIPC";
}
#define QFN_ENTRY_POINT_ROW(name, result, parameters) \
  {#name, [](void* symbol) { name = reinterpret_cast<name##Fn>(symbol); }, StaysBound(#name)},
const EntryPoint kEntryPoints[] = {QRN_ENTRY_POINTS(QFN_ENTRY_POINT_ROW)};
#undef QFN_ENTRY_POINT_ROW
constexpr int kEntryPointCount = sizeof kEntryPoints / sizeof kEntryPoints[0];
}  // namespace

int InitQuarn() {
  if (!g_Dll) {
    const char* error = nullptr;
    g_Dll = LoadDll(g_DllName, &error);
    if (!g_Dll) {
      Alertf("ERROR\n\nCan't load %s!\nError: %s", g_DllName, error);
      return 0;
    }
  }
  void* found[kEntryPointCount];
  int missing = 0;
  for (int i = 0; i < kEntryPointCount; ++i) {
    found[i] = GetDllSymbol(g_Dll, kEntryPoints[i].name);
    kEntryPoints[i].bind(found[i]);
    if (!found[i]) ++missing;
  }
  if (!missing) return 1;
  Alertf("ERROR\n\n missing symbols in %s!", g_DllName);
  Logf("[InitQuarn] GetDllSymbol FAILED\n");
  // Which ones, so that an engine author sees at once what the library lacks.
  // Also on standard error: an installed game's log may lie in a folder it cannot write.
  for (int i = 0; i < kEntryPointCount; ++i) {
    if (found[i]) continue;
    Logf("[InitQuarn] missing entry point: %s\n", kEntryPoints[i].name);
    fprintf(stderr, "%s: missing entry point %s in %s\n", g_AppFilename, kEntryPoints[i].name,
            g_DllName);
  }
  return 0;
}

void UnloadQuarn() {
  for (const EntryPoint& entry : kEntryPoints)
    if (!entry.kept) entry.bind(nullptr);
}

int SendIPC(const char* message) {
  if (message && qrnSendIPC) {
    static char s_shown[4 * kCommandLineCapacity];  // every character may become \xNN
    StrCopyEscaped(s_shown, sizeof s_shown, message);
    Logf("[SendIPC] %s\n", s_shown);
  }
  return SendIPCUnlogged(message);
}

int SendIPCUnlogged(const char* message) {
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
  return qrnSendIPC(message);
}
