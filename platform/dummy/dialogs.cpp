// No dialog can be shown and no address opened: every alert reports that it was not shown
// (the portable code then writes it to standard error), and a question has nobody to ask.
#include "platform/dialogs.h"
#include "platform/port/dialogs.h"

int OsShowAlert(const char*, const char*, int) {
  return 0;
}

int CanAskUser() {
  return 0;
}

int OsOpenUrl(const char*) {
  return 0;
}
