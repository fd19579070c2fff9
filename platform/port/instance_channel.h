// What a port provides for the instance channel: local stream connections between two
// processes of one user, under a name nobody can guess, never blocking unless a call says it
// waits. A connection is an int handle (-1: none). The stages, the wire format and where the
// name is published are written over these calls once, above the port.
#pragma once

#include <cstddef>

enum OsChannelAcceptResult {
  kAcceptNone,      // nothing waits now
  kAcceptTaken,     // *connection holds a connection of this user
  kAcceptAgain,     // interrupted, or the peer left before it was taken: try again now
  kAcceptStranger,  // a connection of another user, refused
  kAcceptFailed,    // no resources for a moment (reason says which): try again later
};

enum OsChannelConnectResult {
  kConnected,        // *connection holds a connection to the instance itself
  kConnectBusy,      // the instance takes no connection now: try again
  kConnectNone,      // nothing listens under the instance's names
  kConnectStranger,  // only processes other than the instance answered
};

// Instance side. Listens under a fresh name, given in name (a text of fewer than
// kOsChannelNameCapacity bytes): the listener, or -1 and a reason.
constexpr size_t kOsChannelNameCapacity = 64;
int OsChannelListen(char* name, size_t nameCapacity, char* reason, size_t reasonCapacity);
// Takes one waiting connection, already non-blocking, when its peer runs as this user. Only
// a connection that waits can fail to be taken.
OsChannelAcceptResult OsChannelAccept(int listener, int* connection, char* reason,
                                      size_t reasonCapacity);
// Waits at most seconds until one of the connections has something to read (or was closed);
// ready[i] is set for each such connection. Returns how many are ready.
int OsChannelWaitReadable(const int* connections, int count, int* ready, double seconds);
// Shuts the reading side: a byte the peer writes from now on fails on its side.
void OsChannelShutReading(int connection);

// The bell: eight bytes past the name in the file the instance publishes its name in, which a
// launch of the instance's user overwrites with a value of its own once it has connected (and
// whenever the backlog is full), so that the instance learns from one load of memory, without
// a system call or a thread, that a connection may wait. It is only a hint: a ring that finds
// nothing costs one accept that takes nothing.
enum OsChannelBellState {
  kBellQuiet,        // unchanged since it was last answered
  kBellRang,         // changed since then, or no bell is watched: the listener is looked at
  kBellForkedChild,  // a process forked from the instance without exec, which serves nothing
};
// Instance side. Makes the claimed file (see ClaimFile in files.h), once its note is written
// (WriteClaimNote), long enough to hold the bell, gives the bell storage of its own and
// watches it, in place of a bell watched before. 1 when watched.
int OsChannelWatchBell(int claim);
// Stops watching.
void OsChannelUnwatchBell();
// No system call.
OsChannelBellState OsChannelBell();
// Takes note of the bell's value now; a ring after it (or one that this read missed) is
// kBellRang again. Called before the listener is looked at.
void OsChannelAnswerBell();

// Sender side. Rings the bell in the file at notePath, when it is a regular file of this
// user's that holds one. 1 when rung.
int OsChannelRingBell(const char* notePath);
// Connects to the name, checking that the process which accepts is the one the
// identity names.
OsChannelConnectResult OsChannelConnect(const char* name, const unsigned char* identity,
                                        int* connection);
// Writes all of data, waiting for room until deadline (monotonic seconds). 1 when written.
int OsChannelWriteAll(int connection, const unsigned char* data, size_t size, double deadline);
// Waits until something can be read (or the peer closed) or deadline passes. 1 when ready.
int OsChannelWaitUntil(int connection, double deadline);

// Both sides. Reads what arrived without waiting: the byte count, 0 when the peer closed,
// -1 when nothing is there yet, -2 when the connection failed.
long OsChannelRead(int connection, void* buffer, size_t capacity);
// Writes one byte without waiting. 1 when it was written.
int OsChannelWriteByte(int connection, char byte);
// Ends a connection or the listener.
void OsChannelEnd(int connection);
