// The local time as text for the log's banners; see platform/port/log.h. The C locale is made
// once, so an engine's setlocale() never changes the names.
#include "platform/port/log.h"

#include <locale.h>
#include <time.h>

size_t OsFormatLocalTime(char* out, size_t capacity, const char* format) {
  static locale_t s_cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  time_t now = time(nullptr);
  struct tm local;
  if (localtime_r(&now, &local) == nullptr) return 0;
  return s_cLocale ? strftime_l(out, capacity, format, &local, s_cLocale)
                   : strftime(out, capacity, format, &local);
}
