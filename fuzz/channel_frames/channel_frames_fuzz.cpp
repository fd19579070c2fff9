// Fuzzer of the instance channel's frame parser, the one parser fed by another process: the
// input is the bytes a peer sent. A launch of another version is refused with nothing read,
// and a complete one is of a version this build reads; it holds 1 to 64 messages, each within
// the limit and without NUL, and one of this version encodes back to exactly the input; one
// byte less of it is an incomplete launch; no result ever writes past the texts' capacity.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/channel_wire.h"

static void Check(bool ok) {
  if (!ok) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static char texts[kChannelMaxLaunchBytes];
  int count = -1;
  ChannelParse result = ChannelParseLaunch(data, size, texts, sizeof texts, &count);
  Check(count >= 0 && count <= kChannelMaxMessages);
  const int version = ChannelLaunchVersion(data, size);
  if (result == kLaunchNewerVersion) Check(count == 0 && version > kChannelVersion);
  if (result == kLaunchOlderVersion) Check(count == 0 && version >= 0 && version < kChannelVersion);
  if (result != kLaunchComplete) return 0;
  Check(count >= 1 && version >= 0 && version <= kChannelVersion);
  std::vector<const char*> messages;
  const char* text = texts;
  for (int i = 0; i < count; ++i) {
    size_t length = strnlen(text, kChannelMaxMessage + 1);
    Check(length >= 1 && length <= kChannelMaxMessage);
    messages.push_back(text);
    text += length + 1;
  }
  Check(static_cast<size_t>(text - texts) <= sizeof texts);
  static unsigned char encoded[kChannelMaxLaunchBytes];
  size_t length = 0;
  Check(ChannelEncodeLaunch(messages.data(), count, encoded, sizeof encoded, &length) == 1);
  Check(version != kChannelVersion || (length == size && memcmp(encoded, data, size) == 0));
  Check(ChannelParseLaunch(data, size - 1, texts, sizeof texts, &count) == kLaunchIncomplete);
  return 0;
}
