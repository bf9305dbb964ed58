// How the main window's height is shared out under the toolbar: the search
// panel, the results list and the hit pane. The list always keeps its least
// height (several rows) while the window has it: the hit pane gives way first,
// then the panel, down to its own least. The pane's height goes with the room
// it shares with the list, so a resize keeps the two in proportion.
#pragma once

namespace sorvik {

struct TListPaneHeights {
  int List = 0;
  int Pane = 0;
};

// The list's and the pane's heights in `room` (the splitter between them not
// counted): the pane takes its share of the room, rounded, but no more than
// leaves the list `listLeast` and no less than `paneLeast` while the room has
// both; a room under `listLeast` is the list's alone. Heights never go below 0
// and always add up to the room.
TListPaneHeights ShareListAndPane(int room, double paneShare, int listLeast, int paneLeast);

// The pane's share of the room from the heights shown (0 to 1; 0 for no room).
double PaneShareOf(int pane, int room);

// The search panel's height: the one asked, as far as `room` (the client
// height less the toolbar, the splitters and the status bar) leaves the list
// `listLeast`; never under `panelLeast`.
int PanelHeightShown(int asked, int panelLeast, int room, int listLeast);

}  // namespace sorvik
