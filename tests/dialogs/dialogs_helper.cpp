// A launcher-like process for the dialog tests: shows one alert or question, or opens one
// address, and exits with the question's answer (0 otherwise).
// Usage: dialogs_helper <alert|question|browse> <text>
#include <cstring>

#include "platform/dialogs.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  if (strcmp(argv[1], "alert") == 0) Alertf("%s", argv[2]);
  if (strcmp(argv[1], "question") == 0) return AskYesNof("%s", argv[2]);
  if (strcmp(argv[1], "browse") == 0) LaunchWebBrowserf("%s", argv[2]);
  return 0;
}
