// Files and folders with the C++ standard library alone. Without a way to open a path
// without following links, every removal confined to an installation is refused, no
// pattern is matched, no file is trusted as its owner's and no claim is taken.
#include "platform/files.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "util/file_name.h"
#include "util/strbuf.h"

namespace fs = std::filesystem;

int fsIsDirectoryWriteable(const char* path) {
  char test[kPathCapacity];
  if (!StrFormatf(test, sizeof test, "%s/__QFN_WRITE_TEST__.txt", path) || !fsCreatePath(path))
    return 0;
  std::error_code error;
  fs::file_status status = fs::symlink_status(test, error);
  if (fs::exists(status) && !fs::is_regular_file(status)) return 0;
  FILE* file = fopen(test, "a");
  if (!file) return 0;
  fclose(file);
  remove(test);  // a leftover test file is reused by the next test
  return 1;
}

int fsCreatePath(const char* path) {
  std::error_code error;
  if (strnlen(path, kPathCapacity) >= kPathCapacity) return 0;
  fs::create_directories(path, error);
  return !error && fs::is_directory(path, error);
}

int fsCreateDirectory(const char* path) {
  std::error_code error;
  fs::create_directory(path, error);
  return !error && fs::is_directory(path, error);
}

int fsSetCurrentDir(const char* path) {
  std::error_code error;
  fs::current_path(path, error);
  return error ? -1 : 0;
}

int fsGetCurrentDir(char* buffer, int size) {
  std::error_code error;
  fs::path here = fs::current_path(error);
  return !error && StrCopy(buffer, static_cast<size_t>(size), here.c_str());
}

// Owners and modes are beyond the standard library: no folder is known to be private.
int fsMakePrivateFolder(const char*) {
  return 0;
}

int fsRemoveDirectory(const char* path) {
  std::error_code error;
  return fs::is_directory(fs::symlink_status(path, error)) && fs::remove(path, error);
}

int fsRemoveFile(const char* path) {
  std::error_code error;
  return !fs::is_directory(fs::symlink_status(path, error)) && fs::remove(path, error);
}

int fsEntryExists(const char* path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

int RemoveMatchingFiles(const char*, const char*) {
  return -1;
}

int OpenInstallation(const char*) {
  return -1;
}

void CloseInstallation(int) {}

int IsWorkingFolderBelow(int, const char*) {
  return 0;
}

int RemoveBelow(int, const char*, int) {
  return kInsideRefused;
}

int RemoveMatchingBelow(int, const char*, const char*) {
  return -2;
}

int RemoveInstallationFolder(int, const char*) {
  return 0;
}

FILE* OpenOwnersFile(const char*, int* refusal) {
  *refusal = kOwnersFileOpen;
  return nullptr;
}

// A file that cannot be claimed does not stop the game.
int ClaimFile(const char*, int* heldByOther) {
  *heldByOther = 0;
  return -1;
}

void ReleaseFileClaim(int) {}

int WriteClaimNote(int, const char*) {
  return 0;
}

long ReadOwnFileStart(const char*, char*, size_t) {
  return -1;
}
