// The channel by which a second launch hands its messages to the running instance of the
// game and user. The instance listens under a name nobody else can guess and publishes it with
// its process identity where only its user can read it; a launch takes the name published
// under the identity its record holds; each side checks who the other is. A message is
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

// Connections refused or failed during a call of ChannelServe or ChannelSettle, which add to
// count and set first to the reason of the first one (a step may meet several).
struct ChannelFailures {
  int count;
  char first[160];
};

// Instance side, served from the instance's own event calls, main thread only. A launch rings
// a bell in the published file once it has connected, so a step in which nobody rang and no
// connection is in progress makes no system call; a step waits only for the connections it
// accepted or offered itself, and for them at most a millisecond. In a process forked from
// the instance without exec the channel is forgotten: it serves nothing and closes nothing.

// Starts listening, once per process: later calls find the listener there. 1 when
// listening; reason says why not otherwise.
int ChannelListen(char* reason, size_t reasonCapacity);
// Publishes the name this process listens under, with its identity, in the file it claims
// (see ClaimFile in files.h), where a later launch of its user reads it in one step: the
// instance's claim on the data folder's instance.lock, which only its user can open, and
// watches the bell there. 1 when written.
int ChannelPublish(int claim);
// 1 when listening without a bell (the published file could not hold or map one): then every
// event call looks at the listener, a system call each.
int ChannelWithoutBell();
// Publishes, in place of the name, that this process uninstalls the game and takes no
// launches, so that a later launch says so at once rather than waiting for a hand-over.
int ChannelPublishUninstalling(int claim);
// Stops listening and ends every connection not yet taken (their senders learn that their
// messages were not delivered).
void ChannelClose();
// One bounded step: when the bell rang or a connection is in progress, accepts a few new
// connections, reads what arrived, offers complete launches whose every message is
// acceptable, takes confirmations and ends connections that are too slow. Returns 1 when a
// confirmed launch waits to be taken.
int ChannelServe(int (*acceptable)(const char* message), ChannelFailures* failures);
// 1 when ChannelServe has something to do or a confirmed launch waits. No system call.
int ChannelHasWork();
// Decides every offered launch at once (a confirmation already sent counts, none can come
// later) and ends every other connection. Returns 1 when a confirmed launch waits.
int ChannelSettle(ChannelFailures* failures);
// Takes the oldest confirmed launch: its messages, each NUL-terminated, one after another,
// into out. Returns their number, 0 when none waits.
int ChannelTake(char* out, size_t capacity);
// The launch taken last has been delivered: its sender is told so and let go.
void ChannelDelivered();

// Sender side: hands the messages to the instance with this identity, waiting at most
// seconds for the instance to offer delivery and as long again for it to report it.
// Anything but kChannelSent comes with reason saying why.
enum ChannelSendResult {
  kChannelNotSent = 0,      // the instance does not have the messages
  kChannelSent = 1,         // the instance's engine has every message
  kChannelUnconfirmed = 2,  // committed, but the instance never said it delivered them
};
// notePath is the file the instance published its name in (see ChannelPublish).
ChannelSendResult ChannelSend(const unsigned char* identity, const char* notePath,
                              const char* const* messages, int count, double seconds, char* reason,
                              size_t reasonCapacity);

// Rings the bell of the instance that published its name in the file at notePath, as a
// launch does once it has connected: 1 when rung.
int ChannelRing(const char* notePath);

// The name the instance with this identity published in the file at notePath: 1 when the
// file holds a name of that identity and it fit into out.
int ChannelListenerName(const char* notePath, const unsigned char* identity, char* out,
                        size_t capacity);
