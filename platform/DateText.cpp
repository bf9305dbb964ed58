#include "DateText.h"

#include <cctype>
#include <cstdint>

#include "DosTime.h"

namespace sorvik {

namespace {

bool IsPatternLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

// The run of separator characters after the first field made of `letters`.
std::string SeparatorAfterField(const std::string& pattern, const std::string& letters) {
  std::size_t i = 0;
  bool quoted = false;
  for (; i < pattern.size(); ++i) {
    if (pattern[i] == '\'') quoted = !quoted;
    else if (!quoted && letters.find(pattern[i]) != std::string::npos) break;
  }
  while (i < pattern.size() && letters.find(pattern[i]) != std::string::npos) ++i;
  std::string sep;
  while (i < pattern.size() && !IsPatternLetter(pattern[i]) && pattern[i] != '\'') sep += pattern[i++];
  return sep;
}

bool StartsWithIgnoringCase(const std::string& text, std::size_t at, const std::string& word) {
  if (word.empty() || text.size() - at < word.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k)
    if (std::toupper(static_cast<unsigned char>(text[at + k])) != std::toupper(static_cast<unsigned char>(word[k])))
      return false;
  return true;
}

class TCursor {
 public:
  explicit TCursor(const std::string& text) : T_(text) {}
  void SkipBlanks() {
    while (P_ < T_.size() && T_[P_] == ' ') ++P_;
  }
  bool AtEnd() const { return P_ >= T_.size(); }
  // A run of up to `maxDigits` digits; its count of digits in `digits`.
  std::optional<int> Number(int maxDigits, int* digits = nullptr) {
    int value = 0, n = 0;
    while (P_ < T_.size() && std::isdigit(static_cast<unsigned char>(T_[P_])) && n < maxDigits) {
      value = value * 10 + (T_[P_++] - '0');
      ++n;
    }
    if (digits) *digits = n;
    if (n == 0) return std::nullopt;
    return value;
  }
  bool Take(const std::string& s) {
    if (s.empty() || T_.compare(P_, s.size(), s) != 0) return false;
    P_ += s.size();
    return true;
  }
  bool TakeIgnoringCase(const std::string& s) {
    if (!StartsWithIgnoringCase(T_, P_, s)) return false;
    P_ += s.size();
    return true;
  }
  bool NextIsDigit() const { return P_ < T_.size() && std::isdigit(static_cast<unsigned char>(T_[P_])); }
  std::size_t Pos() const { return P_; }
  void Seek(std::size_t p) { P_ = p; }

 private:
  const std::string& T_;
  std::size_t P_ = 0;
};

// 0 none, 1 morning, 2 afternoon.
int TakeMarker(TCursor& c, const TDateFormat& f) {
  if (c.TakeIgnoringCase(f.AM)) return 1;
  if (c.TakeIgnoringCase(f.PM)) return 2;
  return 0;
}

std::optional<double> ReadTime(TCursor& c, const TDateFormat& f) {
  int marker = TakeMarker(c, f);
  c.SkipBlanks();
  const auto hour = c.Number(2);
  if (!hour) return std::nullopt;
  int minute = 0;
  double second = 0;
  if (c.Take(f.TimeSeparator)) {
    const auto m = c.Number(2);
    if (!m) return std::nullopt;
    minute = *m;
    if (c.Take(f.TimeSeparator)) {
      const auto s = c.Number(2);
      if (!s) return std::nullopt;
      second = *s;
      if (c.Take(".")) {
        int digits = 0;
        const auto frac = c.Number(3, &digits);
        if (!frac) return std::nullopt;
        second += *frac / (digits == 1 ? 10.0 : digits == 2 ? 100.0 : 1000.0);
      }
    }
  }
  c.SkipBlanks();
  if (marker == 0) marker = TakeMarker(c, f);
  int h = *hour;
  if (marker != 0) {
    if (h < 1 || h > 12) return std::nullopt;
    h = (h % 12) + (marker == 2 ? 12 : 0);
  }
  if (h > 23 || minute > 59 || second >= 60) return std::nullopt;
  return (h * 3600 + minute * 60 + second) / 86400.0;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

}  // namespace

TDateFormat DateFormatFromPatterns(const std::string& shortDate, const std::string& time, const std::string& am,
                                   const std::string& pm) {
  TDateFormat f;
  std::array<char, 3> order{};
  std::size_t n = 0;
  bool quoted = false;
  for (char c : shortDate) {
    if (c == '\'') quoted = !quoted;
    if (quoted || (c != 'd' && c != 'M' && c != 'y')) continue;
    bool seen = false;
    for (std::size_t k = 0; k < n; ++k) seen |= order[k] == c;
    if (!seen && n < 3) order[n++] = c;
  }
  if (n == 3) f.Order = order;
  if (const std::string sep = SeparatorAfterField(shortDate, "dMy"); !sep.empty()) f.DateSeparator = sep;
  if (const std::string sep = SeparatorAfterField(time, "hH"); !sep.empty()) f.TimeSeparator = sep;
  f.AM = am;
  f.PM = pm;
  return f;
}

std::optional<double> ReadDateTimeText(const std::string& text, const TDateFormat& f, int currentYear,
                                       bool dateOnly) {
  TCursor c(text);
  c.SkipBlanks();
  const std::size_t start = c.Pos();
  double value = 0;
  // A date: three numbers joined by the date separator, in the locale's order.
  std::array<int, 3> fields{};
  std::array<int, 3> digits{};
  bool isDate = true;
  for (int i = 0; i < 3 && isDate; ++i) {
    if (i > 0 && !c.Take(f.DateSeparator)) isDate = false;
    else if (auto v = c.Number(f.Order[i] == 'y' ? 4 : 2, &digits[i])) fields[i] = *v;
    else isDate = false;
  }
  if (isDate) {
    int day = 0, month = 0, year = 0, yearDigits = 0;
    for (int i = 0; i < 3; ++i) {
      if (f.Order[i] == 'd') day = fields[i];
      if (f.Order[i] == 'M') month = fields[i];
      if (f.Order[i] == 'y') year = fields[i], yearDigits = digits[i];
    }
    if (yearDigits <= 2) {
      const int pivot = currentYear - 50;
      year += pivot / 100 * 100;
      if (year < pivot) year += 100;
    }
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
    value = DateTimeOfDay(year, month, day);
    c.SkipBlanks();
    if (c.AtEnd()) return value;
    if (dateOnly) return std::nullopt;
  } else {
    if (dateOnly) return std::nullopt;
    c.Seek(start);  // a time alone
  }
  const auto time = ReadTime(c, f);
  if (!time) return std::nullopt;
  c.SkipBlanks();
  if (!c.AtEnd()) return std::nullopt;
  return value + *time;
}

}  // namespace sorvik
