// Controls placed by their design rectangles (pixels at 96 DPI): at a DPI and a
// window width beyond the design width, the stretching ones widen by that
// difference and the following ones move right by it; the others stay. In a
// narrower window a following control moves left with the end of the stretching
// control added before it, and stops where that one has no width left.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace sorvik {

enum class TAnchor : std::uint8_t { Fixed, Stretch, Follow };

struct TPlace {
  HWND Control;
  RECT Design;
  TAnchor Anchor;
  int Leftmost = 0;  // following: the design left edge it stops at
};

// Where a place goes at `dpi`, with the window `extraWidth` pixels (at that
// DPI) wider than its design width; a width never below 0, a following place
// never left of its Leftmost. Its design edges are
// scaled, so places that meet or line up at 96 DPI do so at every DPI.
RECT PlacedRect(const TPlace& place, UINT dpi, int extraWidth);

class TLayoutTable {
 public:
  // Adds the control at its design rectangle; returns the control.
  HWND Add(HWND control, int x, int y, int cx, int cy, TAnchor anchor = TAnchor::Fixed);
  // Moves every control to its place.
  void Apply(UINT dpi, int extraWidth) const;

 private:
  std::vector<TPlace> Places_;
  int StretchWidth_ = 0;  // the design width of the stretching control added last
};

}  // namespace sorvik
