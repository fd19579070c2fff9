// A second launcher process for the log tests: opens the log of <data folder><file name>
// the way it is told (init0, init1 or on demand), writes one message and closes the log.
// Usage: log_helper <data folder> <file name> <init0|init1|demand> <message>
#include <cstring>

#include "platform/log.h"
#include "state/state.h"
#include "util/strbuf.h"

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  StrCopy(g_UserPath, argv[1]);
  StrCopy(g_AppFilename, argv[2]);
  if (strcmp(argv[3], "init0") == 0) InitLog(0);
  if (strcmp(argv[3], "init1") == 0) InitLog(1);
  int written = Logf("%s", argv[4]);
  CloseLog();
  return written == static_cast<int>(strlen(argv[4])) ? 0 : 1;
}
