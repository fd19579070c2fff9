// The local time for the log's banners; see platform/port/log.h. time() is signal-safe; the
// time-zone conversion is not, so its offset is kept for the signal-safe calls.
#include "platform/port/log.h"

#include <time.h>

namespace {
long s_utcOffset;
}  // namespace

long long OsLocalClockSeconds(int signalSafe) {
  time_t now = time(nullptr);
  struct tm local;
  if (!signalSafe && localtime_r(&now, &local) != nullptr) s_utcOffset = local.tm_gmtoff;
  return static_cast<long long>(now) + s_utcOffset;
}
