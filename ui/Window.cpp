#include "Window.h"

#include "MessageText.h"
#include "SystemError.h"
#include "WinText.h"
#include "WindowBinding.h"

namespace sorvik {

namespace {

// Set on a top-level window while an error report for it is up.
constexpr wchar_t kReportingProp[] = L"Sorvik.ReportingError";

}  // namespace

TWindow::~TWindow() {
  if (Handle_ && IsWindow(Handle_)) {
    UnbindObject(Handle_);
    DestroyWindow(Handle_);
  }
}

void RegisterWindowClass(const WNDCLASSEXW& windowClass) {
  WNDCLASSEXW known{};
  known.cbSize = sizeof known;
  if (GetClassInfoExW(windowClass.hInstance, windowClass.lpszClassName, &known)) return;
  if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    ThrowSystemError("Can't register the window class " + Narrow(windowClass.lpszClassName), GetLastError());
}

void TWindow::RegisterClassOnce(const wchar_t* className, HICON icon, HBRUSH background) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = icon;
  wc.hbrBackground = background ? background : reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = className;
  RegisterWindowClass(wc);
}

HWND TWindow::CreateHandle(const wchar_t* className, const wchar_t* caption, DWORD style, DWORD exStyle, int x,
                           int y, int cx, int cy, HWND parent, HMENU menu) {
  const HWND created = CreateWindowExW(exStyle, className, caption, style, x, y, cx, cy, parent, menu,
                                       GetModuleHandleW(nullptr), this);
  if (!created) ThrowSystemError("Can't create a window of the class " + Narrow(className), GetLastError());
  return created;
}

LRESULT TWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(Handle_, msg, wp, lp); }

void TWindow::ReportError(const std::string& message) {
  ShowMessage(Handle_, message, MB_OK | MB_ICONERROR);
}

TWindow* TWindow::FromHandle(HWND hwnd) {
  if (!hwnd || reinterpret_cast<WNDPROC>(GetClassLongPtrW(hwnd, GCLP_WNDPROC)) != Proc) return nullptr;
  return BoundObject<TWindow>(hwnd);
}

LRESULT CALLBACK TWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->Handle_ = hwnd;
    BindObject(hwnd, self);
  }
  auto* self = BoundObject<TWindow>(hwnd);
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  const LRESULT r = GuardMessage(hwnd, msg, LRESULT{0}, [&] { return self->HandleMessage(msg, wp, lp); });
  if (msg == WM_NCDESTROY) {
    UnbindObject(hwnd);
    self->Handle_ = nullptr;
  }
  return r;
}

void ReportCallbackError(HWND owner, const char* message) noexcept {
  const HWND root = owner ? GetAncestor(owner, GA_ROOTOWNER) : nullptr;
  if (root && GetPropW(root, kReportingProp)) {
    // Its report is up: this one goes to a debugger only.
    try {
      OutputDebugStringW(Widen(message).c_str());
    } catch (...) {
    }
    return;
  }
  if (root) SetPropW(root, kReportingProp, reinterpret_cast<HANDLE>(1));
  try {
    if (TWindow* window = TWindow::FromHandle(root))
      window->ReportError(message);
    else
      ShowMessage(root, message, MB_OK | MB_ICONERROR);
  } catch (...) {
    // The report itself failed (no memory for its text, or the reporter threw):
    // nothing more can be said, and nothing may leave.
  }
  if (root) RemovePropW(root, kReportingProp);
}

HWND CreateChild(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id, HFONT font,
                 DWORD exStyle, const RECT& place) {
  const HWND h = CreateWindowExW(exStyle, className, text, WS_CHILD | style, place.left, place.top,
                                 place.right - place.left, place.bottom - place.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (!h) ThrowSystemError("Can't create a control of the class " + Narrow(className), GetLastError());
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return h;
}

std::string GetText(HWND hwnd) {
  const int n = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, text.data(), n + 1);
  return Narrow(text.data(), got);
}

void SetText(HWND hwnd, const std::string& text) { SetWindowTextW(hwnd, Widen(text).c_str()); }

std::string ComboItemText(HWND combo, int index) {
  const auto length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  return Narrow(text.c_str(), static_cast<int>(length));
}

bool HasClass(HWND hwnd, const wchar_t* className) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return CompareStringOrdinal(name, -1, className, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace sorvik
