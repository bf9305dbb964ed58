// The settings file's text forms, without the file: comma text (the history
// lists and the column widths), the history lists' update rule, and the
// profile reader's integers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvik {

// Entries joined by ",": one with a blank, a control character, a comma or a
// double quote goes between double quotes (inner quotes doubled); a list of one
// empty entry is "\"\"", an empty list "". A text that would both begin and end
// with a double quote, or both with a single quote, gets one more pair of double
// quotes around it, which the profile reader strips again, so that it comes back whole.
std::string WriteCommaText(const std::vector<std::string>& entries);

// The comma text that a value stands for in a profile file, from the value as
// the file holds it (`raw`, without the blanks around it). The profile reader
// takes off a pair of quotes around a whole value; this one knows which pair is
// there to be taken off: the pair WriteCommaText puts around a text that begins
// and ends with a quote, recognised by the text inside it being one that
// WriteCommaText writes so. Any other value is the comma text itself, quoted
// ends and all (typed by hand, or written before that pair was added).
std::string CommaTextFromProfile(const std::string& raw);

// Appends the text between double quotes, its own double quotes doubled.
void AppendQuoted(std::string& out, std::string_view text);

// Reads comma text (blanks and control characters around entries skipped, a
// bare blank ends an entry, a trailing comma adds an empty entry). A NUL byte
// ends the text.
std::vector<std::string> ReadCommaText(const std::string& text);

// Case-insensitive equality of two texts, as the history lists compare entries.
using TSameText = bool (*)(const std::string&, const std::string&);

// A text already listed moves to the top (atTop) or the bottom, untrimmed; a
// new one goes in there, then the list is cut to `limit` from the other end.
void UpdateHistoryList(const std::string& text, std::vector<std::string>& list, int limit, bool atTop,
                       TSameText same);

// A history list to store where another window may have stored its own since
// this one read the file: this window's entries first, then those of the
// file's (`stored`) that it lacks, in their order, at most `limit` in all.
std::vector<std::string> MergeHistoryLists(const std::vector<std::string>& mine, const std::vector<std::string>& stored,
                                           int limit, TSameText same);

// An integer as the settings reader takes it: leading blanks, a sign, decimal
// digits, or hexadecimal after "$" or "0x"; anything else, or a number outside
// 32 bits, gives `fallback`.
std::int32_t ReadProfileInteger(const std::string& text, std::int32_t fallback);

// The column widths stored as comma text: six entries, each an integer (50 when
// it isn't one); any other number of entries gives nothing.
std::optional<std::array<int, 6>> ReadColumnWidths(const std::string& text);

}  // namespace sorvik
