// The form in which a path reaches the Windows file functions.
#pragma once
#ifdef _WIN32

#include <string>

#include "LongPath.h"
#include "WinText.h"

namespace sorvik {

// A path as the file functions take it, into `out` (its buffer reused): the
// long form only for a long path, so the common short one costs no copy.
inline void WidenForSystem(const std::string& path, std::wstring& out) {
  if (!IsLongPath(path))
    Widen(path, out);
  else
    Widen(SystemPath(path), out);
}

}  // namespace sorvik

#endif
