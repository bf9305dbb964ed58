#include "NumberText.h"

namespace sorvik {

namespace {

// The value of a digit in base 10 or 16, or -1.
int DigitValue(char c, unsigned base) {
  if (c >= '0' && c <= '9') return c - '0';
  if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<TDigitRun> ReadRun(std::string_view text, unsigned base, std::uint64_t limit, std::size_t maxDigits) {
  TDigitRun run;
  // value * base + digit > limit, without a division a digit (a library call
  // on 32-bit Windows): a value past limit / base is past it whatever the digit.
  const std::uint64_t most = limit / base;
  while (run.Length < text.size() && run.Length < maxDigits) {
    const int d = DigitValue(text[run.Length], base);
    if (d < 0) break;
    const auto digit = static_cast<std::uint64_t>(d);
    if (digit > limit || run.Value > most || run.Value * base > limit - digit) return std::nullopt;
    run.Value = run.Value * base + digit;
    ++run.Length;
  }
  return run;
}

std::optional<std::uint64_t> ReadWhole(std::string_view text, unsigned base, std::uint64_t limit) {
  const auto run = ReadRun(text, base, limit, std::string_view::npos);
  if (!run || run->Length == 0 || run->Length != text.size()) return std::nullopt;
  return run->Value;
}

}  // namespace

std::optional<TDigitRun> ReadDecimalRun(std::string_view text, std::uint64_t limit, std::size_t maxDigits) {
  return ReadRun(text, 10, limit, maxDigits);
}

std::optional<std::uint64_t> ReadDecimal(std::string_view text, std::uint64_t limit) {
  return ReadWhole(text, 10, limit);
}

std::optional<std::uint64_t> ReadHex(std::string_view text, std::uint64_t limit) { return ReadWhole(text, 16, limit); }

}  // namespace sorvik
