// Windows-1252 and en-US defaults for platforms without the Windows locale services.
#include <array>
#include <cstdio>
#include <ctime>

#include "Ascii.h"
#include "DateMath.h"
#include "DateText.h"
#include "Locale.h"

namespace sorvik {

namespace {

// Unicode code points of bytes 0x80..0x9F in Windows-1252 (0 where the byte
// is unassigned; Windows maps the C1 control with the same value there).
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The byte for cp in Windows-1252, or -1 when it has none.
int Cp1252Byte(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
    if (kCp1252High[i] == cp) return static_cast<int>(0x80 + i);
    if (kCp1252High[i] == 0 && cp == 0x80 + i) return static_cast<int>(cp);
  }
  return -1;
}

}  // namespace

std::string Utf8ToAnsi(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t cp = 0;
    const std::size_t len = Utf8CharAt(text, i, cp);
    if (len == 0) {
      out += '?';
      ++i;
      continue;
    }
    const int b = Cp1252Byte(cp);
    out += b < 0 ? '?' : static_cast<char>(b);
    i += len;
  }
  return out;
}

bool Utf8ToAnsiExact(const std::string& text, std::string& out) {
  out.clear();
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t cp = 0;
    const std::size_t len = Utf8CharAt(text, i, cp);
    const int b = len ? Cp1252Byte(cp) : -1;
    if (b < 0) return false;
    out += static_cast<char>(b);
    i += len;
  }
  return true;
}

char32_t AnsiByteChar(std::uint8_t b) {
  if (b < 0x80 || b >= 0xA0) return b;
  const char16_t c = kCp1252High[b - 0x80];
  return c ? c : b;
}

// Windows-1252 has no lead bytes.
char32_t AnsiPairChar(std::uint8_t, std::uint8_t) { return 0xFFFD; }

std::uint8_t UpperAnsiByte(std::uint8_t b) {
  if (b < 0x80) return AsciiUpper(b);
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return b - 32;
  switch (b) {
    case 0x9A: return 0x8A;  // š
    case 0x9C: return 0x8C;  // œ
    case 0x9E: return 0x8E;  // ž
    case 0xFF: return 0x9F;  // ÿ
    default: return b;
  }
}

bool IsAnsiLeadByte(std::uint8_t) { return false; }  // Windows-1252 is single-byte

int CompareAnsiIgnoreCase(const std::string& a, const std::string& b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const int x = UpperAnsiByte(static_cast<std::uint8_t>(a[i]));
    const int y = UpperAnsiByte(static_cast<std::uint8_t>(b[i]));
    if (x != y) return x - y;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

std::string DateTimeToStr(const TStamp& s) {
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%d/%d/%d", s.Month, s.Day, s.Year);
  if (s.Hour != 0 || s.Minute != 0 || s.Second != 0) {
    const int h12 = s.Hour % 12 == 0 ? 12 : s.Hour % 12;
    std::snprintf(buf + n, sizeof buf - n, " %d:%02d:%02d %s", h12, s.Minute, s.Second,
                  s.Hour < 12 ? "AM" : "PM");
  }
  return buf;
}

std::string DecimalSeparator() { return "."; }

double NowDateTime() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::tm tm{};
  localtime_r(&ts.tv_sec, &tm);
  const double day = DateTimeOfDay(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  return day + DayFraction(SecondsOfDay(tm.tm_hour, tm.tm_min, tm.tm_sec) + ts.tv_nsec / 1e9);
}

}  // namespace sorvik

namespace sorvik {

TDateFormat UserDateFormat() { return DateFormatFromPatterns("M/d/yyyy", "h:mm:ss tt", "AM", "PM"); }

}  // namespace sorvik
