// Text on the clipboard.
#pragma once

#include <windows.h>

#include <string>

namespace sorvik {

// Puts the text on the clipboard as Unicode text, in place of what it held;
// false when the clipboard can't be opened or take it.
bool PutClipboardText(HWND owner, const std::wstring& text);

}  // namespace sorvik
