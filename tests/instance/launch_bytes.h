// Launches on the wire written byte by byte, for the parser's tests and for raw peers of a
// running instance: what a launcher would send, and what it never would.
#pragma once

#include <string>
#include <vector>

#include "platform/channel_wire.h"

// One frame of the wire format; an empty text is the end frame.
inline std::string Frame(const std::string& text) {
  std::string header(kChannelHeaderBytes, '\0');
  size_t n = text.size();
  for (size_t i = kChannelHeaderBytes; i-- > 0; n >>= 8) header[i] = static_cast<char>(n & 0xff);
  return header + text;
}

// The greeting of a launch of this version of the format.
inline std::string Greeting() {
  return std::string(reinterpret_cast<const char*>(kChannelGreeting), kChannelGreetingBytes);
}

// The greeting of a launch of another version.
inline std::string VersionGreeting(int version) {
  return Greeting().substr(0, kChannelGreetingBytes - 1) + static_cast<char>(version);
}

// The bytes of a launch carrying these messages, greeting and end frame included.
inline std::string LaunchBytes(const std::vector<std::string>& messages) {
  std::string bytes = Greeting();
  for (const std::string& m : messages) bytes += Frame(m);
  return bytes + Frame("");
}
