// What a port implements for dialogs: a modal alert or question, and opening a web address.
#pragma once

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
