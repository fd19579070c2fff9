// A small key-value store for texts that outlive the process, per application domain and
// user scope (anyUser non-zero: every user of the machine; zero: the current user), always
// for the current host. A name beginning with '!' is taken literally as the domain; any other
// name is prefixed with "com.quillfen.".
#pragma once

int SetSystemPreference(int anyUser, const char* appName, const char* key, const char* value);
// The stored text in the shared scratch buffer (see paths.h), or defaultText when absent.
const char* GetSystemPreference(int anyUser, const char* appName, const char* key,
                                const char* defaultText);
int RemoveSystemPreference(int anyUser, const char* appName, const char* key);
