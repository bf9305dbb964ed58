#include "WinText.h"

#include <windows.h>

#include <algorithm>

namespace sorvik {

void WidenCodePage(unsigned codePage, const char* text, int length, std::wstring& out) {
  out.clear();
  if (length == 0) return;
  const int n = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
  out.resize(static_cast<std::size_t>(n));
  MultiByteToWideChar(codePage, 0, text, length, out.data(), n);
}

std::wstring WidenCodePage(unsigned codePage, const char* text, int length) {
  std::wstring out;
  WidenCodePage(codePage, text, length, out);
  return out;
}

std::string NarrowCodePage(unsigned codePage, const wchar_t* text, int length) {
  if (length == 0) return {};
  const int n = WideCharToMultiByte(codePage, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, text, length, out.data(), n, nullptr, nullptr);
  return out;
}

std::optional<std::string> NarrowCodePageExact(unsigned codePage, const wchar_t* text, int length) {
  if (length == 0) return std::string();
  BOOL usedDefault = FALSE;
  const int n =
      WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text, length, nullptr, 0, nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return std::nullopt;
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text, length, out.data(), n, nullptr, &usedDefault);
  if (usedDefault) return std::nullopt;
  return out;
}

void Widen(const std::string& utf8, std::wstring& out) {
  WidenCodePage(CP_UTF8, utf8.data(), static_cast<int>(utf8.size()), out);
}

std::wstring Widen(const std::string& utf8) {
  std::wstring out;
  Widen(utf8, out);
  return out;
}

std::string Narrow(const wchar_t* utf16, int length) {
  if (length < 0) length = static_cast<int>(wcslen(utf16));
  return NarrowCodePage(CP_UTF8, utf16, length);
}

int WidenInto(std::string_view utf8, wchar_t* out, int capacity) {
  if (!out || capacity <= 0) return 0;
  int n = 0;
  if (!utf8.empty() && capacity > 1) {
    const int length = static_cast<int>(utf8.size());
    n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, out, capacity - 1);
    if (n == 0) {
      // Too long for the buffer: convert whole, then cut.
      const std::wstring wide = WidenCodePage(CP_UTF8, utf8.data(), length);
      n = static_cast<int>(std::min<std::size_t>(wide.size(), static_cast<std::size_t>(capacity - 1)));
      wide.copy(out, static_cast<std::size_t>(n));
      // Never half a character: a cut between a surrogate pair drops the first half.
      if (n > 0 && static_cast<std::size_t>(n) < wide.size() && out[n - 1] >= 0xD800 && out[n - 1] <= 0xDBFF) --n;
    }
  }
  out[n] = L'\0';
  return n;
}

}  // namespace sorvik
