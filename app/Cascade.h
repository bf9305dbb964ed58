// Where a new main window goes when others of the program stand where it was
// asked to go: down and right by a step, as the system cascades windows,
// until no other window's top left corner is there; back to the work area's
// top left when the next step would leave it; and when the work area holds no
// free place on the way (a window as large as the screen), one step off the
// asked place all the same.
#pragma once

#include <vector>

namespace sorvik {

struct TCorner {
  int X = 0, Y = 0;
  bool operator==(const TCorner&) const = default;
};

// `asked`: the window's top left; `width`, `height`: its size; `taken`: the
// top left corners of the program's other windows; `step`: the caption's
// height with the frame; the work area from `workLeft`, `workTop` to
// `workRight`, `workBottom`.
TCorner CascadePlace(TCorner asked, int width, int height, const std::vector<TCorner>& taken, int step, int workLeft,
                     int workTop, int workRight, int workBottom);

}  // namespace sorvik
