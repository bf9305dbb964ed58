#include "MessageText.h"

#include <algorithm>

#include "Gdi.h"
#include "WinText.h"

namespace sorvik {

namespace {

constexpr std::wstring_view kEllipsis = L"...";

bool IsBreak(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r'; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The run with `keep` of its characters, half from each end, around the ellipsis.
std::wstring Shortened(std::wstring_view run, std::size_t keep) {
  std::size_t head = keep / 2, tail = keep - head;
  if (head > 0 && IsLowSurrogate(run[head])) --head;  // a pair stays whole, or goes
  if (tail > 0 && IsLowSurrogate(run[run.size() - tail])) --tail;
  std::wstring out(run.substr(0, head));
  out += kEllipsis;
  out += run.substr(run.size() - tail);
  return out;
}

// The run as it fits `maxWidth`: whole, or with the most characters kept that
// fit (none at all when not even the ellipsis does).
std::wstring FitRun(std::wstring_view run, int maxWidth, const std::function<int(std::wstring_view)>& width) {
  if (width(run) <= maxWidth) return std::wstring(run);
  std::size_t fits = 0, tooMany = run.size();  // the width grows with what is kept
  while (tooMany - fits > 1) {
    const std::size_t keep = fits + (tooMany - fits) / 2;
    if (width(Shortened(run, keep)) <= maxWidth)
      fits = keep;
    else
      tooMany = keep;
  }
  return Shortened(run, fits);
}

}  // namespace

std::wstring FitMessageText(const std::wstring& text, int maxWidth,
                            const std::function<int(std::wstring_view)>& width) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (IsBreak(text[i])) {
      out += text[i++];
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && !IsBreak(text[end])) ++end;
    out += FitRun(std::wstring_view(text).substr(i, end - i), maxWidth, width);
    i = end;
  }
  return out;
}

std::wstring MessageTextFor(HWND owner, const std::wstring& text) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY), &monitor)) return text;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return text;
  const UniqueGdiObject font(CreateFontIndirectW(&metrics.lfMessageFont));
  const TWindowDC dc(nullptr);
  if (!font || !dc) return text;
  const TSelected selected(dc.get(), font.get());
  const auto width = [&](std::wstring_view run) {
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), run.data(), static_cast<int>(run.size()), &size);
    return static_cast<int>(size.cx);
  };
  return FitMessageText(text, (monitor.rcWork.right - monitor.rcWork.left) / 2, width);
}

int ShowMessage(HWND owner, const std::string& text, UINT type) {
  return MessageBoxW(owner, MessageTextFor(owner, Widen(text)).c_str(), L"Sorvik", type);
}

}  // namespace sorvik
