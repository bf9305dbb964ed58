// The bar between the search panel and the results list: pressing it and
// moving the mouse tells the owner how far the pointer has moved since the
// press, until the button is let go or the capture is lost.
#pragma once

#include <windows.h>

#include <functional>

#include "Window.h"

namespace sorvik {

class TSplitter : public TWindow {
 public:
  static constexpr const wchar_t* kClassName = L"SorvikSplitter";
  TSplitter(HWND parent, int id);

  // A press begins a drag.
  std::function<void()> OnBeginDrag;
  // While dragging: the pointer's vertical distance from the press, in pixels
  // (down is positive), measured in the parent's client area.
  std::function<void(int distance)> OnDrag;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  int ParentY(LPARAM lp) const;
  bool Dragging_ = false;
  int StartY_ = 0;
};

}  // namespace sorvik
