// The documents of a desktop launch: the process's own argument texts, which live as long as
// the process, kept with the folder the launch was started in. Nothing is copied, so a launch
// hands on every document however many there are; each becomes "OpenFile|<absolute path>"
// only when it is handed on, and a message that would not fit the engine's is never cut.
#pragma once

#include <cstddef>

// Keeps the documents and the working folder of now, before the run cycle changes it;
// g_sDelayedIPC shows the last document's message, for engines that read it.
void HoldLaunchDocuments(char** paths, int count);
int LaunchDocumentCount();
// The index-th document's message: 1 with it in out when it fits the engine's open-file
// message; 0 with out empty otherwise (also for a relative path when the starting folder is
// unknown). *length: the message's characters either way.
int LaunchDocumentMessage(int index, char* out, size_t capacity, size_t* length);
// Logs that a message (kind: "a document message", "the command line") of this length was
// not handed on: "<what>: <kind> of <length> characters, ...".
void LogUncutMessage(const char* what, const char* kind, size_t length);
// As LogUncutMessage for the index-th document, which standard error names as well (it may
// be the only trace a launch from a terminal leaves).
void LogUncutDocument(const char* what, int index, size_t length);
void ClearLaunchDocuments();
// Drops the first count documents (handed on already).
void DropLaunchDocuments(int count);
