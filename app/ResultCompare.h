// The results list's column comparisons. Each compares a with b when ascending
// and b with a when not: descending swaps the operands, it doesn't negate.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "DateText.h"

namespace sorvik {

// Ordinal bytes: the first differing byte of a minus that of b (0..255 each),
// else the difference of the lengths. Any integer may come back.
int CompareTextColumn(std::string_view a, std::string_view b, bool ascending);

// Decimal 64-bit byte counts; a text that isn't one counts as 0. -1, 0 or 1.
int CompareSizeColumn(std::string_view a, std::string_view b, bool ascending);

// Dates (with an optional time, or a time alone on day 0) as the locale wrote
// them; an unreadable text counts as day 0. Values that round to the same whole
// millisecond rank equal. -1, 0 or 1.
int CompareDateColumn(std::string_view a, std::string_view b, bool ascending);
int CompareDateColumn(std::string_view a, std::string_view b, bool ascending, const TDateFormat& format,
                      int currentYear);

// The numbers those comparisons read.
std::int64_t ReadSizeText(std::string_view text);
double ReadDateText(std::string_view text, const TDateFormat& format, int currentYear);

// The date value in whole milliseconds: two readable texts rank equal exactly
// when their keys are equal, so a sort may compare keys instead of texts.
std::int64_t DateSortKey(double value);

// The current year in local time (the window for two-digit years).
int CurrentYear();

}  // namespace sorvik
