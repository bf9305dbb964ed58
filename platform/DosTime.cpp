#include "DosTime.h"

#include <cmath>

namespace sorvik {

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kEpochDelta = 11'644'473'600;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// Hours, minutes and seconds of `seconds` (0..86399) from midnight.
void SetTimeOfDay(TStamp& s, std::int64_t seconds) {
  s.Hour = static_cast<int>(seconds / 3600);
  s.Minute = static_cast<int>(seconds / 60 % 60);
  s.Second = static_cast<int>(seconds % 60);
}

}  // namespace

std::int64_t DaysFromCivil(int year, int month, int day) {
  const std::int64_t y = year - (month <= 2 ? 1 : 0);
  const std::int64_t era = FloorDiv(y, 400);
  const std::int64_t yoe = y - era * 400;
  const std::int64_t mp = month > 2 ? month - 3 : month + 9;
  const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Inverse of DaysFromCivil (Howard Hinnant's algorithm).
void CivilFromDays(std::int64_t days, int& y, int& m, int& d) {
  const std::int64_t z = days + 719468;
  const std::int64_t era = FloorDiv(z, 146097);
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

TStamp StampFromFileTime(FileTime ft) {
  const std::int64_t unixSeconds = FloorDiv(ft, kTicksPerSecond) - kEpochDelta;
  const std::int64_t days = FloorDiv(unixSeconds, kSecondsPerDay);
  TStamp s;
  CivilFromDays(days, s.Year, s.Month, s.Day);
  SetTimeOfDay(s, unixSeconds - days * kSecondsPerDay);
  s.Second &= ~1;
  return s;
}

FileTime FileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds) {
  return (seconds + kEpochDelta) * kTicksPerSecond + nanoseconds / 100;
}

std::optional<std::uint32_t> PackDosDateTime(const TStamp& s) {
  if (s.Year < 1980 || s.Year > 2107) return std::nullopt;
  const std::uint32_t date = (static_cast<std::uint32_t>(s.Year - 1980) << 9) |
                             (static_cast<std::uint32_t>(s.Month) << 5) |
                             static_cast<std::uint32_t>(s.Day);
  const std::uint32_t time = (static_cast<std::uint32_t>(s.Hour) << 11) |
                             (static_cast<std::uint32_t>(s.Minute) << 5) |
                             static_cast<std::uint32_t>(s.Second / 2);
  return (date << 16) | time;
}

TStamp UnpackDosDateTime(std::uint32_t packed) {
  TStamp s;
  const std::uint32_t date = packed >> 16;
  const std::uint32_t time = packed & 0xFFFF;
  s.Year = static_cast<int>(date >> 9) + 1980;
  s.Month = static_cast<int>((date >> 5) & 15);
  s.Day = static_cast<int>(date & 31);
  s.Hour = static_cast<int>(time >> 11);
  s.Minute = static_cast<int>((time >> 5) & 63);
  s.Second = static_cast<int>(time & 31) * 2;
  return s;
}

double StampToDateTime(const TStamp& s) {
  // 1899-12-30 is day 0.
  const double days = DateTimeOfDay(s.Year, s.Month, s.Day);
  const double fraction = DayFraction(SecondsOfDay(s.Hour, s.Minute, s.Second));
  // OLE dates before day 0 carry the time as a positive fraction of a negative day.
  return days >= 0 ? days + fraction : days - fraction;
}

TStamp StampFromDateTime(double value) {
  const auto seconds = static_cast<std::int64_t>(std::llround(value * kSecondsPerDay));
  std::int64_t days = seconds / kSecondsPerDay, rest = seconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  TStamp s;
  CivilFromDays(days - kUnixEpochDateTime, s.Year, s.Month, s.Day);
  SetTimeOfDay(s, rest);
  return s;
}

}  // namespace sorvik
