// Failure alerts, yes/no questions and opening a web address. The dialog text is kept as a
// length-prefixed string (length byte, then the text): the length byte never exceeds 255,
// so a dialog shows at most the first 255 characters. g_bNoNativeGui turns both dialogs off
// but never the browser.
#include "platform/dialogs.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "launcher/state.h"
#include "platform/linux/os.h"
#include "util/strbuf.h"

namespace {

constexpr size_t kDialogBufferSize = 1024;
constexpr size_t kAddressBufferSize = 1024;
constexpr size_t kMaxShown = 255;

// Formats into buffer[1...] (at most 1022 characters, longer texts are cut) and sets the
// length byte; then copies the shown part into a C string for the layer below.
void FormatDialogText(const char* format, va_list args, char (&shown)[kMaxShown + 1]) {
  unsigned char buffer[kDialogBufferSize];
  char* text = reinterpret_cast<char*>(buffer + 1);
  StrVFormat(text, kDialogBufferSize - 1, format, args);
  size_t len = strlen(text);
  buffer[0] = static_cast<unsigned char>(len < 256 ? len : kMaxShown);
  memcpy(shown, text, buffer[0]);
  shown[buffer[0]] = '\0';
}

}  // namespace

void Alertf(const char* format, ...) {
  if (g_bNoNativeGui) return;
  char explanation[kMaxShown + 1];
  va_list args;
  va_start(args, format);
  FormatDialogText(format, args, explanation);
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
  FormatDialogText(format, args, explanation);
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
