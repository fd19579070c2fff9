// Failure alerts, yes/no questions and opening a web address. A dialog shows at most the
// first 255 characters of its text: one bounded format into a 256-byte buffer cuts the
// rest. g_bNoNativeGui turns both dialogs off but never the browser.
#include "platform/dialogs.h"
#include "platform/port/dialogs.h"

#include <cstdarg>
#include <cstdio>

#include "state/state.h"
#include "util/strbuf.h"

namespace {

constexpr size_t kAddressBufferSize = 1024;
constexpr size_t kMaxShown = 255;

// An information alert has only OK: anything else means it was closed unseen or could not
// be shown (zenity reports a display it cannot open like Escape), so the text goes to
// standard error, after stderrPrefix.
void ShowInformation(const char* title, const char* stderrPrefix, const char* format,
                     va_list args) {
  char explanation[kMaxShown + 1];
  StrVFormat(explanation, sizeof explanation, format, args);
  if (OsShowAlert(title, explanation, 0) != 1) fprintf(stderr, "%s%s\n", stderrPrefix, explanation);
}

// The yes/no question's button: 1 yes (OK), 2 no (Cancel), 0 when no answer could be had.
int AskButton(const char* format, va_list args) {
  char explanation[kMaxShown + 1];
  StrVFormat(explanation, sizeof explanation, format, args);
  return OsShowAlert("Error", explanation, 1);
}

}  // namespace

void Alertf(const char* format, ...) {
  if (g_bNoNativeGui) return;
  va_list args;
  va_start(args, format);
  ShowInformation("Error", "Error: ", format, args);
  va_end(args);
}

int AskYesNof(const char* format, ...) {
  if (g_bNoNativeGui) return 0;
  va_list args;
  va_start(args, format);
  int button = AskButton(format, args);
  va_end(args);
  return button == 1;
}

int AskYesNoOrFailf(const char* format, ...) {
  if (g_bNoNativeGui) return 0;
  va_list args;
  va_start(args, format);
  int button = AskButton(format, args);
  va_end(args);
  return button == 0 ? -1 : button == 1;
}

void Notef(const char* format, ...) {
  if (g_bNoNativeGui) return;
  va_list args;
  va_start(args, format);
  ShowInformation(g_AppNameLong, "", format, args);
  va_end(args);
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
