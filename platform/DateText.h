// Reading date-time texts back the way the user's locale wrote them.
#pragma once

#include <array>
#include <optional>
#include <string>

namespace sorvik {

// How the locale writes a date and a time: the order of the date's fields, the
// separators, and the morning and afternoon markers.
struct TDateFormat {
  std::array<char, 3> Order{'M', 'd', 'y'};  // 'd' day, 'M' month, 'y' year, as written
  std::string DateSeparator = "/";
  std::string TimeSeparator = ":";
  std::string AM = "AM";
  std::string PM = "PM";
};

// The format from the locale's short-date and time patterns ("d.M.yyyy",
// "h:mm:ss tt") and its markers. Quoted literals in a pattern are skipped.
TDateFormat DateFormatFromPatterns(const std::string& shortDate, const std::string& time, const std::string& am,
                                   const std::string& pm);

// The user's format: the system's locale on Windows, the en-US default elsewhere.
TDateFormat UserDateFormat();

// A date, optionally followed by a time, or a time alone (on day 0): days since
// 30 December 1899 plus the fraction of the day. Seconds may carry up to three
// decimals. Leading and trailing blanks are allowed; anything else that doesn't
// fit the format gives nothing. A two-digit year is taken within 50 years of
// `currentYear`.
// With `dateOnly`, a text with a time (or a time alone) gives nothing.
std::optional<double> ReadDateTimeText(const std::string& text, const TDateFormat& format, int currentYear,
                                       bool dateOnly = false);

}  // namespace sorvik
