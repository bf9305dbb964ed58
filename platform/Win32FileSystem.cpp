// The file system on Windows: FindFirstFileExW, CreateFileW, ReadFile and the
// shell's icon index. Paths are UTF-8 inside and UTF-16 at the calls.
#include <windows.h>

#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <vector>
#include <objbase.h>
#include <shellapi.h>

#include "FileSystem.h"
#include "ReadBuffer.h"
#include "Win32Handles.h"
#include "WinText.h"

namespace sorvik {

namespace {

// ---- entries ---------------------------------------------------------------

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
    const std::wstring pattern = Widen(folder + mask);
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

// Contents are read into the reader's buffer, never mapped: a small file whole,
// a larger one span by span. A read that fails (a file cut short, a network
// file lost) just says so, where a view needs a handler for its page faults,
// which can't put memory in place of the view without racing other threads for
// its addresses; and views of large files on several threads soon fill the
// address space of a 32-bit process, where spans take one buffer per reader.
// Spans cost a little more: under Wine a search of files of a few hundred MB
// took about 1.15 times as long in spans of 4 MiB as with views of whole files,
// and 1.3 times in spans of 1 MiB (each ReadFile costs a fixed part besides the copy).
class TWin32ContentsReader : public IContentsReader {
  static constexpr std::size_t kSpan = std::size_t{4} << 20;

 public:
  ~TWin32ContentsReader() override { Close(); }

  bool Open(const std::string& path) override {
    Close();
    Widen(path, Path_);
    // The locked test and the read share one open: without sharing, as the
    // locked test opens. A small file is read and closed at once, so no other
    // program is kept out for longer than that.
    UniqueFile file(CreateFileW(Path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0) return false;
    if (static_cast<std::uint64_t>(size.QuadPart) <= kReadWholeLimit) {
      // One read into our buffer; a file cut short meanwhile gives what it still holds.
      DWORD got = 0;
      if (!ReadFile(file.get(), Buffer_.Room(static_cast<std::size_t>(size.QuadPart)), static_cast<DWORD>(size.QuadPart),
                    &got, nullptr) ||
          got == 0)
        return false;
      Size_ = got;
      Read_ = true;
      Buffer_.Reset();
      return true;
    }
    // A larger file is read through a shared open, so that others may go on
    // reading and writing it while the scan runs.
    file.reset();  // the exclusive handle first, or the shared open meets it
    file.reset(CreateFileW(Path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr));
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0) return false;
    File_ = std::move(file);
    Size_ = static_cast<std::uint64_t>(size.QuadPart);
    Buffer_.Reset();
    return true;
  }

  std::uint64_t Size() const override { return Size_; }

  const std::uint8_t* Map(std::uint64_t offset, std::size_t length) override {
    if (length == 0 || offset + length > Size_) return nullptr;
    if (Read_) return Buffer_.Data() + offset;
    if (!File_) return nullptr;
    return Buffer_.ReadSpan(offset, length, [this](std::uint8_t* to, std::size_t n, std::uint64_t at) -> std::size_t {
      OVERLAPPED where{};
      where.Offset = static_cast<DWORD>(at);
      where.OffsetHigh = static_cast<DWORD>(at >> 32);
      DWORD got = 0;
      return ReadFile(File_.get(), to, static_cast<DWORD>(n), &got, &where) ? got : 0;
    });
  }

  std::size_t ViewSizeHint() const override { return File_ ? kSpan : 0; }

  bool Faulted() const override { return Buffer_.Failed(); }

  void Close() override {
    File_.reset();
    Size_ = 0;
    Read_ = false;
    Buffer_.Reset();
  }

 private:
  UniqueFile File_;      // a file read span by span into Buffer_
  TReadBuffer Buffer_;
  bool Read_ = false;    // the file was read whole into Buffer_
  std::uint64_t Size_ = 0;
  std::wstring Path_;
};

// A lock that never needs a kernel object. A std::mutex here (MinGW's) makes
// an event the first time two threads meet at it and keeps it for the
// process's life, which reads as a handle leak.
class TSlimLock {
 public:
  void lock() { AcquireSRWLockExclusive(&Lock_); }
  void unlock() { ReleaseSRWLockExclusive(&Lock_); }

 private:
  SRWLOCK Lock_ = SRWLOCK_INIT;
};

class TWin32FileSystem : public IFileSystem {
 public:
  char Delimiter() const override { return '\\'; }

  std::unique_ptr<IDirEnum> FindFirst(const std::string& folder, const std::string& mask, std::uint32_t attrMask,
                                      bool foldersOnly) override {
    return std::make_unique<TWin32DirEnum>(folder, mask, attrMask, foldersOnly);
  }

  bool IsFileLocked(const std::string& path) override {
    const std::wstring wide = Widen(path);
    // The open first: a file that opens is not locked, and that is the common
    // case. Only when it fails do the attributes tell a locked file from a
    // missing one or a folder.
    if (UniqueFile(CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr))) return false;
    const DWORD attr = GetFileAttributesW(wide.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
  }

  bool FolderIdentity(const std::string& folder, TFolderId& id) override {
    UniqueFile dir(CreateFileW(Widen(folder).c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!dir || !GetFileInformationByHandle(dir.get(), &info)) return false;
    id = {info.dwVolumeSerialNumber,
          (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return true;
  }

  std::unique_ptr<IContentsReader> NewContentsReader() override { return std::make_unique<TWin32ContentsReader>(); }

  // The shell's answer is slow (milliseconds each under Wine): it is kept per
  // extension, except for the kinds of file that carry an icon of their own.
  int SmallIconIndex(const std::string& path) override {
    const std::wstring wide = Widen(path);
    const std::size_t dot = wide.find_last_of(L".\\/");
    std::wstring extension = dot != std::wstring::npos && wide[dot] == L'.' ? wide.substr(dot) : L"";
    CharLowerBuffW(extension.data(), static_cast<DWORD>(extension.size()));
    static const wchar_t* const ownIcons[] = {L".exe", L".ico", L".lnk", L".cur", L".ani"};
    bool own = false;
    for (const wchar_t* e : ownIcons) own |= extension == e;
    if (!own) {
      std::lock_guard<TSlimLock> lock(IconLock_);
      if (auto it = Icons_.find(extension); it != Icons_.end()) return it->second;
    }
    SHFILEINFOW sfi{};
    if (!SHGetFileInfoW(wide.c_str(), 0, &sfi, sizeof sfi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON)) return 0;
    const int index = sfi.iIcon;
    if (!own) {
      std::lock_guard<TSlimLock> lock(IconLock_);
      Icons_.emplace(extension, index);
    }
    return index;
  }

 private:
  TSlimLock IconLock_;  // the search's threads look icons up at once
  std::unordered_map<std::wstring, int> Icons_;
};

}  // namespace

IFileSystem& NativeFileSystem() {
  static TWin32FileSystem fs;
  return fs;
}

// The shell's icon lookup needs COM on the calling thread; a thread that has it
// already (the window's) just counts one more entry, as COM wants each balanced.
TIconThreadScope::TIconThreadScope()
    : Entered_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}

TIconThreadScope::~TIconThreadScope() {
  if (Entered_) CoUninitialize();
}

}  // namespace sorvik
