#include "Win32Enumeration.h"

#include <windows.h>

#include "Win32Handles.h"
#include "Win32Paths.h"

namespace sorvik {

namespace {

TStamp StampFromSystemTime(const SYSTEMTIME& st) {
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond & ~1};
}

FileTime ToFileTime(const FILETIME& ft) {
  return static_cast<FileTime>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

void FillEntry(const WIN32_FIND_DATAW& fd, TDirEntry& e) {
  e.Name = Narrow(fd.cFileName);
  e.Size = static_cast<std::int64_t>((static_cast<std::uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow);
  e.Attr = fd.dwFileAttributes;
  e.FindData.CreationTime = ToFileTime(fd.ftCreationTime);
  e.FindData.LastAccessTime = ToFileTime(fd.ftLastAccessTime);
  e.FindData.LastWriteTime = ToFileTime(fd.ftLastWriteTime);
  FILETIME local;
  SYSTEMTIME st;
  if (FileTimeToLocalFileTime(&fd.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &st)) {
    e.LocalWrite = StampFromSystemTime(st);
  } else {
    e.LocalWrite = StampFromFileTime(e.FindData.LastWriteTime);
  }
  e.Time = PackDosDateTime(e.LocalWrite).value_or(0);
}

class TWin32DirEnum : public IDirEnum {
 public:
  TWin32DirEnum(const std::string& folder, const std::string& mask, std::uint32_t attrMask, bool foldersOnly)
      : AttrMask_(attrMask) {
    std::wstring pattern;
    WidenPatternForSystem(folder, mask, pattern);
    Find_.reset(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &Data_,
                                 foldersOnly ? FindExSearchLimitToDirectories : FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH));
    HaveData_ = static_cast<bool>(Find_);
  }

  bool Next(TDirEntry& entry) override {
    while (HaveData_) {
      const bool keep = EnumKeeps(Data_.dwFileAttributes, AttrMask_);
      if (keep) FillEntry(Data_, entry);
      HaveData_ = FindNextFileW(Find_.get(), &Data_) != FALSE;
      if (keep) return true;
    }
    return false;
  }

 private:
  UniqueFind Find_;
  WIN32_FIND_DATAW Data_{};
  bool HaveData_ = false;
  std::uint32_t AttrMask_;
};

}  // namespace

std::unique_ptr<IDirEnum> Win32FindFirst(const std::string& folder, const std::string& mask, std::uint32_t attrMask,
                                         bool foldersOnly) {
  return std::make_unique<TWin32DirEnum>(folder, mask, attrMask, foldersOnly);
}

}  // namespace sorvik
