#include "Win32Icons.h"

#include <objbase.h>
#include <shellapi.h>

#include "LongPath.h"
#include "WinText.h"

namespace sorvik {

// The shell's answer is slow (milliseconds each under Wine): it is kept per
// extension, except for the kinds of file that carry an icon of their own.
int TIconIndexes::SmallIconIndex(const std::string& path, TOwnOpens& opens) {
  const std::wstring wide = Widen(path);
  const std::size_t dot = wide.find_last_of(L".\\/");
  std::wstring extension = dot != std::wstring::npos && wide[dot] == L'.' ? wide.substr(dot) : L"";
  CharLowerBuffW(extension.data(), static_cast<DWORD>(extension.size()));
  static const wchar_t* const ownIcons[] = {L".exe", L".ico", L".lnk", L".cur", L".ani"};
  bool own = false;
  for (const wchar_t* e : ownIcons) own |= extension == e;
  // The shell takes no path in the long form, nor one whose names its path
  // rules would change (a device's name would open the device): such a file
  // gets its type's icon.
  const bool byType = NeedsSystemForm(path);
  own = own && !byType;
  if (!own) {
    std::lock_guard<TSlimLock> lock(IconLock_);
    if (auto it = Icons_.find(extension); it != Icons_.end()) return it->second;
  }
  SHFILEINFOW sfi{};
  {
    // The shell may open the file (a .lnk for its target, an .exe for its icon).
    const auto keepOut = opens.KeepOut();
    const UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON | (byType ? SHGFI_USEFILEATTRIBUTES : 0);
    const std::wstring name = byType ? L"file" + extension : wide;
    if (!SHGetFileInfoW(name.c_str(), FILE_ATTRIBUTE_NORMAL, &sfi, sizeof sfi, flags)) return 0;
  }
  const int index = sfi.iIcon;
  if (!own) {
    std::lock_guard<TSlimLock> lock(IconLock_);
    Icons_.emplace(extension, index);
  }
  return index;
}

// The shell's icon lookup needs COM on the calling thread; a thread that has it
// already (the window's) just counts one more entry, as COM wants each balanced.
TIconThreadScope::TIconThreadScope()
    : Entered_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}

TIconThreadScope::~TIconThreadScope() {
  if (Entered_) CoUninitialize();
}

}  // namespace sorvik
