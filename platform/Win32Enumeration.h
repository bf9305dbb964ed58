// Folder listings on Windows: FindFirstFileExW and FindNextFileW.
#pragma once
#ifdef _WIN32

#include <cstdint>
#include <memory>
#include <string>

#include "FileSystem.h"

namespace sorvik {

// The entries of `folder` (ending in '\') that match `mask`, as
// IFileSystem::FindFirst gives them.
std::unique_ptr<IDirEnum> Win32FindFirst(const std::string& folder, const std::string& mask, std::uint32_t attrMask,
                                         bool foldersOnly);

}  // namespace sorvik

#endif
