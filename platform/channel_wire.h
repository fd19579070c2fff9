// The instance channel's wire format, the one place that knows it. A launch is the greeting,
// then one frame per message (a kChannelHeaderBytes big-endian length 1..kChannelMaxMessage,
// then the text without NUL), at most kChannelMaxMessages of them, then an end frame of
// length 0. The instance answers kChannelOffer when it is about to deliver; the sender
// commits with kChannelConfirm, or closes; the instance answers kChannelDelivered once the
// engine has every message, and closes.
#pragma once

#include <cstddef>

#include "platform/instance_channel.h"

constexpr size_t kChannelHeaderBytes = 4;
// Every version of the format opens a launch with these bytes, the last one being the
// sender's version. What follows the greeting is read by that version's own reader; a launch
// of a version this build has no reader for is refused by name, as newer or as older, never
// read with another version's layout nor taken for a malformed one.
constexpr unsigned char kChannelVersion = 1;
constexpr unsigned char kChannelGreeting[] = {'Q', 'F', 'L', kChannelVersion};
constexpr size_t kChannelGreetingBytes = sizeof kChannelGreeting;
constexpr char kChannelOffer = 'O';
constexpr char kChannelConfirm = 'C';
constexpr char kChannelDelivered = 'D';
// Published in place of the listener's name by an instance that uninstalls the game: it takes
// no launches, and no listener can be named so.
constexpr char kChannelUninstalling[] = "!uninstalling";

enum ChannelParse {
  kLaunchMalformed = -1,
  kLaunchIncomplete = 0,
  kLaunchComplete = 1,
  kLaunchNewerVersion = 2,  // well greeted, by a sender of a later version
  kLaunchOlderVersion = 3,  // well greeted, by a sender of a version no longer read
};

// Frames the messages into out, greeting and end frame included. 0 when a message is empty,
// too long or there are too many, or when out is too small.
int ChannelEncodeLaunch(const char* const* messages, int count, unsigned char* out, size_t capacity,
                        size_t* length);
// The version a launch's greeting names; -1 while it has not arrived whole or is no greeting.
int ChannelLaunchVersion(const unsigned char* raw, size_t length);
// Reads the bytes received so far. On kLaunchComplete, texts holds the messages one after
// another, each NUL-terminated, and *count their number. A wrong greeting, bytes after the
// end frame, a message holding NUL, a length past the limit and a launch without messages
// are malformed.
ChannelParse ChannelParseLaunch(const unsigned char* raw, size_t length, char* texts,
                                size_t capacity, int* count);
