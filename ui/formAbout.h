// The About box: the program's icon, name, file version, rights notice and motto.
#pragma once

#include <windows.h>

#include <string>

#include "Win32Handles.h"

namespace sorvik {

// One value of an executable's version string table, for the first translation it
// lists; empty when there is none. Without a path: the running executable.
std::string GetVersionInfoValue(const std::string& key, const std::wstring& path = {});

class TfrmAbout {
 public:
  TfrmAbout() = default;
  ~TfrmAbout();
  TfrmAbout(const TfrmAbout&) = delete;
  TfrmAbout& operator=(const TfrmAbout&) = delete;

  // Shows the box modally (no owner) and returns when it closes.
  INT_PTR ShowModal(HWND owner = nullptr);
  // Creates the box modeless (for tests); destroyed with the object.
  HWND Create(HWND owner = nullptr);
  HWND Handle() const { return Handle_; }

 private:
  static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void FormCreate();

  HWND Handle_ = nullptr;
  bool Modeless_ = false;
  UniqueGdiObject ProductFont_, TextFont_, CommentsFont_;
};

}  // namespace sorvik
