// The channel's wire format; see channel_wire.h. The bytes come from another process, so every
// length is checked against what is left and against the limits before it is used.
#include "platform/channel_wire.h"

#include <cstring>

#include "quarn_engine.h"

// The largest launch the launcher builds (every held document, then its command line) fits
// one launch on the wire, greeting, frames and end frame included.
static_assert(kChannelGreetingBytes +
                      (kChannelMaxMessages - 1) *
                          (kChannelHeaderBytes + QRN_OPEN_FILE_MESSAGE_CAPACITY - 1) +
                      (kChannelHeaderBytes + kChannelMaxMessage) + kChannelHeaderBytes <=
                  kChannelMaxLaunchBytes,
              "a launch of the launcher's own does not fit the channel");

namespace {
size_t ReadLength(const unsigned char* p) {
  size_t size = 0;
  for (size_t i = 0; i < kChannelHeaderBytes; ++i) size = (size << 8) | p[i];
  return size;
}

void WriteLength(size_t size, unsigned char* p) {
  for (size_t i = kChannelHeaderBytes; i-- > 0; size >>= 8)
    p[i] = static_cast<unsigned char>(size & 0xff);
}

// Version 1 after the greeting: frames of a kChannelHeaderBytes length and a text, ended by
// a frame of length 0.
ChannelParse ReadFramesVersion1(const unsigned char* raw, size_t length, char* texts,
                                size_t capacity, int* count) {
  size_t at = 0, used = 0;
  for (;;) {
    if (length - at < kChannelHeaderBytes) return kLaunchIncomplete;
    size_t size = ReadLength(raw + at);
    at += kChannelHeaderBytes;
    if (size == 0) break;
    if (size > kChannelMaxMessage || *count == kChannelMaxMessages) return kLaunchMalformed;
    if (size + 1 > capacity - used) return kLaunchMalformed;
    if (length - at < size) return kLaunchIncomplete;
    if (memchr(raw + at, '\0', size) != nullptr) return kLaunchMalformed;
    memcpy(texts + used, raw + at, size);
    texts[used + size] = '\0';
    used += size + 1;
    at += size;
    ++*count;
  }
  return *count > 0 && at == length ? kLaunchComplete : kLaunchMalformed;
}
}  // namespace

int ChannelEncodeLaunch(const char* const* messages, int count, unsigned char* out, size_t capacity,
                        size_t* length) {
  if (count <= 0 || count > kChannelMaxMessages || capacity < kChannelGreetingBytes) return 0;
  memcpy(out, kChannelGreeting, kChannelGreetingBytes);
  size_t at = kChannelGreetingBytes;
  for (int i = 0; i <= count; ++i) {
    size_t size = i < count ? strnlen(messages[i], kChannelMaxMessage + 1) : 0;
    if (i < count && (size == 0 || size > kChannelMaxMessage)) return 0;
    if (capacity - at < kChannelHeaderBytes + size) return 0;
    WriteLength(size, out + at);
    memcpy(out + at + kChannelHeaderBytes, i < count ? messages[i] : "", size);
    at += kChannelHeaderBytes + size;
  }
  *length = at;
  return 1;
}

int ChannelLaunchVersion(const unsigned char* raw, size_t length) {
  const size_t version = kChannelGreetingBytes - 1;
  if (length < kChannelGreetingBytes || memcmp(raw, kChannelGreeting, version) != 0) return -1;
  return raw[version];
}

ChannelParse ChannelParseLaunch(const unsigned char* raw, size_t length, char* texts,
                                size_t capacity, int* count) {
  *count = 0;
  if (length < kChannelGreetingBytes) return kLaunchIncomplete;
  const unsigned char* frames = raw + kChannelGreetingBytes;
  const size_t left = length - kChannelGreetingBytes;
  int version = ChannelLaunchVersion(raw, length);
  switch (version) {
    case -1:
      return kLaunchMalformed;
    case 1:
      return ReadFramesVersion1(frames, left, texts, capacity, count);
  }
  return version > kChannelVersion ? kLaunchNewerVersion : kLaunchOlderVersion;
}
