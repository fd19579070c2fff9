// Dates and times as the log's banners show them, in English whatever the locale, made
// without the C library's time conversions so that a fatal-signal handler may use them too
// (no locks, no allocation, no locale).
#pragma once

// "Sunday December 06, 2026, 06:14:03 PM" plus NUL: the longest day and month names fit.
constexpr int kClockTextCapacity = 48;

// The wall-clock text of a moment given as seconds since 1970-01-01 00:00:00 on the wall
// clock itself (the UTC time plus the local offset): day name, month name, day of the month
// (2 digits), year, and the 12-hour clock with two-digit hour, minute and second and AM/PM.
void FormatClockText(long long wallSeconds, char (&text)[kClockTextCapacity]);
