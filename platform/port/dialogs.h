// What a port provides for dialogs: a modal alert or question, and opening a web address.
// Besides these, a port defines CanAskUser of dialogs.h.
#pragma once

// Shows a modal dialog with the main text in bold above the explanation; withCancel asks a
// question with OK (default) and Cancel. Returns the button pressed (1 OK, 2 Cancel) or 0
// when no dialog could be shown. Where no window can be shown but a terminal can answer, the
// texts go to the terminal and a question reads its answer (y or n) from it.
int OsShowAlert(const char* message, const char* explanation, int withCancel);
// Opens an address with the user's default handler, without waiting for it. 0 when nothing
// was started (a byte outside printable 7-bit ASCII, which no address may hold, or no handler).
int OsOpenUrl(const char* address);
