// The search panel's tab control and its two pages ("General", "File
// Conditions"), each page a window of its own laid over the tab control's
// display area. The pages pass their children's commands and notifications on
// to the tab control's parent.
#pragma once

#include <windows.h>

namespace sorvik {

class TSearchTabs {
 public:
  TSearchTabs(HWND parent, int id, HFONT font);
  TSearchTabs(const TSearchTabs&) = delete;
  TSearchTabs& operator=(const TSearchTabs&) = delete;

  HWND Tabs() const { return Tabs_; }
  HWND GeneralPage() const { return General_; }
  HWND ConditionsPage() const { return Conditions_; }
  // The page the selected tab shows.
  HWND ShownPage() const;

  // The pages over the display area of the tab control, which stands (or is
  // about to stand) at `left`, `top`, `width` by `height` in the parent; the
  // pages' size.
  SIZE FitPages(int left, int top, int width, int height);
  // A new tab selected (TCN_SELCHANGE): its page shows. False for other notifications.
  bool OnNotify(const NMHDR& hdr);

 private:
  HWND Tabs_ = nullptr, General_ = nullptr, Conditions_ = nullptr;
};

}  // namespace sorvik
