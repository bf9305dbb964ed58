// Date-time texts as each locale writes them, read back. Pure text: run
// natively and under Wine alike.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "DateText.h"
#include "DosTime.h"

#ifdef _WIN32
#include <windows.h>

#include "WinText.h"
#include "WinTime.h"
#endif

namespace sorvik {
namespace {

struct TMoment {
  int Year, Month, Day, Hour, Minute, Second;
};

// The first character of a UTF-8 text.
std::string FirstChar(const std::string& text) {
  if (text.empty()) return text;
  std::size_t n = 1;
  while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) ++n;
  return text.substr(0, n);
}

std::string Number(int value, int width) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
  return buffer;
}

// The text of the field `letter` written `count` times, as the Windows date
// and time formatting functions write it.
std::string FieldText(char letter, int count, const TMoment& m, const std::string& am, const std::string& pm) {
  const int h12 = m.Hour % 12 == 0 ? 12 : m.Hour % 12;
  const std::string& marker = m.Hour < 12 ? am : pm;
  switch (letter) {
    case 'd': return Number(m.Day, count >= 2 ? 2 : 1);
    case 'M': return Number(m.Month, count >= 2 ? 2 : 1);
    case 'y': return count >= 3 ? Number(m.Year, 4) : Number(m.Year % 100, count);
    case 'g': return "A.D.";
    case 'h': return Number(h12, count >= 2 ? 2 : 1);
    case 'H': return Number(m.Hour, count >= 2 ? 2 : 1);
    case 'm': return Number(m.Minute, count >= 2 ? 2 : 1);
    case 's': return Number(m.Second, count >= 2 ? 2 : 1);
    case 't': return count >= 2 ? marker : FirstChar(marker);
    default: return std::string(static_cast<std::size_t>(count), letter);
  }
}

// A pattern filled in: quoted text as is ('' for a quote), runs of the
// `letters` as fields, anything else as is.
std::string Write(std::string_view pattern, std::string_view letters, const TMoment& m, const std::string& am,
                  const std::string& pm) {
  std::string out;
  bool quoted = false;
  for (std::size_t i = 0; i < pattern.size();) {
    if (pattern.substr(i, 2) == "''") {
      out += '\'';
      i += 2;
    } else if (pattern[i] == '\'') {
      quoted = !quoted;
      ++i;
    } else if (!quoted && letters.find(pattern[i]) != std::string_view::npos) {
      std::size_t end = i;
      while (end < pattern.size() && pattern[end] == pattern[i]) ++end;
      out += FieldText(pattern[i], static_cast<int>(end - i), m, am, pm);
      i = end;
    } else {
      out += pattern[i++];
    }
  }
  return out;
}

struct TLocale {
  const char* Name;
  const char* ShortDate;
  const char* Time;
  const char* AM;
  const char* PM;
};

// The way the program writes a date-time: the short date, a blank and the
// time, the time left out at midnight.
std::string WriteDateTime(const TLocale& l, const TMoment& m) {
  std::string text = Write(l.ShortDate, "dMyg", m, l.AM, l.PM);
  if (m.Hour != 0 || m.Minute != 0 || m.Second != 0) text.append(" ").append(Write(l.Time, "hHmst", m, l.AM, l.PM));
  return text;
}

std::int64_t Milliseconds(double dateTime) { return std::llround(dateTime * 86400000.0); }

std::int64_t Milliseconds(const TMoment& m) {
  return Milliseconds(DateTimeOfDay(m.Year, m.Month, m.Day)) +
         (m.Hour * 3600 + m.Minute * 60 + m.Second) * std::int64_t{1000};
}

const TLocale kLocales[] = {
    {"en-US", "M/d/yyyy", "h:mm:ss tt", "AM", "PM"},
    {"en-US short year", "M/d/yy", "hh:mm tt", "AM", "PM"},
    {"one-letter marker", "d/M/yyyy", "h:mm:ss t", "a.m.", "p.m."},
    {"en-GB", "dd/MM/yyyy", "HH:mm:ss", "am", "pm"},
    {"de-DE", "dd.MM.yyyy", "HH:mm:ss", "", ""},
    {"fr-CA", "yyyy-MM-dd", "HH 'h' mm 'min' ss 's'", "", ""},
    {"hu-HU", "yyyy. MM. dd.", "H:mm:ss", "de.", "du."},
    {"ja-JP", "yyyy/MM/dd", "H:mm:ss", "\xE5\x8D\x88\xE5\x89\x8D", "\xE5\x8D\x88\xE5\xBE\x8C"},
    {"ja-JP long", "yyyy'\xE5\xB9\xB4'M'\xE6\x9C\x88'd'\xE6\x97\xA5'", "tt h:mm:ss", "\xE5\x8D\x88\xE5\x89\x8D",
     "\xE5\x8D\x88\xE5\xBE\x8C"},
    {"zh-CN", "yyyy/M/d", "H:mm:ss", "\xE4\xB8\x8A\xE5\x8D\x88", "\xE4\xB8\x8B\xE5\x8D\x88"},
    {"zh-CN long", "yyyy'\xE5\xB9\xB4'M'\xE6\x9C\x88'd'\xE6\x97\xA5'", "tth:mm:ss", "\xE4\xB8\x8A\xE5\x8D\x88",
     "\xE4\xB8\x8B\xE5\x8D\x88"},
    {"ko-KR", "yyyy-MM-dd", "tt h:mm:ss", "\xEC\x98\xA4\xEC\xA0\x84", "\xEC\x98\xA4\xED\x9B\x84"},
    {"quotes and era", "dd''MM''yyyy gg", "H'h'mm", "", ""},
    {"no separators", "yyyyMMdd", "HHmmss", "", ""},
};

const TLocale& Named(std::string_view name) {
  for (const TLocale& l : kLocales)
    if (name == l.Name) return l;
  throw std::invalid_argument(std::string(name));
}

// Midnight, noon, a minute either side of them, one-digit and two-digit
// fields, a leap day, years either side of 2000.
const TMoment kMoments[] = {
    {2024, 3, 10, 13, 5, 7},  {2001, 1, 2, 0, 0, 0},    {1999, 12, 31, 23, 59, 58}, {2024, 2, 29, 12, 0, 0},
    {2030, 11, 5, 0, 30, 2},  {1980, 7, 4, 9, 8, 6},    {2012, 10, 20, 11, 59, 0},  {2000, 6, 15, 12, 1, 0},
};

TEST(DateText, EveryLocaleReadsBackWhatItWrites) {
  for (const TLocale& l : kLocales) {
    const TDateFormat format = DateFormatFromPatterns(l.ShortDate, l.Time, l.AM, l.PM);
    const bool seconds = std::string_view(l.Time).find('s') != std::string_view::npos;
    for (TMoment m : kMoments) {
      if (!seconds) m.Second = 0;
      const std::string text = WriteDateTime(l, m);
      SCOPED_TRACE(std::string(l.Name).append(": ").append(text));
      const auto value = ReadDateTimeText(text, format, 2026);
      ASSERT_TRUE(value.has_value());
      EXPECT_EQ(Milliseconds(*value), Milliseconds(m));
      // The date alone reads as the date: the conditions' reference days.
      const auto day = ReadDateTimeText(Write(l.ShortDate, "dMyg", m, l.AM, l.PM), format, 2026, true);
      ASSERT_TRUE(day.has_value());
      EXPECT_EQ(Milliseconds(*day), Milliseconds(TMoment{m.Year, m.Month, m.Day, 0, 0, 0}));
      // A time alone is that time on day 0.
      const auto time = ReadDateTimeText(Write(l.Time, "hHmst", m, l.AM, l.PM), format, 2026);
      ASSERT_TRUE(time.has_value());
      EXPECT_EQ(Milliseconds(*time), Milliseconds(TMoment{1899, 12, 30, m.Hour, m.Minute, m.Second}));
    }
  }
  // The writer above writes as Windows does.
  const TMoment m{2024, 3, 10, 13, 5, 7};
  EXPECT_EQ(WriteDateTime(Named("hu-HU"), m), "2024. 03. 10. 13:05:07");
  EXPECT_EQ(WriteDateTime(Named("fr-CA"), m), "2024-03-10 13 h 05 min 07 s");
  EXPECT_EQ(WriteDateTime(Named("ko-KR"), m), "2024-03-10 \xEC\x98\xA4\xED\x9B\x84 1:05:07");
  EXPECT_EQ(WriteDateTime(Named("quotes and era"), m), "10'03'2024 A.D. 13h05");
}

TEST(DateText, TextsTheLocaleDidNotWriteExactly) {
  const TDateFormat hu = DateFormatFromPatterns("yyyy. MM. dd.", "H:mm:ss", "de.", "du.");
  const TDateFormat ko = DateFormatFromPatterns("yyyy-MM-dd", "tt h:mm:ss", "\xEC\x98\xA4\xEC\xA0\x84",
                                                "\xEC\x98\xA4\xED\x9B\x84");
  const TDateFormat ja = DateFormatFromPatterns("yyyy'\xE5\xB9\xB4'M'\xE6\x9C\x88'd'\xE6\x97\xA5'", "H:mm:ss",
                                                "\xE5\x8D\x88\xE5\x89\x8D", "\xE5\x8D\x88\xE5\xBE\x8C");
  auto read = [](const char* text, const TDateFormat& f) { return ReadDateTimeText(text, f, 2026); };
  const double day = DateTimeOfDay(2024, 3, 10);
  const double afternoon = day + 13.5 / 24;
  // Typed forms: the trailing separator or the seconds left out, blanks
  // dropped or doubled, no-break spaces, the marker at the other end.
  EXPECT_EQ(read("2024. 3. 10", hu), day);
  EXPECT_EQ(read("2024.3.10.", hu), day);
  EXPECT_EQ(read("  2024.  03.\xC2\xA0" "10.  13:30 ", hu), afternoon);
  EXPECT_EQ(read("2024-03-10 1:30 \xEC\x98\xA4\xED\x9B\x84", ko), afternoon);
  EXPECT_EQ(read("2024-03-10 13:30:00", ko), afternoon);  // a 24-hour time without a marker
  EXPECT_EQ(read("2024\xE5\xB9\xB4" "3\xE6\x9C\x88" "10\xE6\x97\xA5", ja), day);
  EXPECT_EQ(read("2024\xE5\xB9\xB4" "3\xE6\x9C\x88" "10", ja), day);
  // Texts that don't fit give nothing.
  EXPECT_FALSE(read("2024. 13. 10.", hu));  // no 13th month
  EXPECT_FALSE(read("2024. 02. 30.", hu));
  EXPECT_FALSE(read("2024. 03.", hu));
  EXPECT_FALSE(read("2024. 03. 10. 24:00:00", hu));
  EXPECT_FALSE(read("2024. 03. 10. x", hu));
  EXPECT_FALSE(read("2024-03-10 \xEC\x98\xA4\xED\x9B\x84 13:30:00", ko));  // past 12 with a marker
  EXPECT_FALSE(read("2024\xE5\xB9\xB4" "3\xE6\x9C\x88", ja));
  EXPECT_FALSE(read("2024/3/10", ja));
  EXPECT_FALSE(read("", ja));
  EXPECT_FALSE(ReadDateTimeText("2024. 03. 10. 13:30", hu, 2026, true));  // a time where only a date may be
  // A pattern without a day, a month and a year as numbers (or without an
  // hour) leaves the reader with the en-US one.
  const TDateFormat odd = DateFormatFromPatterns("MMMM yyyy", "mm:ss", "AM", "PM");
  EXPECT_EQ(read("3/10/2024 1:30:00 PM", odd), afternoon);
  EXPECT_EQ(read("3/10/2024 1:30 PM", TDateFormat{}), afternoon);
}

#ifdef _WIN32
// Each locale's texts as the system itself writes them, from the patterns and
// markers the system gives for it.
TEST(DateText, TheSystemsTextsOfEachLocaleReadBack) {
  for (const wchar_t* name : {L"en-US", L"en-GB", L"de-DE", L"fr-CA", L"hu-HU", L"ja-JP", L"zh-CN", L"ko-KR"}) {
    auto info = [name](LCTYPE type) {
      wchar_t buffer[128] = {};
      GetLocaleInfoEx(name, type, buffer, 128);
      return Narrow(buffer);
    };
    const std::string shortDate = info(LOCALE_SSHORTDATE), time = info(LOCALE_STIMEFORMAT);
    const TDateFormat format = DateFormatFromPatterns(shortDate, time, info(LOCALE_S1159), info(LOCALE_S2359));
    for (const TMoment& m : kMoments) {
      const SYSTEMTIME st = ToSystemTime({m.Year, m.Month, m.Day, m.Hour, m.Minute, m.Second});
      wchar_t date[128] = {}, clock[128] = {};
      ASSERT_NE(GetDateFormatEx(name, DATE_SHORTDATE, &st, nullptr, date, 128, nullptr), 0);
      ASSERT_NE(GetTimeFormatEx(name, 0, &st, nullptr, clock, 128), 0);
      std::string text = Narrow(date);
      if (m.Hour != 0 || m.Minute != 0 || m.Second != 0) text.append(" ").append(Narrow(clock));
      SCOPED_TRACE(Narrow(name).append(" ").append(shortDate).append(" | ").append(time).append(": ").append(text));
      const bool seconds = time.find('s') != std::string::npos;
      const auto value = ReadDateTimeText(text, format, 2026);
      ASSERT_TRUE(value.has_value());
      EXPECT_EQ(Milliseconds(*value), Milliseconds(TMoment{m.Year, m.Month, m.Day, m.Hour, m.Minute,
                                                           seconds ? m.Second : 0}));
    }
  }
}
#endif

}  // namespace
}  // namespace sorvik
