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
