// A second process for the preference tests:
//   set <anyUser> <app> <key> <value>      exit 0 when the write was committed, else 1
//   remove <anyUser> <app> <key>           exit 0 when the key is gone, else 1
//   get <anyUser> <app> <key>              prints the value; exit 0 when found, else 1
//   fill <anyUser> <app> <prefix> <count>  writes <prefix><n> = <n>; exit 0 when all committed
//   lock <anyUser> <seconds>               holds the store's lock, prints "locked" once held
//   watch <anyUser> <app> <key>            prints the value (or "<none>") on a line, then again
//                                          for every line read, until the input ends
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/prefs.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string op = argv[1];
  if (op == "set" && argc == 6)
    return SetSystemPreference(atoi(argv[2]), argv[3], argv[4], argv[5]) ? 0 : 1;
  if (op == "remove" && argc == 5)
    return RemoveSystemPreference(atoi(argv[2]), argv[3], argv[4]) ? 0 : 1;
  if (op == "get" && argc == 5) {
    const char* value = GetSystemPreference(atoi(argv[2]), argv[3], argv[4], nullptr);
    if (value == nullptr) return 1;
    fputs(value, stdout);
    return 0;
  }
  if (op == "fill" && argc == 6) {
    int failures = 0;
    for (int n = 0; n < atoi(argv[5]); ++n) {
      std::string key = argv[4] + std::to_string(n);
      if (!SetSystemPreference(atoi(argv[2]), argv[3], key.c_str(), std::to_string(n).c_str()))
        ++failures;
    }
    if (failures) fprintf(stderr, "%d writes failed\n", failures);
    return failures ? 1 : 0;
  }
  if (op == "watch" && argc == 5) {
    char line[64];
    do {
      const char* value = GetSystemPreference(atoi(argv[2]), argv[3], argv[4], nullptr);
      printf("%s\n", value ? value : "<none>");
      fflush(stdout);
    } while (fgets(line, sizeof line, stdin) != nullptr);
    return 0;
  }
  if (op == "lock" && argc == 4) {
    int handle = LockPrefStore(atoi(argv[2]), 2.0);
    if (handle < 0) return 1;
    printf("locked\n");
    fflush(stdout);
    sleep(static_cast<unsigned>(atoi(argv[3])));
    UnlockPrefStore(handle);
    return 0;
  }
  return 2;
}
