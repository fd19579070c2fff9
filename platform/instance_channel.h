// The channel by which a second launch hands its messages to the running instance of the
// game and user. The instance is named by its process identity (as its record holds it), so a
// launch finds it whatever its environment; each side checks who the other is. A message is
// delivered exactly once or its sender learns it was not: the instance offers a launch when
// it is about to deliver it, delivers only what the sender confirmed within its deadline, and
// tells the sender once the engine has every message of the launch.
#pragma once

#include <cstddef>

constexpr int kChannelMaxMessage = 4095;  // characters of one message
constexpr int kChannelMaxMessages = 65;   // messages of one launch
// A whole launch on the wire, and its texts (each NUL-terminated) once parsed: room for the
// largest launch the launcher builds (64 open-file messages and one command line).
constexpr size_t kChannelMaxLaunchBytes = 32768;

// Instance side. Nothing here blocks; the instance serves from its own event calls.

// Starts listening. 1 when listening; reason says why not otherwise.
int OsChannelListen(const unsigned char* identity, char* reason, size_t reasonCapacity);
// Stops listening and ends every connection not yet taken (their senders learn that their
// messages were not delivered).
void OsChannelClose();
// One bounded step: accepts a few new connections, reads what arrived, offers complete
// launches whose every message is acceptable, takes confirmations and ends connections that
// are too slow. Returns 1 when a confirmed launch waits to be taken.
int OsChannelServe(int (*acceptable)(const char* message));
// Decides every offered launch at once (a confirmation already sent counts, none can come
// later) and ends every other connection. Returns 1 when a confirmed launch waits.
int OsChannelSettle();
// Takes the oldest confirmed launch: its messages, each NUL-terminated, one after another,
// into out. Returns their number, 0 when none waits.
int OsChannelTake(char* out, size_t capacity);
// The launch taken last has been delivered: its sender is told so and let go.
void OsChannelDelivered();
// Connections refused or failed since the last call, and the reason of the latest one.
int OsChannelTroubles(char* reason, size_t capacity);

// Sender side: hands the messages to the instance with this identity, waiting at most
// seconds for the instance to offer delivery and as long again for it to report it.
// Anything but kChannelSent comes with reason saying why.
enum ChannelSendResult {
  kChannelNotSent = 0,      // the instance does not have the messages
  kChannelSent = 1,         // the instance's engine has every message
  kChannelUnconfirmed = 2,  // committed, but the instance never said it delivered them
};
ChannelSendResult OsChannelSend(const unsigned char* identity, const char* const* messages,
                                int count, double seconds, char* reason, size_t reasonCapacity);

// The wire format, kept apart from the sockets so that it can be tested and fuzzed alone.
// A launch is one frame per message (4-byte big-endian length 1..kChannelMaxMessage, then
// the text without NUL), at most kChannelMaxMessages of them, then an end frame of length 0.
// The instance answers kChannelOffer when it is about to deliver; the sender commits with
// kChannelConfirm, or closes; the instance sends kChannelDelivered once the engine has
// every message, and closes.
constexpr char kChannelOffer = 'O';
constexpr char kChannelConfirm = 'C';
constexpr char kChannelDelivered = 'D';
constexpr int kChannelIdentityBytes = 8;
// The channel names an instance may listen on, tried in this order.
constexpr int kChannelNames = 4;

enum ChannelParse { kLaunchMalformed = -1, kLaunchIncomplete = 0, kLaunchComplete = 1 };

// Frames the messages into out, end frame included. 0 when a message is empty, too long or
// there are too many, or when out is too small.
int ChannelEncodeLaunch(const char* const* messages, int count, unsigned char* out, size_t capacity,
                        size_t* length);
// Reads the bytes received so far. On kLaunchComplete, texts holds the messages one after
// another, each NUL-terminated, and *count their number. Bytes after the end frame, a
// message holding NUL, a length past the limit and a launch without messages are malformed.
ChannelParse ChannelParseLaunch(const unsigned char* raw, size_t length, char* texts,
                                size_t capacity, int* count);
// The abstract socket name (without its leading NUL) of the instance with this process
// identity, for index 0 .. kChannelNames-1. 1 when it fit.
int ChannelName(const unsigned char* identity, int index, char* out, size_t capacity);
