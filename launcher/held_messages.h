// Messages for the engine that arrived while no send entry point was bound, kept in arrival
// order so that every document of a desktop launch reaches the engine. g_sDelayedIPC still
// holds the latest of them, for engines that read it.
#pragma once

// Appends a copy of the message; 0 when the store is full (the message is then only in
// g_sDelayedIPC, and counted as not held).
int HoldMessage(const char* message);
int HeldMessageCount();
// Messages that arrived while the store was full, since it was last emptied.
int UnheldMessageCount();
// The index-th held message (0 = oldest), or null.
const char* HeldMessage(int index);
// Passes every held message and then every launch document (launch_documents.h) to send
// (the engine's SendIPC) in order, or g_sDelayedIPC alone when nothing is held (as set by
// other code); logs each document that would arrive cut and how many messages could not be
// held, then empties all three.
void DeliverHeldMessages(int (*send)(const char* message));
void ClearHeldMessages();
