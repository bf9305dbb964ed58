// The small icons of found files on Windows: the shell's system image list.
#pragma once
#ifdef _WIN32

#include <string>
#include <unordered_map>

#include "Win32OpenLock.h"

namespace sorvik {

// The icon indexes the shell gave, kept per extension.
class TIconIndexes {
 public:
  // The index of the file's small icon in the system image list (0 where
  // there is none); the shell's lookup keeps our opens out (`opens`).
  int SmallIconIndex(const std::string& path, TOwnOpens& opens);

 private:
  TSlimLock IconLock_;  // the search's threads look icons up at once
  std::unordered_map<std::wstring, int> Icons_;
};

}  // namespace sorvik

#endif
