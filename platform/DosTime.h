// Time stamps: Windows file times, broken-down stamps, the packed MS-DOS
// date-time form and the OLE date-time number. All portable arithmetic.
#pragma once

#include <cstdint>
#include <optional>

#include "DateMath.h"

namespace sorvik {

// 100-nanosecond ticks since 1 January 1601 UTC (a Windows FILETIME).
using FileTime = std::int64_t;

// A calendar date and time of day, in whatever zone the producer chose.
// Seconds are always even: stamps carry the 2-second steps of the DOS form,
// also when they lie outside the years that form can hold.
struct TStamp {
  int Year = 1980;
  int Month = 1;
  int Day = 1;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;

  bool operator==(const TStamp&) const = default;
};

// The UTC calendar fields of a file time, seconds truncated to even.
TStamp StampFromFileTime(FileTime ft);

// Seconds since 1970 (Unix time) to a file time, and back.
FileTime FileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds = 0);

// The packed DOS form (date in the high word) of a stamp; empty when the
// year lies outside 1980..2107.
std::optional<std::uint32_t> PackDosDateTime(const TStamp& s);
TStamp UnpackDosDateTime(std::uint32_t packed);

// Days since 30 December 1899 plus the fraction of the day.
double StampToDateTime(const TStamp& s);
// The calendar fields of such a date-time (seconds to the nearest whole one).
TStamp StampFromDateTime(double value);

// Days from 1 January 1970 for a proleptic Gregorian date (negative before).
std::int64_t DaysFromCivil(int year, int month, int day);
// The date of such a day count.
void CivilFromDays(std::int64_t days, int& year, int& month, int& day);

// Midnight of a date as a date-time.
inline double DateTimeOfDay(int year, int month, int day) {
  return static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochDateTime);
}

}  // namespace sorvik
