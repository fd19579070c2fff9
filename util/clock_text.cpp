// The banners' clock text; see clock_text.h. The civil date comes from the day count with the
// proleptic Gregorian calendar's 400-year cycle (days counted from 0000-03-01, so that the
// leap day ends each cycle year).
#include "util/clock_text.h"

namespace {
const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

long long FloorDiv(long long a, long long b) {
  return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

struct Writer {
  char* text;
  int used;
  void Put(const char* s) {
    while (*s && used < kClockTextCapacity - 1) text[used++] = *s++;
  }
  void Digits(long long value, int width) {
    char digits[24];
    int n = 0;
    if (value < 0) {
      Put("-");
      value = -value;
    }
    do {
      digits[n++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value > 0 && n < 20);
    while (n < width) digits[n++] = '0';
    while (n > 0 && used < kClockTextCapacity - 1) text[used++] = digits[--n];
  }
};
}  // namespace

void FormatClockText(long long wallSeconds, char (&text)[kClockTextCapacity]) {
  long long days = FloorDiv(wallSeconds, 86400);
  long long secondOfDay = wallSeconds - days * 86400;
  int weekday = static_cast<int>((days % 7 + 11) % 7);  // 1970-01-01 was a Thursday
  long long fromMarch = days + 719468;                  // days since 0000-03-01
  long long era = FloorDiv(fromMarch, 146097);
  long long dayOfEra = fromMarch - era * 146097;
  long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  long long monthFromMarch = (5 * dayOfYear + 2) / 153;
  long long day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
  int month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 2 : monthFromMarch - 10);
  long long year = yearOfEra + era * 400 + (month < 2);
  int hour = static_cast<int>(secondOfDay / 3600);

  Writer out{text, 0};
  out.Put(kDayNames[weekday]);
  out.Put(" ");
  out.Put(kMonthNames[month]);
  out.Put(" ");
  out.Digits(day, 2);
  out.Put(", ");
  out.Digits(year, 1);
  out.Put(", ");
  out.Digits(hour % 12 == 0 ? 12 : hour % 12, 2);
  out.Put(":");
  out.Digits(secondOfDay / 60 % 60, 2);
  out.Put(":");
  out.Digits(secondOfDay % 60, 2);
  out.Put(hour < 12 ? " AM" : " PM");
  text[out.used] = '\0';
}
