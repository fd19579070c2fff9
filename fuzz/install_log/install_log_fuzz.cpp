// Fuzzer of ReadInstallRecord: the input is a whole install log read from memory. Checks that
// the reader always advances, that every record it returns is within its limits and never
// carries fields that its kind does not have, and that a record is exactly the line it
// consumed: key ':' [folder ':'] value and the line end (none for the input's last line),
// nothing taken from another line.
#include <strings.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "launcher/install_log.h"
#include "launcher/install_log_keys.h"

static void Check(bool ok) {
  if (!ok) abort();
}

static bool Clean(const char* field) {
  return strchr(field, '\n') == nullptr;
}

static bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The consumed bytes [begin, end) after leading white space are field, ':', ... ending in
// "\n" or "\r\n" with nothing left over, or ending with nothing when they reach the end of
// the input.
static bool MatchesLine(const char* begin, const char* end, const InstallRecord& record,
                        InstallRecordKind kind, bool atInputEnd) {
  while (begin < end && IsSpace(*begin)) begin++;
  const char* fields[3] = {record.key, record.folder, record.value};
  for (int i = 0; i < 3; i++) {
    if (i == 1 && kind != kInstallPattern) continue;
    size_t length = strlen(fields[i]);
    if (static_cast<size_t>(end - begin) < length || memcmp(begin, fields[i], length) != 0)
      return false;
    begin += length;
    if (i < 2) {
      if (begin == end || *begin != ':') return false;
      begin++;
    }
  }
  size_t rest = static_cast<size_t>(end - begin);
  return (rest == 0 && atInputEnd) || (rest == 1 && begin[0] == '\n') ||
         (rest == 2 && begin[0] == '\r' && begin[1] == '\n');
}

// The row of a key in the log format's table, null for another key.
static const InstallKey* RowOfKey(const char* key) {
  for (const InstallKey& row : kInstallKeys)
    if (strcasecmp(key, row.name) == 0) return &row;
  return nullptr;
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
  // Fields start full of garbage: the reader must clear what it does not set.
  memset(&record, 'x', sizeof record);
  long start = 0;
  for (;;) {
    InstallRecordKind kind = ReadInstallRecord(file, &record);
    long end = ftell(file);
    Check(end >= start && static_cast<size_t>(end) <= size);
    Check(strlen(record.key) <= kInstallKeyMax);
    Check(strlen(record.folder) <= kInstallValueMax && strlen(record.value) <= kInstallValueMax);
    Check(Clean(record.key) && Clean(record.folder) && Clean(record.value));
    if (kind == kInstallEnd || kind == kInstallSkipped) {
      Check(!record.key[0] && !record.folder[0] && !record.value[0]);
      if (kind == kInstallEnd) {
        // Only white space was left.
        for (long i = start; i < static_cast<long>(size); i++) Check(IsSpace(copy[i]));
        break;
      }
      Check(end > start);  // every record but the end consumes at least one byte
      start = end;
      continue;
    }
    Check(end > start);
    Check(record.key[0] != '\0' && strchr(record.key, ':') == nullptr);
    const InstallKey* row = RowOfKey(record.key);
    Check((row ? row->kind : kInstallOther) == kind);
    if (row && !row->emptyValue) Check(record.value[0] != '\0');
    if (row && row->folder) {
      Check(record.folder[0] != '\0' && strchr(record.folder, ':') == nullptr);
      Check(strlen(record.folder) + 1 + strlen(record.value) <= kInstallJoinedMax);
    } else {
      Check(record.folder[0] == '\0');
    }
    Check(MatchesLine(copy + start, copy + end, record, kind, static_cast<size_t>(end) == size));
    start = end;
  }
  // Once at the end, the reader stays there.
  Check(ReadInstallRecord(file, &record) == kInstallEnd);
  fclose(file);
  free(copy);
  return 0;
}
