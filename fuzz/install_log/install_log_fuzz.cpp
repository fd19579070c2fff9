// Fuzzer of ReadInstallRecord: the input is a whole install log read from memory. Checks that
// the reader always advances, and that every record it returns is within its limits and
// never carries fields that its kind does not have.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "launcher/install_log.h"

static void Check(bool ok) {
  if (!ok) abort();
}

static bool Clean(const char* field) {
  return strchr(field, '\n') == nullptr;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  char* copy = static_cast<char*>(malloc(size));
  memcpy(copy, data, size);
  FILE* file = fmemopen(copy, size, "r");
  if (file == nullptr) {
    free(copy);
    return 0;
  }
  InstallRecord record;
  size_t calls = 0;
  for (;;) {
    InstallRecordKind kind = ReadInstallRecord(file, &record);
    Check(++calls <= size + 1);  // every record but the end consumes at least one byte
    Check(strlen(record.key) <= kInstallKeyMax);
    Check(strlen(record.folder) <= kInstallValueMax && strlen(record.value) <= kInstallValueMax);
    Check(Clean(record.key) && Clean(record.folder) && Clean(record.value));
    if (kind == kInstallEnd || kind == kInstallSkipped) {
      Check(!record.key[0] && !record.folder[0] && !record.value[0]);
      if (kind == kInstallEnd) break;
      continue;
    }
    Check(record.key[0] != '\0' && strchr(record.key, ':') == nullptr);
    if (kind == kInstallFile || kind == kInstallFolder || kind == kInstallPattern)
      Check(record.value[0] != '\0');
    if (kind == kInstallPattern) {
      Check(record.folder[0] != '\0' && strchr(record.folder, ':') == nullptr);
      Check(strlen(record.folder) + 1 + strlen(record.value) <= kInstallJoinedMax);
    } else {
      Check(record.folder[0] == '\0');
    }
  }
  // Once at the end, the reader stays there.
  Check(ReadInstallRecord(file, &record) == kInstallEnd);
  fclose(file);
  free(copy);
  return 0;
}
