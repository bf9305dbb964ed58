// The form in which a path reaches the Windows file functions.
#pragma once
#ifdef _WIN32

#include <string>

#include "LongPath.h"
#include "WinText.h"

namespace sorvik {

// A path as the file functions take it (see SystemPath), into `out` (its
// buffer reused): the common short plain path costs no copy.
inline void WidenForSystem(const std::string& path, std::wstring& out) {
  if (!NeedsSystemForm(path))
    Widen(path, out);
  else
    Widen(SystemPath(path), out);
}

// A listing's pattern, `folder` (ending in '\') and `mask`, as the file
// functions take it: the folder in its long form where it needs one or the
// pattern is long; the mask as it is, so that it matches as it always has.
inline void WidenPatternForSystem(const std::string& folder, const std::string& mask, std::wstring& out) {
  if (!NeedsSystemForm(folder) && !IsLongPath(folder + mask))
    Widen(folder + mask, out);
  else
    Widen(LongForm(folder) + mask, out);
}

}  // namespace sorvik

#endif
