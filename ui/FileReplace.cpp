#include "FileReplace.h"

#include <windows.h>

#include <algorithm>

#include "Win32Handles.h"

namespace sorvik {

bool ReplaceFileWith(const std::wstring& path, std::string_view bytes) {
  const std::wstring temporary = path + L".new";
  bool written = false;
  {
    UniqueFile out(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
    if (!out) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
      DWORD n = 0;
      if (!WriteFile(out.get(), bytes.data() + done, chunk, &n, nullptr) || n == 0) break;
      done += n;
    }
    written = done == bytes.size();
  }
  if (written && MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileW(temporary.c_str());
  return false;
}

}  // namespace sorvik
