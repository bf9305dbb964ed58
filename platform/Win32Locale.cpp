#include <windows.h>

#include <optional>
#include <utility>

#include "DateMath.h"
#include "DateText.h"
#include "Locale.h"
#include "WinTime.h"
#include "WinText.h"

namespace sorvik {

std::string Utf8ToAnsi(const std::string& text) {
  const std::wstring wide = Widen(text);
  return NarrowCodePage(CP_ACP, wide.data(), static_cast<int>(wide.size()));
}

bool Utf8ToAnsiExact(const std::string& text, std::string& out) {
  out.clear();
  // Where the code page is UTF-8 itself, the UTF-8 bytes are searched anyway.
  if (GetACP() == CP_UTF8) return false;
  const std::wstring wide = Widen(text);
  if (wide.empty()) return text.empty();
  std::optional<std::string> ansi = NarrowCodePageExact(CP_ACP, wide.data(), static_cast<int>(wide.size()));
  if (!ansi) return false;
  out = std::move(*ansi);
  // The round trip must give the text back: invalid UTF-8 became U+FFFD.
  return Narrow(wide) == text;
}

char32_t AnsiByteChar(std::uint8_t b) {
  const char c = static_cast<char>(b);
  wchar_t w = 0;
  if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &c, 1, &w, 1) != 1) return b;
  return w;
}

char32_t AnsiPairChar(std::uint8_t lead, std::uint8_t trail) {
  const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  wchar_t w[2] = {};
  if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, pair, 2, w, 2) != 1) return 0xFFFD;
  return w[0];
}

std::uint8_t UpperAnsiByte(std::uint8_t b) {
  char c = static_cast<char>(b);
  CharUpperBuffA(&c, 1);
  return static_cast<std::uint8_t>(c);
}

bool IsAnsiLeadByte(std::uint8_t b) { return IsDBCSLeadByteEx(CP_ACP, b) != FALSE; }

int CompareAnsiIgnoreCase(const std::string& a, const std::string& b) {
  const int r = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                               b.data(), static_cast<int>(b.size()));
  return r - CSTR_EQUAL;
}

std::string DateTimeToStr(const TStamp& s) {
  const SYSTEMTIME st = ToSystemTime(s);
  wchar_t date[128] = {};
  wchar_t time[128] = {};
  // SYSTEMTIME holds years 1601..30827; a real date before that keeps its numbers.
  if (s.Year < 1601 || GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 128) == 0) {
    wsprintfW(date, L"%d/%d/%d", s.Month, s.Day, s.Year);
  }
  std::string text = Narrow(date);
  if (s.Hour != 0 || s.Minute != 0 || s.Second != 0) {
    if (GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, 128) != 0) text.append(" ").append(Narrow(time));
  }
  return text;
}

std::string DecimalSeparator() {
  wchar_t sep[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, 8) == 0) return ".";
  return Narrow(sep);
}

double NowDateTime() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  const double day = DateTimeOfDay(st.wYear, st.wMonth, st.wDay);
  return day + DayFraction(SecondsOfDay(st.wHour, st.wMinute, st.wSecond) + st.wMilliseconds / 1000.0);
}

}  // namespace sorvik

namespace sorvik {

TDateFormat UserDateFormat() {
  auto info = [](LCTYPE type, const char* fallback) {
    wchar_t buffer[128] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 128) == 0) return std::string(fallback);
    return Narrow(buffer);
  };
  return DateFormatFromPatterns(info(LOCALE_SSHORTDATE, "M/d/yyyy"), info(LOCALE_STIMEFORMAT, "h:mm:ss tt"),
                                info(LOCALE_S1159, "AM"), info(LOCALE_S2359, "PM"));
}

}  // namespace sorvik
