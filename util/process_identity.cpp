// The process identity's byte layout; see process_identity.h.
#include "util/process_identity.h"

#include <climits>

namespace {

void PutBigEndian(unsigned char* out, unsigned long value) {
  out[0] = static_cast<unsigned char>(value >> 24);
  out[1] = static_cast<unsigned char>(value >> 16);
  out[2] = static_cast<unsigned char>(value >> 8);
  out[3] = static_cast<unsigned char>(value);
}

unsigned long GetBigEndian(const unsigned char* in) {
  return (static_cast<unsigned long>(in[0]) << 24) | (static_cast<unsigned long>(in[1]) << 16) |
         (static_cast<unsigned long>(in[2]) << 8) | static_cast<unsigned long>(in[3]);
}

}  // namespace

void PackProcessIdentity(unsigned long long startTicks, long pid, unsigned char identity[8]) {
  PutBigEndian(identity, static_cast<unsigned long>(startTicks & 0xFFFFFFFFull));
  PutBigEndian(identity + 4, static_cast<unsigned long>(pid) & 0xFFFFFFFFul);
}

long ProcessIdentityPid(const unsigned char identity[8]) {
  unsigned long pid = GetBigEndian(identity + 4);
  // Ids above INT_MAX cannot be a process id.
  return pid > static_cast<unsigned long>(INT_MAX) ? 0 : static_cast<long>(pid);
}

unsigned long ProcessIdentityStart(const unsigned char identity[8]) {
  return GetBigEndian(identity);
}
