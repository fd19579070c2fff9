// Alerts and questions through zenity, run as a child with an argument vector (no shell)
// and waited for; without a display, on the terminal when there is one. zenity wants UTF-8
// Pango markup: a text that is UTF-8 already is shown as it is, any other is read as
// ISO 8859-1 and converted, and both are escaped here. The child starts with a clean signal state,
// whatever the launcher blocks or handles.
#include <strings.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/dialogs.h"
#include "platform/linux/spawn.h"
#include "platform/port/dialogs.h"
#include "platform/process.h"
#include "util/latin1.h"
#include "util/strbuf.h"

namespace {

constexpr size_t kMarkupCapacity = 8192;

// Appends one text, UTF-8 or else ISO 8859-1, as escaped UTF-8 markup. zenity also expands
// backslash escapes in its text, so a backslash is doubled. Control characters other than tab and
// line end are not valid markup and show as '?'. Stops before a unit that would not fit,
// so a cut never leaves half an entity or half a character.
void AppendEscaped(char (&out)[kMarkupCapacity], const char* text) {
  size_t used = strlen(out);
  const int utf8 = IsUtf8(text);
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    char unit[8];
    unsigned char c = *p;
    int sequence = utf8 && c >= 0x80 ? Utf8SequenceLength(p) : 0;
    if (utf8 && c >= 0x80 && sequence == 0) return;  // a last character cut short
    if (c == '&')
      StrCopy(unit, "&amp;");
    else if (c == '<')
      StrCopy(unit, "&lt;");
    else if (c == '>')
      StrCopy(unit, "&gt;");
    else if (c == '\\')
      StrCopy(unit, "\\\\");
    else if (sequence > 0) {
      memcpy(unit, p, static_cast<size_t>(sequence));
      unit[sequence] = '\0';
      p += sequence - 1;
    } else if (c >= 0x80) {
      int length = Latin1ToUtf8Char(c, unit);
      unit[length] = '\0';
    } else if (c < 0x20 && c != '\t' && c != '\n')
      StrCopy(unit, "?");
    else {
      unit[0] = static_cast<char>(c);
      unit[1] = '\0';
    }
    size_t n = strlen(unit);
    if (used + n >= sizeof out) return;
    memcpy(out + used, unit, n + 1);
    used += n;
  }
}

int HaveTerminal() {
  return isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
}

// The same texts on the terminal: the main text, the explanation, and for a question a
// prompt whose answer is read from standard input; only "y" or "yes" (any case) is OK.
int AskOnTerminal(const char* message, const char* explanation, int withCancel) {
  fprintf(stderr, "%s\n\n%s\n", message ? message : "", explanation ? explanation : "");
  if (!withCancel) return 1;
  fprintf(stderr, "[y/N] ");
  fflush(stderr);
  char answer[16];
  if (!fgets(answer, sizeof answer, stdin)) return 0;
  answer[strcspn(answer, "\r\n")] = '\0';
  return (strcasecmp(answer, "y") == 0 || strcasecmp(answer, "yes") == 0) ? 1 : 2;
}

}  // namespace

int CanAskUser() {
  return HasDisplay() || HaveTerminal();
}

namespace {
// Copies what zenity printed to standard error and closes fd; 1 when it says that it could
// not open the display.
int PassOnAndLookForLostDisplay(int fd) {
  if (fd < 0) return 0;
  char text[4096];
  ssize_t length = pread(fd, text, sizeof text - 1, 0);
  close(fd);
  if (length <= 0) return 0;
  text[length] = '\0';
  fputs(text, stderr);
  return strcasestr(text, "cannot open display") != nullptr;
}
}  // namespace

int OsShowAlert(const char* message, const char* explanation, int withCancel) {
  if (!HasDisplay()) return HaveTerminal() ? AskOnTerminal(message, explanation, withCancel) : 0;
  char text[kMarkupCapacity];
  StrCopy(text, "--text=<b>");
  AppendEscaped(text, message ? message : "");
  StrAppend(text, "</b>\n\n");
  AppendEscaped(text, explanation ? explanation : "");

  char zenity[] = "zenity";
  char info[] = "--info";
  char question[] = "--question";
  char noteIcon[] = "--icon-name=dialog-information";  // the same note alert for both
  char okLabel[] = "--ok-label=OK";
  char cancelLabel[] = "--cancel-label=Cancel";
  char* infoArgs[] = {zenity, info, noteIcon, text, nullptr};
  char* questionArgs[] = {zenity, question, noteIcon, text, okLabel, cancelLabel, nullptr};
  // Remembered while it runs, so that a quit signal ending the launcher closes it too. What it
  // prints is kept: zenity that cannot open its display exits 1, as a Cancel does.
  int printed = memfd_create("zenity-errors", MFD_CLOEXEC);
  pid_t pid = SpawnWatchedChild(withCancel ? questionArgs : infoArgs, 0, printed);
  if (pid < 0) {
    if (printed >= 0) close(printed);
    return HaveTerminal() ? AskOnTerminal(message, explanation, withCancel) : 0;
  }
  int status = WaitForChild(pid);
  int lostDisplay = PassOnAndLookForLostDisplay(printed);
  if (status == 0) return 1;
  if (status == 1 && !lostDisplay) return 2;
  // zenity failed (the display went away while it was open): the terminal, if any, asks.
  return HaveTerminal() ? AskOnTerminal(message, explanation, withCancel) : 0;
}
