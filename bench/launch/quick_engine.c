/* The launch benchmark's C engine: names itself and returns from every entry point at once;
 * its close asks for a restart when QRN_TEST_CLOSE_RESULTS is 1, as the test engine's does. */
#include "quarn_engine.h"

#include <stdlib.h>
#include <string.h>

int qrnGetAppName(char* shortName, char* longName, char* appId, int* build) {
  strcpy(shortName, "quick");
  strcpy(longName, "Quick Engine");
  strcpy(appId, "quick");
  *build = 1;
  return 0;
}

int qrnCreate(int argc, char** argv) {
  return 0;
}

int qrnRun(void) {
  return 0;
}

int qrnClose(void) {
  const char* restart = getenv("QRN_TEST_CLOSE_RESULTS");
  return restart && strcmp(restart, "1") == 0;
}

int qrnSendIPC(const char* message) {
  return 0;
}
