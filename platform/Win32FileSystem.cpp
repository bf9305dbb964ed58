// The file system on Windows: the pieces (listings, our own opens, contents,
// icons, shares) behind the one interface. Paths are UTF-8 inside and UTF-16
// at the calls.
#include <windows.h>

#include <memory>

#include "FileSystem.h"
#include "LongPath.h"
#include "Win32Contents.h"
#include "Win32Enumeration.h"
#include "Win32Icons.h"
#include "Win32OpenLock.h"
#include "Win32Paths.h"
#include "Win32Shares.h"

namespace sorvik {

namespace {

class TWin32FileSystem : public IFileSystem {
 public:
  char Delimiter() const override { return '\\'; }
  bool IsRemote(const std::string& folder) override { return IsRemoteFolder(FullFolder(folder)); }

  std::unique_ptr<IDirEnum> FindFirst(const std::string& folder, const std::string& mask, std::uint32_t attrMask,
                                      bool foldersOnly) override {
    return Win32FindFirst(folder, mask, attrMask, foldersOnly);
  }

  bool IsFileLocked(const std::string& path) override {
    std::wstring wide;
    WidenForSystem(path, wide);
    // The open first: a file that opens is not locked, and that is the common
    // case. Only when it fails do the attributes tell a locked file from a
    // missing one or a folder.
    {
      const TOwnOpens::TLease lease(Opens_);
      if (Opens_.Open(lease.Slot(), wide.c_str(), 0)) return false;
    }
    const DWORD attr = GetFileAttributesW(wide.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
  }

  std::string FullFolder(const std::string& typed) override {
    std::wstring current(MAX_PATH, L'\0');
    for (;;) {
      const DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(current.size()), current.data());
      if (n < current.size()) {
        current.resize(n);
        break;
      }
      current.resize(n);
    }
    return NormalWindowsFolder(typed, PlainPath(Narrow(current)));
  }

  TPathKind Kind(const std::string& path) override {
    std::wstring wide;
    WidenForSystem(path, wide);
    // Trailing delimiters say nothing here (a file's path with one reads as
    // missing); a bare drive ("C:") is its root, as the walk takes it.
    while (wide.size() > 3 && (wide.back() == L'\\' || wide.back() == L'/')) wide.pop_back();
    const bool drive = wide.size() >= 2 && wide[1] == L':';
    if (drive && wide.size() == 2) wide += L'\\';
    const DWORD attr = GetFileAttributesW(wide.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES) {
      if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) return TPathKind::File;
      return MayList(path) ? TPathKind::Folder : TPathKind::Unreadable;
    }
    if (GetLastError() == ERROR_ACCESS_DENIED) return TPathKind::Unreadable;  // a folder on the way is closed
    if (drive) {
      const wchar_t root[] = {wide[0], L':', L'\\', L'\0'};
      if (GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR) return TPathKind::NoVolume;
    }
    return TPathKind::Missing;
  }

  bool FolderIdentity(const std::string& folder, TFolderId& id) override {
    std::wstring wide;
    WidenForSystem(folder, wide);
    return IdentityOf(wide.c_str(), id);
  }

  std::unique_ptr<IContentsReader> NewContentsReader() override { return NewWin32ContentsReader(Opens_); }

  int SmallIconIndex(const std::string& path) override { return Icons_.SmallIconIndex(path, Opens_); }

 private:
  // Whether the user may list the folder at `path`: its listing opens, or
  // fails only for having nothing to list.
  static bool MayList(const std::string& path) {
    std::string folder = path;
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    std::wstring pattern;
    WidenPatternForSystem(folder, "*", pattern);
    WIN32_FIND_DATAW data;
    const UniqueFind find(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    return find || GetLastError() != ERROR_ACCESS_DENIED;
  }

  TOwnOpens Opens_;  // what our threads hold open
  TIconIndexes Icons_;
};

}  // namespace

IFileSystem& NativeFileSystem() {
  static TWin32FileSystem fs;
  return fs;
}

}  // namespace sorvik
