// The program's message boxes, whose every line fits the screen: a path (or any
// text without a blank) wider than a box should grow keeps its beginning and
// its end and loses its middle to an ellipsis.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace sorvik {

// The text a message box shows for `text`: each run of characters without a
// blank or a line break that is wider than `maxWidth` pixels (as `width`
// measures a text) is cut in the middle, where "..." stands for what it lost,
// to the most characters that fit (the ellipsis alone when none do); all else
// stays. A surrogate pair is never split.
std::wstring FitMessageText(const std::wstring& text, int maxWidth,
                            const std::function<int(std::wstring_view)>& width);

// FitMessageText for a message box of `owner`: runs at most half as wide as
// the work area of its monitor, measured in the system's message font, which
// message boxes use. A message box wraps its lines at blanks, so it stays on the screen.
std::wstring MessageTextFor(HWND owner, const std::wstring& text);

// A message box captioned "Sorvik" with the text (UTF-8) fitted; what MessageBoxW returns.
int ShowMessage(HWND owner, const std::string& text, UINT type);

}  // namespace sorvik
