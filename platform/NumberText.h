// Unsigned digit runs read with an upper bound: the one digit loop, and its
// overflow check, behind every integer reader. Each reader keeps its own
// signs, prefixes, blanks and failure value around it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace sorvik {

inline constexpr std::uint64_t kNoDigitLimit = std::numeric_limits<std::uint64_t>::max();

struct TDigitRun {
  std::uint64_t Value = 0;
  std::size_t Length = 0;  // digits taken; 0 when the text doesn't start with one
};

// The decimal digits at the start of `text`, at most `maxDigits` of them;
// nothing when their value would go above `limit`.
std::optional<TDigitRun> ReadDecimalRun(std::string_view text, std::uint64_t limit = kNoDigitLimit,
                                        std::size_t maxDigits = std::string_view::npos);

// The whole text as decimal digits (at least one), or as hexadecimal digits of
// either case, not above `limit`; nothing otherwise.
std::optional<std::uint64_t> ReadDecimal(std::string_view text, std::uint64_t limit = kNoDigitLimit);
std::optional<std::uint64_t> ReadHex(std::string_view text, std::uint64_t limit = kNoDigitLimit);

}  // namespace sorvik
