#include "ResultCompare.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "DateMath.h"
#include "DosTime.h"
#include "Locale.h"
#include "NumberText.h"

namespace sorvik {

namespace {

template <typename T>
int Sign(T a, T b) {
  return a < b ? -1 : a > b ? 1 : 0;
}

}  // namespace

int CompareTextColumn(std::string_view a, std::string_view b, bool ascending) {
  if (!ascending) std::swap(a, b);
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x != y) return x - y;
  }
  const auto d = static_cast<std::int64_t>(a.size()) - static_cast<std::int64_t>(b.size());
  return d < 0 ? (d < std::numeric_limits<int>::min() ? -1 : static_cast<int>(d))
               : (d > std::numeric_limits<int>::max() ? 1 : static_cast<int>(d));
}

std::int64_t ReadSizeText(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  const auto value = ReadDecimal(text.substr(i), negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1);
  if (!value) return 0;  // not a number, or out of range
  return negative ? static_cast<std::int64_t>(0 - *value) : static_cast<std::int64_t>(*value);
}

int CompareSizeColumn(std::string_view a, std::string_view b, bool ascending) {
  if (!ascending) std::swap(a, b);
  return Sign(ReadSizeText(a), ReadSizeText(b));
}

double ReadDateText(std::string_view text, const TDateFormat& format, int currentYear) {
  return ReadDateTimeText(text, format, currentYear).value_or(0.0);
}

std::int64_t DateSortKey(double value) { return std::llround(value * kMillisecondsPerDay); }

int CompareDateColumn(std::string_view a, std::string_view b, bool ascending, const TDateFormat& format,
                      int currentYear) {
  if (!ascending) std::swap(a, b);
  // Whole milliseconds, as the sort's keys: "less than a millisecond apart"
  // would not be transitive (0.0, 0.9 and 1.8 ms).
  const std::int64_t x = DateSortKey(ReadDateText(a, format, currentYear));
  const std::int64_t y = DateSortKey(ReadDateText(b, format, currentYear));
  return x < y ? -1 : x > y ? 1 : 0;
}

int CompareDateColumn(std::string_view a, std::string_view b, bool ascending) {
  return CompareDateColumn(a, b, ascending, UserDateFormat(), CurrentYear());
}

int CurrentYear() {
  const double now = NowDateTime();
  const auto days = static_cast<std::int64_t>(std::floor(now)) - kUnixEpochDateTime;
  int year = 0, month = 0, day = 0;
  CivilFromDays(days, year, month, day);
  return year;
}

}  // namespace sorvik
