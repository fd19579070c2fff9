// Reader of the install log; see install_log.h. A whole line is read into a bounded buffer
// first and only then split, so that every line is consumed exactly once whatever it holds:
// the reader always advances and a line can never leak into the next record.
#include "launcher/install_log.h"

#include <cctype>
#include <cstring>

#include "launcher/install_log_keys.h"
#include "util/strbuf.h"

namespace {

// The longest line that can be a record: key ':' folder ':' pattern.
constexpr size_t kLineMax = kInstallKeyMax + 1 + kInstallValueMax + 1 + kInstallValueMax;

// ASCII letters compared without case, as the keys are plain ASCII words.
bool EqualNoCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    if (tolower(static_cast<unsigned char>(*a)) != tolower(static_cast<unsigned char>(*b)))
      return false;
  }
  return *a == *b;
}

bool IsSpace(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

void Clear(InstallRecord* out) {
  out->key[0] = '\0';
  out->folder[0] = '\0';
  out->value[0] = '\0';
}

struct Line {
  char text[kLineMax + 1];
  size_t length;
  bool tooLong;
  bool hasNul;
  bool ended;  // a line end was read; the last line of a file may have none
};

// Reads up to and including the next '\n'; nothing of the line is left in the stream.
void ReadLine(FILE* file, int first, Line* line) {
  line->length = 0;
  line->tooLong = false;
  line->hasNul = false;
  line->ended = false;
  for (int c = first; c != EOF; c = getc(file)) {
    if (c == '\n') {
      line->ended = true;
      break;
    }
    if (c == '\0') line->hasNul = true;
    if (line->length < kLineMax) {
      line->text[line->length++] = static_cast<char>(c);
    } else {
      line->tooLong = true;
    }
  }
  if (line->ended && line->length > 0 && line->text[line->length - 1] == '\r' && !line->tooLong)
    --line->length;
  line->text[line->length] = '\0';
}

// The row of a key; null for one the log format does not define.
const InstallKey* RowOfKey(const char* key) {
  for (const InstallKey& row : kInstallKeys)
    if (EqualNoCase(key, row.name)) return &row;
  return nullptr;
}

// Cuts the line in place at its separators; every field then goes through a bounded copy
// whose cut (result 0) skips the line.
InstallRecordKind Split(Line* line, InstallRecord* out) {
  if (line->tooLong || line->hasNul) return kInstallSkipped;
  char* text = line->text;
  char* colon = strchr(text, ':');
  if (colon == nullptr || colon == text) return kInstallSkipped;
  *colon = '\0';
  if (!StrCopy(out->key, text)) return kInstallSkipped;
  const InstallKey* row = RowOfKey(out->key);
  char* rest = colon + 1;
  if (row && row->folder) {
    char* second = strchr(rest, ':');
    if (second == nullptr || second == rest || second[1] == '\0') return kInstallSkipped;
    *second = '\0';
    if (!StrCopy(out->folder, rest)) return kInstallSkipped;
    rest = second + 1;
  }
  if (!StrCopy(out->value, rest)) return kInstallSkipped;
  if (!row) return kInstallOther;
  if (out->value[0] == '\0' && !row->emptyValue) return kInstallSkipped;
  if (row->folder &&
      strlen(out->folder) + 1 + strlen(out->value) > static_cast<size_t>(kInstallJoinedMax))
    return kInstallSkipped;
  return row->kind;
}

}  // namespace

InstallRecordKind ReadInstallRecord(FILE* file, InstallRecord* out) {
  Clear(out);
  int c = getc(file);
  while (c != EOF && IsSpace(c)) c = getc(file);
  if (c == EOF) return kInstallEnd;
  Line line;
  ReadLine(file, c, &line);
  InstallRecordKind kind = Split(&line, out);
  if (kind == kInstallSkipped) Clear(out);
  return kind;
}
