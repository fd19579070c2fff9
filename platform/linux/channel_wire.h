// The bytes a second launch and the running instance exchange over their socket. The
// launch: one frame per message (4-byte big-endian length 1..kChannelMaxMessage, then the
// text without NUL), at most kChannelMaxMessages of them, then an end frame of length 0.
// The instance answers kChannelOffer when it is about to deliver; the sender commits with
// kChannelConfirm, or closes. No operating-system call here, so a fuzzer can drive it.
#pragma once

#include <cstddef>

#include "platform/linux/instance_channel.h"

constexpr char kChannelOffer = 'O';
constexpr char kChannelConfirm = 'C';
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
