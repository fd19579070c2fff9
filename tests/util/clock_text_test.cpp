// The log's clock text against the C library's strftime in the POSIX locale, for moments
// around the calendar's edges.
#include <time.h>

#include <gtest/gtest.h>

#include "util/clock_text.h"

namespace {

TEST(ClockText, MatchesStrftimeInThePosixLocale) {
  const long long moments[] = {
      0,           // Thursday January 01, 1970, 12:00:00 AM
      43199,       // 11:59:59 AM
      43200,       // noon is 12 PM
      -1,          // the last second before 1970
      951782400,   // 2000-02-29, a leap day of a year divisible by 400
      1709251199,  // 2024-02-29 23:59:59
      1798761600,  // 2027-01-01, after a year end
      1796580843,  // Sunday December 06, 2026, 06:14:03 PM
      4107542400,  // 2100-03-01, after a February without a leap day
  };
  for (long long moment : moments) {
    time_t t = static_cast<time_t>(moment);
    struct tm utc;
    ASSERT_NE(gmtime_r(&t, &utc), nullptr);
    char expected[64];
    strftime(expected, sizeof expected, "%A %B %d, %Y, %I:%M:%S %p", &utc);
    char text[kClockTextCapacity];
    FormatClockText(moment, text);
    EXPECT_STREQ(text, expected) << moment;
  }
}

}  // namespace
