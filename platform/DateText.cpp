#include "DateText.h"

#include <array>
#include <cctype>
#include <cstdint>
#include <limits>

#include "DateMath.h"
#include "DosTime.h"
#include "NumberText.h"

namespace sorvik {

namespace {

// Texts that count as blanks: the space, the no-break and narrow no-break
// spaces, and the left-to-right and right-to-left marks, in UTF-8.
constexpr std::array<std::string_view, 5> kBlanks = {" ", "\xC2\xA0", "\xE2\x80\xAF", "\xE2\x80\x8E", "\xE2\x80\x8F"};

// The length of the wide blank at `at`, or 0.
std::size_t WideBlankAt(std::string_view text, std::size_t at) {
  for (std::string_view blank : kBlanks)
    if (text.substr(at, blank.size()) == blank) return blank.size();
  return 0;
}

// The length of the blank at `at`, or 0. Asked at nearly every character a
// sort reads, so the common answers come without a call.
[[gnu::always_inline]] inline std::size_t BlankAt(std::string_view text, std::size_t at) {
  if (at >= text.size()) return 0;
  // Every blank but the space starts with one of two lead bytes.
  const auto first = static_cast<unsigned char>(text[at]);
  if (first == ' ') return 1;
  if (first != 0xC2 && first != 0xE2) return 0;
  return WideBlankAt(text, at);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k)
    if (AsciiUpper(a[k]) != AsciiUpper(b[k])) return false;
  return true;
}

bool IsNumberField(const TPatternPart& p) {
  switch (p.Field) {
    case 'd':
    case 'M': return p.Width <= 2;
    case 'y':
    case 'h':
    case 'H':
    case 'm':
    case 's': return true;
    default: return false;
  }
}

// A word the reader passes over: an era or a weekday name.
bool IsSkippedWord(const TPatternPart& p) { return p.Field == 'g' || (p.Field == 'd' && p.Width > 2); }

class TCursor {
 public:
  explicit TCursor(std::string_view text) : T_(text) {}
  void SkipBlanks() {
    while (const std::size_t n = BlankAt(T_, P_)) P_ += n;
  }
  bool AtEnd() const { return P_ >= T_.size(); }
  bool NextIsDigit() const { return P_ < T_.size() && IsDigit(T_[P_]); }
  // A run of up to `maxDigits` digits; its count of digits in `digits`.
  std::optional<int> Number(int maxDigits, int* digits = nullptr) {
    const auto run = ReadDecimalRun(T_.substr(P_), std::numeric_limits<int>::max(),
                                    static_cast<std::size_t>(maxDigits));
    const int n = run ? static_cast<int>(run->Length) : 0;
    if (digits) *digits = n;
    if (n == 0) return std::nullopt;
    P_ += run->Length;
    return static_cast<int>(run->Value);
  }
  bool TakeIgnoringCase(std::string_view s) {
    if (s.empty() || !SameIgnoringCase(T_.substr(P_, s.size()), s)) return false;
    P_ += s.size();
    return true;
  }
  // Literal text: its blanks stand for any run of blanks (none included), and
  // blanks may come before the rest of it.
  bool TakeLiteral(std::string_view literal) {
    std::size_t i = 0;
    while (i < literal.size()) {
      SkipBlanks();
      if (const std::size_t n = BlankAt(literal, i)) {
        i += n;
        continue;
      }
      std::size_t end = i;
      while (end < literal.size() && BlankAt(literal, end) == 0) ++end;
      if (!TakeIgnoringCase(literal.substr(i, end - i))) return false;
      i = end;
    }
    return true;
  }
  // Anything up to a digit, a blank or `stop` (when not empty).
  void SkipWord(std::string_view stop) {
    while (P_ < T_.size() && !IsDigit(T_[P_]) && BlankAt(T_, P_) == 0 &&
           (stop.empty() || T_.substr(P_, stop.size()) != stop))
      ++P_;
  }
  std::size_t Pos() const { return P_; }
  void Seek(std::size_t p) { P_ = p; }

 private:
  std::string_view T_;
  std::size_t P_ = 0;
};

// The first run of non-blank text in a literal part after `i`, or nothing.
std::string_view NextLiteralWord(const std::vector<TPatternPart>& parts, std::size_t i) {
  if (i + 1 >= parts.size() || parts[i + 1].Field != 0) return {};
  std::string_view text = parts[i + 1].Text;
  std::size_t start = 0;
  while (start < text.size())
    if (const std::size_t n = BlankAt(text, start)) start += n;
    else break;
  std::size_t end = start;
  while (end < text.size() && BlankAt(text, end) == 0) ++end;
  return text.substr(start, end - start);
}

// How many digits the number field at `i` may take: its pattern's width when
// another number follows at once ("yyyyMMdd"), else two (four for a year).
int MaxDigits(const std::vector<TPatternPart>& parts, std::size_t i) {
  const bool joined = i + 1 < parts.size() && IsNumberField(parts[i + 1]);
  if (joined) return parts[i].Width < 1 ? 1 : parts[i].Width > 4 ? 4 : parts[i].Width;
  return parts[i].Field == 'y' ? 4 : 2;
}

// The first character of a UTF-8 text.
std::string_view FirstChar(std::string_view text) {
  std::size_t n = text.empty() ? 0 : 1;
  while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) ++n;
  return text.substr(0, n);
}

// 0 none, 1 morning, 2 afternoon. A "t" pattern writes only the marker's first
// character; when both markers start alike, that one can't tell them apart.
int TakeMarker(TCursor& c, const TDateFormat& f) {
  c.SkipBlanks();
  if (c.TakeIgnoringCase(f.AM)) return 1;
  if (c.TakeIgnoringCase(f.PM)) return 2;
  const std::string_view am = FirstChar(f.AM), pm = FirstChar(f.PM);
  if (SameIgnoringCase(am, pm)) return 0;
  if (c.TakeIgnoringCase(am)) return 1;
  if (c.TakeIgnoringCase(pm)) return 2;
  return 0;
}

int FullYear(int year, int digits, int currentYear) {
  if (digits > 2) return year;
  const int pivot = currentYear - 50;
  year += pivot / 100 * 100;
  if (year < pivot) year += 100;
  return year;
}

struct TDateRead {
  bool Matched = false;         // the text has the date's shape
  std::optional<double> Value;  // and names a real day
};

TDateRead ReadDate(TCursor& c, const std::vector<TPatternPart>& parts, int currentYear) {
  std::size_t lastNumber = 0;
  for (std::size_t i = 0; i < parts.size(); ++i)
    if (IsNumberField(parts[i])) lastNumber = i;
  int day = 0, month = 0, year = 0, yearDigits = 0;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const TPatternPart& p = parts[i];
    if (p.Field == 0) {
      const std::size_t before = c.Pos();
      if (c.TakeLiteral(p.Text)) continue;
      if (i < lastNumber) return {};
      c.Seek(before);  // literal text after the date may be left out
    } else if (IsSkippedWord(p)) {
      c.SkipBlanks();
      c.SkipWord(NextLiteralWord(parts, i));
    } else if (IsNumberField(p)) {
      c.SkipBlanks();
      int digits = 0;
      const auto v = c.Number(MaxDigits(parts, i), &digits);
      if (!v) return {};
      if (p.Field == 'd') day = *v;
      if (p.Field == 'M') month = *v;
      if (p.Field == 'y') year = *v, yearDigits = digits;
    }
  }
  year = FullYear(year, yearDigits, currentYear);
  if (year < 1 || !IsCalendarDay(year, month, day)) return {true, {}};
  return {true, DateTimeOfDay(year, month, day)};
}

// Seconds' decimals after a point, when there are any.
bool ReadSecondFraction(TCursor& c, double& second) {
  const std::size_t before = c.Pos();
  if (!c.TakeIgnoringCase(".") || !c.NextIsDigit()) {
    c.Seek(before);
    return true;
  }
  int digits = 0;
  const auto frac = c.Number(3, &digits);
  if (c.NextIsDigit()) return false;
  second += *frac / (digits == 1 ? 10.0 : digits == 2 ? 100.0 : 1000.0);
  return true;
}

std::optional<double> ReadTime(TCursor& c, const TDateFormat& f) {
  int marker = TakeMarker(c, f);
  std::optional<int> hour;
  int minute = 0;
  double second = 0;
  // The text may stop after any field: what it leaves out counts as zero.
  for (std::size_t i = 0; i < f.Time.size(); ++i) {
    const TPatternPart& p = f.Time[i];
    const std::size_t before = c.Pos();
    if (p.Field == 0) {
      if (!c.TakeLiteral(p.Text)) {
        c.Seek(before);
        break;
      }
    } else if (IsNumberField(p)) {
      c.SkipBlanks();
      const auto v = c.Number(MaxDigits(f.Time, i));
      if (!v) {
        c.Seek(before);
        break;
      }
      if (p.Field == 'h' || p.Field == 'H') hour = *v;
      if (p.Field == 'm') minute = *v;
      if (p.Field == 's') {
        second = *v;
        if (!ReadSecondFraction(c, second)) return std::nullopt;
      }
    }
  }
  if (!hour) return std::nullopt;
  if (marker == 0) marker = TakeMarker(c, f);
  int h = *hour;
  if (marker != 0) {
    if (h < 1 || h > 12) return std::nullopt;
    h = (h % 12) + (marker == 2 ? 12 : 0);
  }
  if (h > 23 || minute > 59 || second >= 60) return std::nullopt;
  // The whole hours and minutes first, then the seconds with their decimals.
  return DayFraction(SecondsOfDay(h, minute, 0) + second);
}

int CountNumberFields(const std::vector<TPatternPart>& parts, std::string_view fields) {
  int n = 0;
  for (const TPatternPart& p : parts)
    if (IsNumberField(p) && fields.find(p.Field) != std::string_view::npos) ++n;
  return n;
}

bool HasOneOfEach(const std::vector<TPatternPart>& parts, std::string_view fields) {
  for (char field : fields)
    if (CountNumberFields(parts, std::string_view(&field, 1)) != 1) return false;
  return true;
}

}  // namespace

std::vector<TPatternPart> SplitPattern(std::string_view pattern, std::string_view fields) {
  std::vector<TPatternPart> parts;
  auto literal = [&parts](std::string_view text) {
    if (parts.empty() || parts.back().Field != 0) parts.push_back({});
    parts.back().Text.append(text);
  };
  bool quoted = false;
  for (std::size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    if (c == '\'') {
      if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
        literal("'");
        i += 2;
      } else {
        quoted = !quoted;
        ++i;
      }
    } else if (!quoted && fields.find(c) != std::string_view::npos) {
      std::size_t end = i;
      while (end < pattern.size() && pattern[end] == c) ++end;
      parts.push_back({c, static_cast<int>(end - i), {}});
      i = end;
    } else {
      literal(pattern.substr(i, 1));
      ++i;
    }
  }
  return parts;
}

TDateFormat DateFormatFromPatterns(const std::string& shortDate, const std::string& time, const std::string& am,
                                   const std::string& pm) {
  TDateFormat f;
  if (auto date = SplitPattern(shortDate, "dMyg"); HasOneOfEach(date, "dMy")) f.Date = std::move(date);
  if (auto clock = SplitPattern(time, "hHmst"); CountNumberFields(clock, "hH") == 1) f.Time = std::move(clock);
  f.AM = am;
  f.PM = pm;
  return f;
}

std::optional<double> ReadDateTimeText(std::string_view text, const TDateFormat& f, int currentYear,
                                       bool dateOnly) {
  TCursor c(text);
  c.SkipBlanks();
  const std::size_t start = c.Pos();
  double value = 0;
  const TDateRead date = ReadDate(c, f.Date, currentYear);
  if (date.Matched) {
    if (!date.Value) return std::nullopt;
    value = *date.Value;
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
