// Native alerts, yes/no questions and opening a web address. g_bNoNativeGui suppresses
// both dialogs (the question then answers no) but not the browser.
#pragma once

void Alertf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int AskYesNof(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LaunchWebBrowserf(const char* format, ...) __attribute__((format(printf, 1, 2)));
