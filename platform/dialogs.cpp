// Failure alerts, yes/no questions and opening a web address. A dialog shows at most the
// first 255 characters of its text: one bounded format into a 256-byte buffer cuts the
// rest. g_bNoNativeGui turns both dialogs off but never the browser.
#include "platform/dialogs.h"

#include <cstdarg>
#include <cstdio>

#include "state/state.h"
#include "util/strbuf.h"

namespace {

constexpr size_t kAddressBufferSize = 1024;
constexpr size_t kMaxShown = 255;

}  // namespace

void Alertf(const char* format, ...) {
  if (g_bNoNativeGui) return;
  char explanation[kMaxShown + 1];
  va_list args;
  va_start(args, format);
  StrVFormat(explanation, sizeof explanation, format, args);
  va_end(args);
  // An information alert has only OK: anything else means it was closed unseen or could not
  // be shown (zenity reports a display it cannot open like Escape), so keep the text.
  if (OsShowAlert("Error", explanation, 0) != 1) fprintf(stderr, "Error: %s\n", explanation);
}

int AskYesNof(const char* format, ...) {
  if (g_bNoNativeGui) return 0;
  char explanation[kMaxShown + 1];
  va_list args;
  va_start(args, format);
  StrVFormat(explanation, sizeof explanation, format, args);
  va_end(args);
  return OsShowAlert("Error", explanation, 1) == 1;
}

void LaunchWebBrowserf(const char* format, ...) {
  char address[kAddressBufferSize];
  va_list args;
  va_start(args, format);
  int fit = StrVFormat(address, sizeof address, format, args);
  va_end(args);
  // A cut address would name some other page: open nothing instead.
  if (fit) OsOpenUrl(address);
}
