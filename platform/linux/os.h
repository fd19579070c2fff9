// The Linux layer beneath the platform services and the launcher core: everything they need
// from the operating system that POSIX alone does not give, in a few narrow functions.
// Nothing above this layer includes a Linux-specific header. The other headers here each
// cover one more service: loader.h, spawn.h, quit_signals.h, files.h, folder_match.h.
#pragma once

#include <cstddef>

// Home folder: $HOME when set, absolute and not empty, else the password-database entry of
// the real user id. Written without a final '/'. 1 when found and it fit, else 0.
int OsHomeFolder(char* out, size_t capacity);
// The user's application-support folder: $XDG_DATA_HOME when set and absolute, else
// home + "/.local/share". 1 when found and it fit, else 0.
int OsAppSupportFolder(char* out, size_t capacity);

// Process identity: 8 bytes, start time (low 32 bits of the clock ticks since boot) then
// process id, each big-endian. 1 on success.
int OsCurrentProcessIdentity(unsigned char identity[8]);
// 1 when a live (not zombie, not dead) process has exactly this identity.
int OsProcessIdentityIsAlive(const unsigned char identity[8]);

// Preference store (SQLite). Texts are the launcher's 8-bit (ISO 8859-1) texts.
// Writes a value, or removes the key when value is null; 1 when committed, else 0.
int OsPrefWrite(int anyUser, const char* domain, const char* key, const char* value);
// 1 when a usable text value is stored and fit into out (terminator included), else 0.
int OsPrefRead(int anyUser, const char* domain, const char* key, char* out, size_t capacity);

// Alerts. Shows a modal dialog with the main text in bold above the explanation; withCancel
// asks a question with OK (default) and Cancel. Returns the button pressed (1 OK, 2 Cancel)
// or 0 when no dialog could be shown (no display, no zenity, any other exit status).
// Without a display but with a terminal on standard input and standard error, the texts go
// to standard error and a question reads its answer (y or n) from standard input.
int OsShowAlert(const char* message, const char* explanation, int withCancel);
// 1 when OsShowAlert has somewhere to show: a display, or the terminal described above.
int OsCanShowAlert();

// Opens an address with the user's default handler (xdg-open), without waiting.
// 0 when nothing was started (bytes outside printable 7-bit ASCII, no xdg-open).
int OsOpenUrl(const char* address);
