#include "BusyAnimation.h"

#include <algorithm>
#include <cmath>

#include "Gdi.h"
#include "Win32Handles.h"

namespace sorvik {

namespace {
constexpr UINT_PTR kTimer = 1;
constexpr int kFrames = 8;
}  // namespace

TBusyAnimation::TBusyAnimation(HWND parent, int id, int x, int y, int cx, int cy) {
  RegisterClassOnce(kClassName);
  CreateHandle(kClassName, L"", WS_CHILD | WS_VISIBLE, 0, x, y, cx, cy, parent,
               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

void TBusyAnimation::SetActive(bool active) {
  if (active == Active_ || !Handle()) return;
  Active_ = active;
  if (active) {
    SetTimer(Handle(), kTimer, 120, nullptr);
  } else {
    KillTimer(Handle(), kTimer);
    Frame_ = 0;
  }
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TBusyAnimation::Paint(HDC dc) {
  RECT r;
  GetClientRect(Handle(), &r);
  // The glass circles the centre; at rest it stands in frame 0. Drawn for a
  // 22-pixel-high control and scaled to the real one.
  const double k = r.bottom / 22.0;
  auto px = [k](double v) { return static_cast<int>(std::lround(v * k)); };
  const double angle = Frame_ * 2 * 3.14159265358979 / kFrames;
  const int cx = (r.right / 2) + px(6 * std::cos(angle));
  const int cy = (r.bottom / 2) + px(4 * std::sin(angle));
  UniqueGdiObject pen(CreatePen(PS_SOLID, std::max(2, px(2)), RGB(30, 60, 140)));
  UniqueGdiObject fill(CreateSolidBrush(RGB(170, 210, 240)));
  const TSelected usePen(dc, pen.get()), useFill(dc, fill.get());
  Ellipse(dc, cx - px(5), cy - px(5), cx + px(5), cy + px(5));
  MoveToEx(dc, cx + px(4), cy + px(4), nullptr);
  LineTo(dc, cx + px(8), cy + px(8));
}

LRESULT TBusyAnimation::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      Frame_ = (Frame_ + 1) % kFrames;
      InvalidateRect(Handle(), nullptr, TRUE);
      return 0;
    case WM_PAINT: {
      const TPaintDC dc(Handle());
      Paint(dc.get());
      return 0;
    }
    default: return TWindow::HandleMessage(msg, wp, lp);
  }
}

}  // namespace sorvik
