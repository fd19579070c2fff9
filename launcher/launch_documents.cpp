// The documents of a desktop launch; see launch_documents.h.
#include "launcher/launch_documents.h"

#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/log.h"
#include "state/state.h"
#include "util/file_name.h"
#include "util/strbuf.h"

namespace {
constexpr char kOpenFile[] = "OpenFile|";

char** s_paths;
int s_count;
char s_startFolder[kPathCapacity];  // "" for "/", so that joining gives "/<path>"
int s_startKnown;

// A relative path without its leading "./" parts.
const char* WithoutDotSlash(const char* path) {
  while (path[0] == '.' && path[1] == '/') {
    path += 2;
    while (path[0] == '/') ++path;
  }
  return path;
}
}  // namespace

void HoldLaunchDocuments(char** paths, int count) {
  s_paths = paths;
  s_count = count > 0 ? count : 0;
  s_startKnown = fsGetCurrentDir(s_startFolder, sizeof s_startFolder);
  if (strcmp(s_startFolder, "/") == 0) s_startFolder[0] = '\0';
  size_t length = 0;
  if (s_count > 0) LaunchDocumentMessage(s_count - 1, g_sDelayedIPC, sizeof g_sDelayedIPC, &length);
}

int LaunchDocumentCount() {
  return s_count;
}

int LaunchDocumentMessage(int index, char* out, size_t capacity, size_t* length) {
  out[0] = '\0';
  *length = 0;
  if (index < 0 || index >= s_count) return 0;
  const char* path = s_paths[index];
  int relative = path[0] != '/';
  if (relative) path = WithoutDotSlash(path);
  const char* folder = relative ? s_startFolder : "";
  const char* separator = relative ? "/" : "";
  *length = strlen(kOpenFile) + strlen(folder) + strlen(separator) + strlen(path);
  if ((relative && !s_startKnown) || *length >= capacity ||
      *length >= QRN_OPEN_FILE_MESSAGE_CAPACITY)
    return 0;
  return StrFormatf(out, capacity, "%s%s%s%s", kOpenFile, folder, separator, path);
}

void LogUncutMessage(const char* what, const char* kind, size_t length) {
  Logf("%s: %s of %zu characters, longer than the game takes, so never sent cut\n", what, kind,
       length);
}

void LogUncutDocument(const char* what, int index, size_t length) {
  LogUncutMessage(what, "a document message", length);
  if (index >= 0 && index < s_count)
    fprintf(stderr, "%s: cannot open %s: its full path is unknown or too long\n", g_AppExePath,
            s_paths[index]);
}

void ClearLaunchDocuments() {
  s_count = 0;
}

void DropLaunchDocuments(int count) {
  if (count <= 0) return;
  if (count > s_count) count = s_count;
  s_paths += count;
  s_count -= count;
}
