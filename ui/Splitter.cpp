#include "Splitter.h"

#include <windowsx.h>

namespace sorvik {

TSplitter::TSplitter(HWND parent, int id) {
  RegisterClassOnce(kClassName);
  CreateHandle(kClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 10, 3, parent,
               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

int TSplitter::ParentY(LPARAM lp) const {
  // The bar moves while it is dragged: distances are taken in the parent's
  // client area, which stays.
  POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  MapWindowPoints(Handle(), GetParent(Handle()), &pt, 1);
  return pt.y;
}

LRESULT TSplitter::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETCURSOR:
      SetCursor(LoadCursorW(nullptr, IDC_SIZENS));
      return TRUE;
    case WM_LBUTTONDOWN:
      Dragging_ = true;
      StartY_ = ParentY(lp);
      SetCapture(Handle());
      if (OnBeginDrag) OnBeginDrag();
      return 0;
    case WM_MOUSEMOVE:
      if (Dragging_ && OnDrag) OnDrag(ParentY(lp) - StartY_);
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (Dragging_) {
        Dragging_ = false;
        if (GetCapture() == Handle()) ReleaseCapture();
      }
      return 0;
    default: return TWindow::HandleMessage(msg, wp, lp);
  }
}

}  // namespace sorvik
