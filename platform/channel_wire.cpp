// The channel's wire format; see channel_wire.h. The bytes come from another process, so every
// length is checked against what is left and against the limits before it is used.
#include "platform/channel_wire.h"

#include <cstring>

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

// The greeting's verdict once it has arrived whole.
ChannelParse ReadGreeting(const unsigned char* raw) {
  const size_t version = kChannelGreetingBytes - 1;
  if (memcmp(raw, kChannelGreeting, version) != 0 || raw[version] == 0) return kLaunchMalformed;
  return raw[version] > kChannelVersion ? kLaunchNewerVersion : kLaunchComplete;
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

ChannelParse ChannelParseLaunch(const unsigned char* raw, size_t length, char* texts,
                                size_t capacity, int* count) {
  *count = 0;
  if (length < kChannelGreetingBytes) return kLaunchIncomplete;
  ChannelParse greeting = ReadGreeting(raw);
  if (greeting != kLaunchComplete) return greeting;
  size_t at = kChannelGreetingBytes, used = 0;
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
