// Our own busy animation, for systems whose shell has no find-file animation:
// eight frames of a magnifying glass circling, drawn in code.
#pragma once

#include <windows.h>

#include "Window.h"

namespace sorvik {

class TBusyAnimation : public TWindow {
 public:
  static constexpr const wchar_t* kClassName = L"SorvikBusyAnimation";
  TBusyAnimation(HWND parent, int id, int x, int y, int cx, int cy);
  void SetActive(bool active);
  int Frame() const { return Frame_; }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void Paint(HDC dc);
  int Frame_ = 0;
  bool Active_ = false;
};

}  // namespace sorvik
