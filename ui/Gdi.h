// Device contexts and selections that put themselves back: a window's paint
// DC between BeginPaint and EndPaint, a window's (or the screen's) DC until it
// is released, and an object selected into a DC until the previous one returns;
// and image lists, destroyed with their owner.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "Win32Handles.h"

namespace sorvik {

using UniqueImageList = UniqueHandle<NullHandleTraits<HIMAGELIST, &ImageList_Destroy>>;

class TPaintDC {
 public:
  explicit TPaintDC(HWND window) : Window_(window), Dc_(BeginPaint(window, &Paint_)) {}
  ~TPaintDC() { EndPaint(Window_, &Paint_); }
  TPaintDC(const TPaintDC&) = delete;
  TPaintDC& operator=(const TPaintDC&) = delete;
  HDC get() const { return Dc_; }

 private:
  HWND Window_;
  PAINTSTRUCT Paint_{};
  HDC Dc_;
};

class TWindowDC {
 public:
  explicit TWindowDC(HWND window) : Window_(window), Dc_(GetDC(window)) {}
  ~TWindowDC() {
    if (Dc_) ReleaseDC(Window_, Dc_);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  HDC get() const { return Dc_; }
  explicit operator bool() const { return Dc_ != nullptr; }

 private:
  HWND Window_;
  HDC Dc_;
};

class TSelected {
 public:
  TSelected(HDC dc, HGDIOBJ object) : Dc_(dc), Previous_(SelectObject(dc, object)) {}
  ~TSelected() {
    if (Previous_) SelectObject(Dc_, Previous_);
  }
  TSelected(const TSelected&) = delete;
  TSelected& operator=(const TSelected&) = delete;

 private:
  HDC Dc_;
  HGDIOBJ Previous_;
};

}  // namespace sorvik
