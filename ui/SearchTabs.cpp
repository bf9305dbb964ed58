#include "SearchTabs.h"

#include <commctrl.h>

#include "Window.h"

namespace sorvik {

namespace {

constexpr wchar_t kPageClass[] = L"SorvikPage";

LRESULT CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return GuardMessage(hwnd, msg, LRESULT{0}, [&] {
    if (msg == WM_COMMAND || msg == WM_NOTIFY) return SendMessageW(GetParent(hwnd), msg, wp, lp);
    return DefWindowProcW(hwnd, msg, wp, lp);
  });
}

void RegisterPageClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = PageProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kPageClass;
  RegisterWindowClass(wc);
}

}  // namespace

TSearchTabs::TSearchTabs(HWND parent, int id, HFONT font) {
  RegisterPageClass();
  Tabs_ = CreateChild(parent, WC_TABCONTROLW, L"", WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, id, font);
  TCITEMW tab{};
  tab.mask = TCIF_TEXT;
  tab.pszText = const_cast<wchar_t*>(L"General");
  SendMessageW(Tabs_, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&tab));
  tab.pszText = const_cast<wchar_t*>(L"File Conditions");
  SendMessageW(Tabs_, TCM_INSERTITEMW, 1, reinterpret_cast<LPARAM>(&tab));
  General_ = CreateChild(parent, kPageClass, L"", WS_VISIBLE | WS_CLIPSIBLINGS, 0, font, WS_EX_CONTROLPARENT);
  Conditions_ = CreateChild(parent, kPageClass, L"", WS_CLIPSIBLINGS, 0, font, WS_EX_CONTROLPARENT);
}

HWND TSearchTabs::ShownPage() const {
  return SendMessageW(Tabs_, TCM_GETCURSEL, 0, 0) == 1 ? Conditions_ : General_;
}

SIZE TSearchTabs::FitPages(int left, int top, int width, int height) {
  // The pages stand above the tab control in z-order.
  RECT page{0, 0, width, height};
  TabCtrl_AdjustRect(Tabs_, FALSE, &page);
  for (HWND p : {General_, Conditions_})
    SetWindowPos(p, HWND_TOP, left + page.left, top + page.top, page.right - page.left, page.bottom - page.top,
                 SWP_NOACTIVATE);
  return SIZE{page.right - page.left, page.bottom - page.top};
}

bool TSearchTabs::OnNotify(const NMHDR& hdr) {
  if (hdr.hwndFrom != Tabs_ || hdr.code != TCN_SELCHANGE) return false;
  const HWND shown = ShownPage();
  ShowWindow(General_, shown == General_ ? SW_SHOW : SW_HIDE);
  ShowWindow(Conditions_, shown == Conditions_ ? SW_SHOW : SW_HIDE);
  return true;
}

}  // namespace sorvik
