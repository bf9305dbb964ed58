// Whether a folder lies on a network share, on Windows.
#pragma once
#ifdef _WIN32

#include <string>

namespace sorvik {

// True for a share ("\\server\share\...", also in its long form) or a folder
// on a drive Windows calls remote (a mapped network drive); `full` is the full
// folder the typed text stands for.
bool IsRemoteFolder(const std::string& full);

}  // namespace sorvik

#endif
