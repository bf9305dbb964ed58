// User commands shared by the toolbar, the main menu and the keyboard: each has
// a caption, a shortcut, a hint, an image, an enabled rule and what it runs.
// The rules are re-evaluated when the application is idle (Update); a disabled
// action can't be run from anywhere (Execute checks the rule first).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "Win32Handles.h"

namespace sorvik {

struct TAction {
  int Id = 0;
  std::wstring Caption;
  BYTE KeyFlags = 0;  // FCONTROL | FALT | FSHIFT, with FVIRTKEY added
  WORD Key = 0;       // virtual key, 0 for none
  std::wstring Hint;
  int Image = -1;     // index in the toolbar image list, -1 for none
  std::function<bool()> Enabled;
  std::function<void()> Run;
};

class TActionList {
 public:
  TAction& Add(TAction action);
  const TAction* Find(int id) const;
  // Runs the action when its rule allows it; false when it is unknown or disabled.
  bool Execute(int id);
  bool IsEnabled(int id) const;
  // Re-evaluates every rule and shows the result on the toolbar buttons and menu items.
  void Update(HWND toolbar, HMENU menu);
  // The menu text of an action: caption, then a tab and its shortcut.
  std::wstring MenuText(int id) const;
  // Accelerators for every action with a shortcut, plus `extra` entries.
  HACCEL CreateAccelerators(const std::vector<ACCEL>& extra) const;

  // Menu items of actions with an image show it where a check mark would
  // stand: the items are marked for the owner to draw (WM_MEASUREITEM,
  // WM_DRAWITEM), and every item's text starts after that one column.
  void ShowImagesIn(HMENU menu) const;
  // The owner's answers for those items, from the image list at its size;
  // false for items that aren't an action's image.
  bool MeasureMenuImage(MEASUREITEMSTRUCT& item, int size) const;
  bool DrawMenuImage(const DRAWITEMSTRUCT& item, HIMAGELIST images, int size) const;

 private:
  std::vector<TAction> Actions_;
};

// "Ctrl+Alt+S" for the flags and key.
std::wstring ShortcutText(BYTE flags, WORD key);

}  // namespace sorvik
