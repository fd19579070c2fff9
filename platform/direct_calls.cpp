// The services whose calls the port answers as they stand: each function forwards to its
// port function (fsX to OsX, ChannelListenerName to OsChannelNameOf, any other X to OsX), so
// that the code above platform/ never calls the port and a port implements only the port
// headers.
#include <SDL.h>

#include "platform/desktop_caches.h"
#include "platform/files.h"
#include "platform/instance_channel.h"
#include "platform/port/desktop_caches.h"
#include "platform/port/files.h"
#include "platform/port/instance_channel.h"
#include "platform/port/process.h"
#include "platform/port/quit_signals.h"
#include "platform/port/sdl_next.h"
#include "platform/port/waiting.h"
#include "platform/port/window_raise.h"
#include "platform/process.h"
#include "platform/quit_signals.h"
#include "platform/sdl_next.h"
#include "platform/waiting.h"
#include "platform/window_raise.h"

int fsIsDirectoryWriteable(const char* path) {
  return OsIsDirectoryWriteable(path);
}
int fsCreatePath(const char* path) {
  return OsCreatePath(path);
}
int fsCreateDirectory(const char* path) {
  return OsCreateDirectory(path);
}
int fsSetCurrentDir(const char* path) {
  return OsSetCurrentDir(path);
}
int fsGetCurrentDir(char* buffer, int size) {
  return OsGetCurrentDir(buffer, size);
}
int fsRemoveDirectory(const char* path) {
  return OsRemoveDirectory(path);
}
int fsRemoveFile(const char* path) {
  return OsRemoveFile(path);
}
int fsEntryExists(const char* path) {
  return OsEntryExists(path);
}
int RemoveMatchingFiles(const char* folder, const char* pattern) {
  return OsRemoveMatchingFiles(folder, pattern);
}
int RemoveInside(const char* prefix, const char* path, int folder) {
  return OsRemoveInside(prefix, path, folder);
}
int IsFolderInside(const char* prefix, const char* folder, const char* here) {
  return OsIsFolderInside(prefix, folder, here);
}
FILE* OpenOwnersFile(const char* name, int* refusal) {
  return OsOpenOwnersFile(name, refusal);
}
int ClaimFile(const char* path, int* heldByOther) {
  return OsClaimFile(path, heldByOther);
}
void ReleaseFileClaim(int handle) {
  OsReleaseFileClaim(handle);
}

int CacheOfFile(const char* path, int* cache, char* folder, size_t capacity) {
  return OsCacheOfFile(path, cache, folder, capacity);
}
int RefreshDesktopCache(int cache, const char* folder) {
  return OsRefreshDesktopCache(cache, folder);
}

int ChannelListenerName(const unsigned char* identity, char* out, size_t capacity) {
  return OsChannelNameOf(identity, out, capacity);
}

int CurrentProcessIdentity(unsigned char identity[8]) {
  return OsCurrentProcessIdentity(identity);
}
int ProcessIdentityOf(long pid, unsigned char identity[8]) {
  return OsProcessIdentityOf(pid, identity);
}
int ProcessIdentityIsAlive(const unsigned char identity[8]) {
  return OsProcessIdentityIsAlive(identity);
}
int OnProcessExit(void (*hook)(int status)) {
  return OsOnProcessExit(hook);
}
int StandardOutputIsTerminal() {
  return OsStandardOutputIsTerminal();
}

double MonotonicSeconds() {
  return OsMonotonicSeconds();
}

void BlockQuitSignals() {
  OsBlockQuitSignals();
}
int StartQuitThread(int (*onQuit)()) {
  return OsStartQuitThread(onQuit);
}

int NextSdlPollEvent(SDL_Event* event) {
  return OsNextSdlPollEvent(event);
}
void NextSdlPumpEvents(void) {
  OsNextSdlPumpEvents();
}
int NextSdlPeepEvents(SDL_Event* events, int count, SDL_eventaction action, Uint32 mask) {
  return OsNextSdlPeepEvents(events, count, action, mask);
}
int NextSdlInit(Uint32 flags) {
  return OsNextSdlInit(flags);
}
int NextSdlInitSubSystem(Uint32 flags) {
  return OsNextSdlInitSubSystem(flags);
}
int CalledFromSdl(const void* returnAddress) {
  return OsCalledFromSdl(returnAddress);
}

int RaiseSdlWindow(void) {
  return OsRaiseSdlWindow();
}
