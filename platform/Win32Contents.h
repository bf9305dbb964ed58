// File contents on Windows: CreateFileW and ReadFile into the reader's buffer.
#pragma once
#ifdef _WIN32

#include <memory>

#include "FileSystem.h"
#include "Win32OpenLock.h"

namespace sorvik {

// A reader whose opens are published in `opens`, which outlives it.
std::unique_ptr<IContentsReader> NewWin32ContentsReader(TOwnOpens& opens);

}  // namespace sorvik

#endif
