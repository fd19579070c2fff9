// Launches handed from a second launcher process to the running instance of the same game
// and user: a Unix-domain socket "quarn-<hash of the game name>.sock" in $XDG_RUNTIME_DIR
// (or /tmp/quillfen-<uid>, 0700), connectable only by the same user (SO_PEERCRED). A
// sender writes frames (4-byte big-endian length, 1..4095 bytes without NUL), at most 64,
// closes its writing side, and waits for one byte 'D', written once the messages have been
// handed to the engine. A background thread accepts and queues; the main thread takes.
#pragma once

#include <cstddef>

constexpr int kChannelMaxMessage = 4095;
constexpr int kChannelMaxMessages = 64;
// The most text one queued launch holds, its messages' terminators included: a buffer of this
// size always takes the oldest launch.
constexpr int kChannelMaxLaunchBytes = 32768;

// The socket path for the game name. 1 when a private folder was found and the path fit.
int OsChannelPath(const char* name, char* out, size_t capacity);

// Starts listening for the game name (replacing a socket file left by an instance that
// ended without removing it). 1 when listening. The caller must hold the instance record.
int OsChannelListen(const char* name);
// Stops listening and removes the socket file. Launches still queued get no answer.
void OsChannelClose();

// 1 when a launch or a dropped connection waits; cheap enough to call on every frame.
int OsChannelPending();
// Takes the oldest queued launch: its messages, each NUL-terminated, one after another, into
// out. Returns their number (0 when none waits); *ticket identifies it for OsChannelAnswer.
int OsChannelTake(char* out, size_t capacity, int* ticket);
// Tells the launch's sender that its messages were delivered, and ends the connection.
void OsChannelAnswer(int ticket);
// Connections dropped since the last call (another user, malformed, too large, queue full).
int OsChannelDropped();

// Hands the messages to the running instance: retries connecting for connectSeconds while
// no one listens yet, then waits answerSeconds for the answer. 1 when it was answered.
int OsChannelSend(const char* name, const char* const* messages, int count, double connectSeconds,
                  double answerSeconds);
