// Alt and a letter underlined in a caption of a page: a label puts the focus in
// its field (the next control that takes the focus, its text selected so that
// typing replaces it); a button is pressed.
#pragma once

#include <windows.h>

namespace sorvik {

// True when a caption of the page's controls had the letter (compared without
// regard to case); false when none had it or its control is disabled.
bool PressMnemonic(HWND page, wchar_t letter);

}  // namespace sorvik
