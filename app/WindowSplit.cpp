#include "WindowSplit.h"

#include <algorithm>
#include <cmath>

namespace sorvik {

TListPaneHeights ShareListAndPane(int room, double paneShare, int listLeast, int paneLeast) {
  room = std::max(room, 0);
  const double share = std::isfinite(paneShare) ? std::clamp(paneShare, 0.0, 1.0) : 0.0;
  const int spare = std::max(room - std::max(listLeast, 0), 0);  // what the list can give up
  const int wanted = static_cast<int>(std::lround(share * room));
  const int pane = std::min(std::max(wanted, std::max(paneLeast, 0)), spare);
  return {room - pane, pane};
}

double PaneShareOf(int pane, int room) {
  if (room <= 0) return 0.0;
  return std::clamp(static_cast<double>(pane) / room, 0.0, 1.0);
}

int PanelHeightShown(int asked, int panelLeast, int room, int listLeast) {
  return std::max(panelLeast, std::min(asked, room - listLeast));
}

}  // namespace sorvik
