// Base of our windows: a static window procedure that binds `this` to the
// handle at WM_NCCREATE (WindowBinding.h) and dispatches to HandleMessage; and the one guard that every
// procedure the system calls runs its work through.
#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <utility>

namespace sorvik {

class TWindow {
 public:
  virtual ~TWindow();
  TWindow() = default;
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  HWND Handle() const { return Handle_; }
  // The object of a window made through this class (nullptr for any other window).
  static TWindow* FromHandle(HWND hwnd);

  // The general error report: shows the message in a box captioned "Sorvik".
  virtual void ReportError(const std::string& message);

 protected:
  // Registers the class once per process (later calls do nothing); throws when it can't.
  static void RegisterClassOnce(const wchar_t* className, HICON icon = nullptr, HBRUSH background = nullptr);
  // Creates the window of this object; throws, with the system's reason, when it can't.
  HWND CreateHandle(const wchar_t* className, const wchar_t* caption, DWORD style, DWORD exStyle, int x, int y,
                    int cx, int cy, HWND parent, HMENU menu);

  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND Handle_ = nullptr;
};

// Reports an error caught in a callback of `owner` (UTF-8 text): through the
// ReportError of the window at the root of its parent and owner chain when that
// is one of ours, in a message box otherwise. One report at a time per top-level
// window: a fault met while its report is up (a repaint under the box, say) is
// not reported again. Never throws.
void ReportCallbackError(HWND owner, const char* message) noexcept;

// The guard of every procedure the system calls (window, subclass, dialog, timer
// and hook procedures, enumeration callbacks): returns what `work` returns; an
// exception never unwinds through the system's frames (on i686 that ends the
// program): it is reported for `owner` and `fallback` is returned.
template <class R, class Work>
R GuardCallback(HWND owner, R fallback, Work&& work) noexcept {
  try {
    return std::forward<Work>(work)();
  } catch (const std::exception& e) {
    ReportCallbackError(owner, e.what());
  } catch (...) {
    ReportCallbackError(owner, "Unknown error");
  }
  return fallback;
}

// GuardCallback for a window, subclass or dialog procedure's message: a paint
// message that fails also validates the window, so that the next repaint doesn't
// meet the fault again at once (one report per fault, not one per repaint).
template <class R, class Work>
R GuardMessage(HWND hwnd, UINT msg, R fallback, Work&& work) noexcept {
  return GuardCallback(hwnd, fallback, [&]() -> R {
    try {
      return std::forward<Work>(work)();
    } catch (...) {
      if (msg == WM_PAINT) ValidateRect(hwnd, nullptr);
      throw;
    }
  });
}

// Registers a window class unless the module has it already; throws, with the
// system's reason, when it can't.
void RegisterWindowClass(const WNDCLASSEXW& windowClass);

// A child control (WS_CHILD is added to `style`) of the class, with the font,
// at a place in its parent's client area (empty: placed later). Throws, with
// the system's reason, when it can't be made.
HWND CreateChild(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id, HFONT font,
                 DWORD exStyle = 0, const RECT& place = {});

// Window text as UTF-8, and back.
std::string GetText(HWND hwnd);
void SetText(HWND hwnd, const std::string& text);

// The text of a combo box's list item as UTF-8 (empty for an index outside the list).
std::string ComboItemText(HWND combo, int index);

// Whether the window is of the class (names compared without regard to case).
bool HasClass(HWND hwnd, const wchar_t* className);

}  // namespace sorvik
