// Native alerts, yes/no questions and opening a web address. g_bNoNativeGui suppresses
// both dialogs (the question then answers no) but not the browser.
#pragma once

void Alertf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int AskYesNof(const char* format, ...) __attribute__((format(printf, 1, 2)));
// As AskYesNof, but -1 when the question could not be shown at all (no dialog and no
// terminal, or the dialog failed), so that it is not taken for a "no".
int AskYesNoOrFailf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// An information note with OK, titled with the game's name; on standard error when it
// cannot be shown.
void Notef(const char* format, ...) __attribute__((format(printf, 1, 2)));
// 1 when a question can reach the user: a display, or a terminal on standard input and error.
int CanAskUser();
void LaunchWebBrowserf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The operating system's dialog and browser.
// Shows a modal dialog with the main text in bold above the explanation; withCancel asks a
// question with OK (default) and Cancel. Returns the button pressed (1 OK, 2 Cancel) or 0
// when no dialog could be shown (no display, no zenity, any other exit status). Without a
// display but with a terminal on standard input and standard error, the texts go to standard
// error and a question reads its answer (y or n) from standard input.
int OsShowAlert(const char* message, const char* explanation, int withCancel);
// 1 when OsShowAlert has somewhere to show: a display, or the terminal described above.
int OsCanShowAlert();
// Opens an address with the user's default handler (xdg-open), without waiting.
// 0 when nothing was started (bytes outside printable 7-bit ASCII, no xdg-open).
int OsOpenUrl(const char* address);
