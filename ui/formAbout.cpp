#include "formAbout.h"

#include <vector>

#include "../res/resource.h"
#include "Dpi.h"
#include "WinText.h"
#include "Window.h"
#include "WindowBinding.h"

namespace sorvik {

namespace {

std::string Hex4(unsigned value) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  do {
    s.insert(s.begin(), digits[value & 15]);
    value >>= 4;
  } while (value);
  while (s.size() < 4) s.insert(s.begin(), '0');
  return s;
}

HFONT MakeFont(const wchar_t* face, int points, bool bold, bool italic, UINT dpi) {
  const int height = -MulDiv(points, static_cast<int>(dpi), 72);
  return CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, italic, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
}

}  // namespace

std::string GetVersionInfoValue(const std::string& key, const std::wstring& path) {
  std::wstring file = path;
  if (file.empty()) {
    wchar_t own[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, own, MAX_PATH * 4);
    file.assign(own, n);
  }
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<BYTE> block(size, 0);
  GetFileVersionInfoW(file.c_str(), 0, size, block.data());
  void* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translation, &length) || length < 4)
    return {};
  const DWORD entry = *static_cast<const DWORD*>(translation);
  // "StringFileInfo\" + language + code page, four upper-case hex digits each, "\" + key.
  const std::string name = "\\StringFileInfo\\" + Hex4(LOWORD(entry)) + Hex4(HIWORD(entry)) + "\\" + key;
  void* value = nullptr;
  if (!VerQueryValueW(block.data(), Widen(name).c_str(), &value, &length) || !value || length == 0) return {};
  return Narrow(static_cast<const wchar_t*>(value));
}

TfrmAbout::~TfrmAbout() {
  if (Modeless_ && Handle_) DestroyWindow(Handle_);
}

INT_PTR TfrmAbout::ShowModal(HWND owner) {
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT), owner, Proc,
                         reinterpret_cast<LPARAM>(this));
}

HWND TfrmAbout::Create(HWND owner) {
  Modeless_ = true;
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT), owner, Proc,
                            reinterpret_cast<LPARAM>(this));
}

void TfrmAbout::FormCreate() {
  // Points at the box's DPI: the fonts grow with the display's scale.
  const UINT dpi = WindowDpi(Handle_);
  ProductFont_.reset(MakeFont(L"Arial", 12, true, false, dpi));
  TextFont_.reset(MakeFont(L"Arial", 8, false, false, dpi));
  CommentsFont_.reset(MakeFont(L"Arial", 8, false, true, dpi));
  auto font = [&](int id, const UniqueGdiObject& f) {
    SendDlgItemMessageW(Handle_, id, WM_SETFONT, reinterpret_cast<WPARAM>(f.get()), FALSE);
  };
  font(IDC_ABOUT_PRODUCT, ProductFont_);
  font(IDC_ABOUT_VERSION, TextFont_);
  font(IDC_ABOUT_COPYRIGHT, TextFont_);
  font(IDC_ABOUT_COMMENTS, CommentsFont_);
  SetText(GetDlgItem(Handle_, IDC_ABOUT_VERSION), GetVersionInfoValue("FileVersion"));
  const HICON icon = static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_SORVIK), IMAGE_ICON, Scale(48, dpi), Scale(48, dpi),
                 LR_SHARED));
  if (icon) SendDlgItemMessageW(Handle_, IDC_ABOUT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

INT_PTR CALLBACK TfrmAbout::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return GuardMessage(hwnd, msg, INT_PTR{FALSE}, [&]() -> INT_PTR {
    if (msg == WM_INITDIALOG) {
      auto* self = reinterpret_cast<TfrmAbout*>(lp);
      BindObject(hwnd, self);
      self->Handle_ = hwnd;
      self->FormCreate();
      return TRUE;
    }
    auto* self = BoundObject<TfrmAbout>(hwnd);
    if (!self) return FALSE;
    switch (msg) {
      case WM_COMMAND:
        // OK (or Enter), Escape (which arrives as IDCANCEL) and the close box end the box.
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
          if (self->Modeless_)
            DestroyWindow(hwnd);
          else
            EndDialog(hwnd, IDOK);
          return TRUE;
        }
        return FALSE;
      case WM_CLOSE:
        if (self->Modeless_)
          DestroyWindow(hwnd);
        else
          EndDialog(hwnd, IDCANCEL);
        return TRUE;
      case WM_NCDESTROY:
        UnbindObject(hwnd);
        self->Handle_ = nullptr;
        return FALSE;
      default: return FALSE;
    }
  });
}

}  // namespace sorvik
