// The launcher's places in the file system and its preference operations. Both live here
// because they share the file-local scratch buffer s_sTempPath: every text returned from it
// is valid only until the next home-folder look-up or preference read. Overlong inputs never
// overrun a buffer: a path that would not fit is refused rather than cut, because a cut path
// names a different place; only texts that are merely shown (argument 0, file name) are cut.
#include <cstring>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/port/paths.h"
#include "platform/port/prefs.h"
#include "platform/prefs.h"
#include "state/state.h"
#include "util/file_name.h"
#include "util/strbuf.h"

namespace {

constexpr size_t kDomainCapacity = 256;

char s_sTempPath[kPathCapacity];

// Composes "<root>/Quillfen/<long name>" into out when it fits together with the final '/'
// that GetUserPath appends; a candidate that would not fit is not used at all.
// The long name as one path component, whatever the engine says: each '/' becomes '_', and
// a name of dots alone (or none) becomes as many '_', so that it never names a folder above.
void NameComponent(char (&out)[sizeof g_AppNameLong]) {
  StrCopy(out, g_AppNameLong);
  int onlyDots = 1;
  for (char* c = out; *c; ++c) {
    if (*c == '/') *c = '_';
    if (*c != '.') onlyDots = 0;
  }
  if (!onlyDots) return;
  for (char* c = out; *c; ++c) *c = '_';
  if (out[0] == '\0') StrCopy(out, "_");
}

int ComposeDataFolder(char* out, size_t capacity, const char* root) {
  if (root == nullptr) return 0;
  char name[sizeof g_AppNameLong];
  NameComponent(name);
  if (!StrFormatf(out, capacity, "%s%cQuillfen%c%s", root, '/', '/', name) ||
      strlen(out) + 2 > capacity) {
    out[0] = '\0';
    return 0;
  }
  return 1;
}

// The domain of an application name: "!name" is taken literally, any other name gets the
// vendor prefix. 0 when it does not fit the 256-byte buffer (the name is then refused).
int ComposeDomain(char (&domain)[kDomainCapacity], const char* appName) {
  if (appName == nullptr) return 0;
  if (appName[0] == '!') return StrCopy(domain, appName + 1);
  return StrCopy(domain, "com.quillfen.") && StrAppend(domain, appName);
}

// The bundle's Resources/ folder of a launcher path: everything up to and including its
// second-to-last '/', then "Resources". 0, with an empty text, when it does not fit.
int ResourcesOf(const char* ownPath, char* out, size_t capacity) {
  size_t keep = 0;
  int slashes = 0;
  for (size_t i = strlen(ownPath); i > 0; --i) {
    if (ownPath[i - 1] == '/' && ++slashes == 2) {
      keep = i;
      break;
    }
  }
  const char kResources[] = "Resources";
  out[0] = '\0';
  if (keep + sizeof kResources > capacity) return 0;
  memcpy(out, ownPath, keep);
  memcpy(out + keep, kResources, sizeof kResources);
  return 1;
}

}  // namespace

// Argument 0 and the file name are only shown (log), so an overlong one is cut. The
// resource folder becomes the working directory, so one that would not fit is left empty
// and the working directory is not changed (result -1), as for any folder that cannot be
// entered.
int SetPathFor(const char* exePath, const char* ownPath) {
  if (exePath == nullptr) exePath = "";
  StrCopy(g_AppExePath, exePath);
  const char* lastSlash = strrchr(exePath, '/');
  StrCopy(g_AppFilename, lastSlash ? lastSlash + 1 : exePath);
  g_AppPath[0] = '\0';
  if (ownPath == nullptr || !ResourcesOf(ownPath, g_AppPath, sizeof g_AppPath)) return -1;
  return fsSetCurrentDir(g_AppPath);
}

// A shell passes a bare name when it found the launcher on PATH, and the working directory
// is then wherever the player happened to be: a bundle found from there would load whatever
// engine and install log that folder holds. The kernel's own path of the executable also
// resolves a symbolic link that started it. A game whose bin/<launcher> is a link to a
// launcher that several games share (a distribution's) has no bundle beside that launcher:
// its bundle is where the link that leads straight to the launcher lies.
int SetPath(const char* exePath) {
  char ownPath[kPathCapacity];
  if (!OsExecutablePath(ownPath, sizeof ownPath)) return SetPathFor(exePath, nullptr);
  char resources[kPathCapacity];
  char linkPath[kPathCapacity];
  if (!(ResourcesOf(ownPath, resources, sizeof resources) && fsEntryExists(resources)) &&
      OsLauncherLink(exePath, linkPath, sizeof linkPath))
    return SetPathFor(exePath, linkPath);
  return SetPathFor(exePath, ownPath);
}

int GetUserPath() {
  if (g_UserPath[0] != '\0') return 1;
  char candidate[sizeof g_UserPath];
  // The data folder is the user's alone, whatever the creation mask: what the launcher keeps
  // there (the log, the claim on instance.lock) is nobody else's to open, lock or replace.
  if (!(ComposeDataFolder(candidate, sizeof candidate, GetAppDataPath()) &&
        fsMakePrivateFolder(candidate) && fsIsDirectoryWriteable(candidate)) &&
      !(ComposeDataFolder(candidate, sizeof candidate, GetMyDocumentsPath()) &&
        fsMakePrivateFolder(candidate) && fsIsDirectoryWriteable(candidate)))
    return 0;
  StrCopy(g_UserPath, candidate);
  StrAppendChar(g_UserPath, sizeof g_UserPath, '/');
  return 1;
}

const char* GetHomePath() {
  s_sTempPath[0] = '\0';
  return OsHomeFolder(s_sTempPath, sizeof s_sTempPath) ? s_sTempPath : nullptr;
}

const char* GetAppDataPath() {
  s_sTempPath[0] = '\0';
  return OsAppSupportFolder(s_sTempPath, sizeof s_sTempPath) ? s_sTempPath : nullptr;
}

// A documents folder that would not fit is not returned cut.
const char* GetMyDocumentsPath() {
  if (GetHomePath() == nullptr) return nullptr;
  if (strcmp(s_sTempPath, "/") == 0) s_sTempPath[0] = '\0';
  if (!StrAppend(s_sTempPath, "/Documents")) {
    s_sTempPath[0] = '\0';
    return nullptr;
  }
  return s_sTempPath;
}

namespace {

// A value of 1024 bytes or more is refused: it could never be read back.
int SetPreference(int anyUser, const char* appName, const char* key, const char* value,
                  int flush) {
  char domain[kDomainCapacity];
  if (key == nullptr || value == nullptr || strnlen(value, kPathCapacity) >= kPathCapacity ||
      !ComposeDomain(domain, appName))
    return 0;
  return OsPrefWrite(anyUser, domain, key, value, flush);
}

}  // namespace

int SetSystemPreference(int anyUser, const char* appName, const char* key, const char* value) {
  return SetPreference(anyUser, appName, key, value, 1);
}

int SetSystemPreferenceUnflushed(int anyUser, const char* appName, const char* key,
                                 const char* value) {
  return SetPreference(anyUser, appName, key, value, 0);
}

// A failed read leaves s_sTempPath as it was, so a default text that points into it stays
// intact.
const char* GetSystemPreference(int anyUser, const char* appName, const char* key,
                                const char* defaultText) {
  char domain[kDomainCapacity];
  if (key == nullptr || !ComposeDomain(domain, appName)) return defaultText;
  return OsPrefRead(anyUser, domain, key, s_sTempPath, sizeof s_sTempPath) ? s_sTempPath
                                                                           : defaultText;
}

int RemoveSystemPreference(int anyUser, const char* appName, const char* key) {
  char domain[kDomainCapacity];
  if (key == nullptr || !ComposeDomain(domain, appName)) return 0;
  return OsPrefWrite(anyUser, domain, key, nullptr, 0);
}
