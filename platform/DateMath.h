// Calendar arithmetic shared by every date and time form: the leap-year rule,
// month lengths, the units of a day and the epoch of the OLE date-time number
// (days since 30 December 1899, the time of day as the fraction).
#pragma once

#include <cstdint>

namespace sorvik {

inline constexpr std::int64_t kSecondsPerDay = 86'400;
inline constexpr std::int64_t kMillisecondsPerDay = kSecondsPerDay * 1000;

// 1 January 1970 as a date-time: days since 30 December 1899.
inline constexpr std::int64_t kUnixEpochDateTime = 25569;

// Proleptic Gregorian: every fourth year, but not whole centuries unless they
// divide by 400 (1900 is no leap year, 2000 is one).
constexpr bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// The days of a month (1..12) in a year.
constexpr int DaysInMonth(int year, int month) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Whether month and day name a day of the year's calendar (any year).
constexpr bool IsCalendarDay(int year, int month, int day) {
  return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

// Whole seconds from midnight to a time of day.
constexpr int SecondsOfDay(int hour, int minute, int second) { return hour * 3600 + minute * 60 + second; }

// The part of a day that `seconds` from midnight make: a date-time's fraction.
constexpr double DayFraction(double seconds) { return seconds / kSecondsPerDay; }

}  // namespace sorvik
