#include "Mnemonic.h"

#include <commctrl.h>

#include <cwchar>

#include "Window.h"

namespace sorvik {

bool PressMnemonic(HWND page, wchar_t letter) {
  for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t text[128] = {};
    GetWindowTextW(c, text, 128);
    const wchar_t* mark = wcschr(text, L'&');
    if (!mark || !mark[1] || CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(mark[1]))) !=
                                 CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(letter))))
      continue;
    if (!IsWindowEnabled(c)) return false;
    if (HasClass(c, WC_STATICW)) {
      // A label: its field is the next control that takes the focus.
      for (HWND next = GetWindow(c, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT)) {
        if ((GetWindowLongW(next, GWL_STYLE) & WS_TABSTOP) && IsWindowVisible(next) && IsWindowEnabled(next)) {
          SetFocus(next);
          // Its text selected, so that typing replaces it.
          if (HasClass(next, WC_COMBOBOXW))
            SendMessageW(next, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
          else if (HasClass(next, WC_EDITW))
            SendMessageW(next, EM_SETSEL, 0, -1);
          return true;
        }
      }
      return false;
    }
    SetFocus(c);
    SendMessageW(c, BM_CLICK, 0, 0);
    return true;
  }
  return false;
}

}  // namespace sorvik
