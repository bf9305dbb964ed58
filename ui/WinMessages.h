// The program's private window messages.
#pragma once

#include <windows.h>

namespace sorvik {

// Posted to the main window by the search worker when a hand-over waits to run
// on the main thread. wParam: 0. lParam: 0. The window runs the pending hand-over.
constexpr UINT WM_SORVIK_HANDOVER = WM_APP + 1;

// Posted to the hit pane by its job's worker when lines or the job's end wait
// to be taken. wParam: 0. lParam: 0. The pane takes them.
constexpr UINT WM_SORVIK_HITLINES = WM_APP + 2;

// Posted to the main window when the shell's list of small icons has been
// fetched. wParam: 0. lParam: the list (HIMAGELIST). The results list takes it.
constexpr UINT WM_SORVIK_ICONLIST = WM_APP + 3;

// Sent by the system when the window moves to a monitor with another scale
// (WM_DPICHANGED, which older SDK headers lack). wParam: the new DPI in both
// words. lParam: the suggested window rectangle (RECT*).
constexpr UINT WM_DPICHANGED_MSG = 0x02E0;

}  // namespace sorvik
