#include "LayoutTable.h"

#include <algorithm>

#include "Dpi.h"

namespace sorvik {

RECT PlacedRect(const TPlace& place, UINT dpi, int extraWidth) {
  // The edges are scaled, not the sizes: controls that meet or line up at the
  // design DPI meet and line up at every other.
  const RECT& d = place.Design;
  const int x = place.Anchor == TAnchor::Follow
                    ? std::max(Scale(d.left, dpi) + extraWidth, Scale(place.Leftmost, dpi))
                    : Scale(d.left, dpi);
  const int cx =
      std::max(Scale(d.right, dpi) - Scale(d.left, dpi) + (place.Anchor == TAnchor::Stretch ? extraWidth : 0), 0);
  const int y = Scale(d.top, dpi);
  return RECT{x, y, x + cx, Scale(d.bottom, dpi)};
}

HWND TLayoutTable::Add(HWND control, int x, int y, int cx, int cy, TAnchor anchor) {
  if (anchor == TAnchor::Stretch) StretchWidth_ = cx;
  // A following control keeps its distance from the stretching one's end, as
  // far as that one can give up width.
  Places_.push_back({control, RECT{x, y, x + cx, y + cy}, anchor, anchor == TAnchor::Follow ? x - StretchWidth_ : 0});
  return control;
}

void TLayoutTable::Apply(UINT dpi, int extraWidth) const {
  for (const TPlace& p : Places_) {
    const RECT r = PlacedRect(p, dpi, extraWidth);
    SetWindowPos(p.Control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

}  // namespace sorvik
