// Base of our windows: a static window procedure that stores `this` at
// WM_NCCREATE and dispatches to HandleMessage; exceptions never leave it.
#pragma once

#include <windows.h>

#include <string>

namespace sorvik {

class TWindow {
 public:
  virtual ~TWindow();
  TWindow() = default;
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  HWND Handle() const { return Handle_; }

 protected:
  // Registers the class once per process (later calls do nothing).
  static void RegisterClassOnce(const wchar_t* className, HICON icon = nullptr, HBRUSH background = nullptr);
  HWND CreateHandle(const wchar_t* className, const wchar_t* caption, DWORD style, DWORD exStyle, int x, int y,
                    int cx, int cy, HWND parent, HMENU menu);

  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  // Called when a handler threw: the error's message (the general error report).
  virtual void ReportError(const std::string& message);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND Handle_ = nullptr;
};

// Window text as UTF-8, and back.
std::string GetText(HWND hwnd);
void SetText(HWND hwnd, const std::string& text);

// The text of a combo box's list item as UTF-8 (empty for an index outside the list).
std::string ComboItemText(HWND combo, int index);

// Whether the window is of the class (names compared without regard to case).
bool HasClass(HWND hwnd, const wchar_t* className);

}  // namespace sorvik
