#include "Cascade.h"

#include <algorithm>

namespace sorvik {

TCorner CascadePlace(TCorner asked, int width, int height, const std::vector<TCorner>& taken, int step, int workLeft,
                     int workTop, int workRight, int workBottom) {
  // No free place in the work area on the way: one step off the asked one,
  // though the window then stands past the work area's edge.
  const TCorner stepped{asked.X + step, asked.Y + step};
  const bool askedTaken = std::find(taken.begin(), taken.end(), asked) != taken.end();
  TCorner place = asked;
  bool wrapped = false;
  // Each step but a wrap leaves a taken corner behind, and there is one wrap.
  for (std::size_t i = 0; i < 2 * taken.size() + 2; ++i) {
    if (std::find(taken.begin(), taken.end(), place) == taken.end()) return place;
    place = {place.X + step, place.Y + step};
    if (place.X + width > workRight || place.Y + height > workBottom) {
      if (wrapped) return askedTaken && std::find(taken.begin(), taken.end(), stepped) == taken.end() ? stepped : asked;
      wrapped = true;
      place = {workLeft, workTop};
    }
  }
  return askedTaken && std::find(taken.begin(), taken.end(), stepped) == taken.end() ? stepped : asked;
}

}  // namespace sorvik
