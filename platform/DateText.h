// Reading date-time texts back the way the user's locale wrote them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvik {

// One piece of a date or time pattern: a field or literal text.
struct TPatternPart {
  // 'd' day, 'M' month, 'y' year, 'g' era, 'h' 12-hour, 'H' 24-hour, 'm'
  // minute, 's' second, 't' morning or afternoon marker; 0 for literal text.
  char Field = 0;
  int Width = 0;     // letters in the pattern: 4 for "yyyy"
  std::string Text;  // the literal text, quotes resolved

  bool operator==(const TPatternPart&) const = default;
};

// A pattern in the locale's notation ("yyyy'年'M'月'd'日'", "tt h:mm:ss") as
// its parts. `fields` are the letters that make fields; any other text is
// literal. Text in single quotes is literal, and two quotes make one.
std::vector<TPatternPart> SplitPattern(std::string_view pattern, std::string_view fields);

// How the locale writes a date and a time: its short-date and time patterns
// and its morning and afternoon markers.
struct TDateFormat {
  std::vector<TPatternPart> Date = SplitPattern("M/d/yyyy", "dMyg");
  std::vector<TPatternPart> Time = SplitPattern("h:mm:ss tt", "hHmst");
  std::string AM = "AM";
  std::string PM = "PM";
};

// The format from the locale's short-date and time patterns ("d.M.yyyy",
// "h:mm:ss tt") and its markers. A date pattern without exactly one day, month
// and year as numbers, or a time pattern without one hour, gives the en-US one.
TDateFormat DateFormatFromPatterns(const std::string& shortDate, const std::string& time, const std::string& am,
                                   const std::string& pm);

// The user's format: the system's locale on Windows, the en-US default elsewhere.
TDateFormat UserDateFormat();

// A date, optionally followed by a time, or a time alone (on day 0): days since
// 30 December 1899 plus the fraction of the day.
// The date follows the format's fields and literal texts; day and month take
// one or two digits, the year one to four, and literal text after the last
// field may be left out. Blanks (also no-break spaces and direction marks)
// may stand around any part. An era or weekday name is passed over.
// The time gives the hour and, optionally, minutes and seconds in the
// pattern's order; seconds may carry up to three decimals. A marker may stand
// before or after it (then the hour is 1..12); without one the hour is 0..23.
// Anything else that doesn't fit the format gives nothing. A two-digit year is
// taken within 50 years of `currentYear`.
// With `dateOnly`, a text with a time (or a time alone) gives nothing.
std::optional<double> ReadDateTimeText(std::string_view text, const TDateFormat& format, int currentYear,
                                       bool dateOnly = false);

}  // namespace sorvik
