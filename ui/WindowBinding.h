// The one way an object of ours is found from a window handle: a property on
// the window holding the object's address. It is set when the object takes the
// window (at WM_NCCREATE for a window of our classes, WM_INITDIALOG for a
// dialog, when a system control is subclassed, or when a helper window is
// created) and removed at the window's WM_NCDESTROY, so no message after that
// reaches a gone object. A window has at most one bound object; the type an
// object is bound with is the type it is read back as.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <stdexcept>

namespace sorvik {

inline constexpr wchar_t kBoundObjectProp[] = L"Sorvik.Object";

template <class T>
void BindObject(HWND hwnd, T* object) {
  SetPropW(hwnd, kBoundObjectProp, static_cast<HANDLE>(object));
}

template <class T>
T* BoundObject(HWND hwnd) {
  return hwnd ? static_cast<T*>(GetPropW(hwnd, kBoundObjectProp)) : nullptr;
}

inline void UnbindObject(HWND hwnd) { RemovePropW(hwnd, kBoundObjectProp); }

// Subclasses a system control for an object: the object is bound to the
// control and `proc` gets the control's messages; at WM_NCDESTROY the procedure
// calls EndSubclass. Throws when the control can't be subclassed (one of
// another thread, or no memory), the object unbound again.
template <class T>
void BeginSubclass(HWND control, SUBCLASSPROC proc, T* object) {
  BindObject(control, object);
  if (!SetWindowSubclass(control, proc, 1, 0)) {
    UnbindObject(control);
    throw std::runtime_error("Can't take over the messages of a control");
  }
}

inline void EndSubclass(HWND control, SUBCLASSPROC proc) {
  RemoveWindowSubclass(control, proc, 1);
  UnbindObject(control);
}

}  // namespace sorvik
