// The channel's wire format; see platform/instance_channel.h. The parser trusts nothing in the
// length is checked against what is left and against the limits before it is used.
#include "platform/instance_channel.h"

#include <cstring>

#include "util/hex.h"
#include "util/strbuf.h"

namespace {
constexpr size_t kHeaderBytes = 4;

size_t ReadLength(const unsigned char* p) {
  return (size_t{p[0]} << 24) | (size_t{p[1]} << 16) | (size_t{p[2]} << 8) | size_t{p[3]};
}

void WriteLength(size_t size, unsigned char* p) {
  for (int i = 3; i >= 0; --i, size >>= 8) p[i] = static_cast<unsigned char>(size & 0xff);
}
}  // namespace

int ChannelEncodeLaunch(const char* const* messages, int count, unsigned char* out, size_t capacity,
                        size_t* length) {
  if (count <= 0 || count > kChannelMaxMessages) return 0;
  size_t at = 0;
  for (int i = 0; i <= count; ++i) {
    size_t size = i < count ? strnlen(messages[i], kChannelMaxMessage + 1) : 0;
    if (i < count && (size == 0 || size > kChannelMaxMessage)) return 0;
    if (capacity - at < kHeaderBytes + size) return 0;
    WriteLength(size, out + at);
    memcpy(out + at + kHeaderBytes, i < count ? messages[i] : "", size);
    at += kHeaderBytes + size;
  }
  *length = at;
  return 1;
}

ChannelParse ChannelParseLaunch(const unsigned char* raw, size_t length, char* texts,
                                size_t capacity, int* count) {
  size_t at = 0, used = 0;
  *count = 0;
  for (;;) {
    if (length - at < kHeaderBytes) return kLaunchIncomplete;
    size_t size = ReadLength(raw + at);
    at += kHeaderBytes;
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

int ChannelName(const unsigned char* identity, int index, char* out, size_t capacity) {
  char hex[2 * kChannelIdentityBytes + 1];
  if (index < 0 || index >= kChannelNames ||
      !BytesToHex(identity, kChannelIdentityBytes, hex, sizeof hex))
    return 0;
  return StrFormatf(out, capacity, "quillfen-instance-%s-%d", hex, index);
}
