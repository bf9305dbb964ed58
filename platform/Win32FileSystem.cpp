// The file system on Windows: FindFirstFileExW, CreateFileW, file mappings and
// the shell's icon index. Paths are UTF-8 inside and UTF-16 at the calls.
#include <windows.h>

#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <vector>
#include <objbase.h>
#include <shellapi.h>

#include "FaultGuard.h"
#include "FileSystem.h"
#include "ReadBuffer.h"
#include "Win32Handles.h"
#include "WinText.h"

namespace sorvik {

namespace {

// ---- fault guard -------------------------------------------------------------

LONG CALLBACK OnException(EXCEPTION_POINTERS* ep) {
  const EXCEPTION_RECORD* rec = ep->ExceptionRecord;
  // Windows reports a page that can't be read in as EXCEPTION_IN_PAGE_ERROR; Wine
  // reports the same failure (SIGBUS underneath) as a read access violation.
  const bool pageError = rec->ExceptionCode == EXCEPTION_IN_PAGE_ERROR ||
                         (rec->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && rec->ExceptionInformation[0] == 0);
  if (!pageError || rec->NumberParameters < 2) return EXCEPTION_CONTINUE_SEARCH;
  TGuardedView* view = GuardedViewHolding(reinterpret_cast<const void*>(rec->ExceptionInformation[1]));
  if (!view) return EXCEPTION_CONTINUE_SEARCH;
  if (!view->Replaced) {
    // The view is given up and zero-filled memory takes its place, so the scan
    // can run to its end; the reader then discards the result.
    void* p = const_cast<void*>(view->Base);
    UnmapViewOfFile(p);
    if (VirtualAlloc(p, view->Length, MEM_RESERVE | MEM_COMMIT, PAGE_READONLY) != p)
      return EXCEPTION_CONTINUE_SEARCH;
    view->Replaced = true;
  }
  view->Faulted = true;
  return EXCEPTION_CONTINUE_EXECUTION;
}

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

class TWin32ContentsReader : public IContentsReader {
 public:
  TWin32ContentsReader() {
    InstallFaultGuard();
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    Granularity_ = si.dwAllocationGranularity;
  }
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
    if (static_cast<std::uint64_t>(size.QuadPart) > kReadWholeLimit) {
      // A large file is mapped through a shared open, so that others may go on
      // reading and writing it while the scan runs.
      file.reset();  // the exclusive handle first, or the shared open meets it
      file.reset(CreateFileW(Path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr));
      if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0) return false;
    }
    if (static_cast<std::uint64_t>(size.QuadPart) <= kReadWholeLimit) {
      // One read into our buffer; a file cut short meanwhile gives what it still holds.
      DWORD got = 0;
      if (!ReadFile(file.get(), Buffer_.Room(static_cast<std::size_t>(size.QuadPart)), static_cast<DWORD>(size.QuadPart), &got,
                    nullptr) ||
          got == 0)
        return false;
      Size_ = got;
      Read_ = true;
      Guard_.Reset();
      return true;
    }
    if (static_cast<std::uint64_t>(size.QuadPart) <= kReadSpansLimit) {
      File_ = std::move(file);
      Size_ = static_cast<std::uint64_t>(size.QuadPart);
      Guard_.Reset();
      return true;
    }
    Mapping_.reset(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!Mapping_) return false;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
      Mapping_.reset();
      return false;
    }
    Size_ = static_cast<std::uint64_t>(size.QuadPart);
    Guard_.Reset();
    return true;
  }

  std::uint64_t Size() const override { return Size_; }

  const std::uint8_t* Map(std::uint64_t offset, std::size_t length) override {
    Unmap();
    if (Read_) return length > 0 && offset + length <= Size_ ? Buffer_.Data() + offset : nullptr;
    if (File_ && length > 0)
      return Buffer_.ReadSpan(offset, length, [this](std::uint8_t* to, std::size_t n, std::uint64_t at) -> std::size_t {
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(at);
        where.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD got = 0;
        return ReadFile(File_.get(), to, static_cast<DWORD>(n), &got, &where) ? got : 0;
      });
    if (!Mapping_ || length == 0) return nullptr;
    const std::uint64_t aligned = offset - offset % Granularity_;
    const std::size_t total = length + static_cast<std::size_t>(offset - aligned);
    void* p = MapViewOfFile(Mapping_.get(), FILE_MAP_READ, static_cast<DWORD>(aligned >> 32),
                            static_cast<DWORD>(aligned), total);
    if (!p) return nullptr;
    Guard_.Watch(p, total);
    return static_cast<const std::uint8_t*>(p) + (offset - aligned);
  }

  std::size_t ViewSizeHint() const override { return File_ ? kReadSpan : 0; }

  bool Faulted() const override { return Guard_.Faulted() || Buffer_.Failed(); }

  void Close() override {
    Unmap();
    Mapping_.reset();
    File_.reset();
    Size_ = 0;
    Read_ = false;
    Buffer_.Reset();
  }

 private:
  void Unmap() {
    if (!Guard_.Watching()) return;
    const TGuardedView view = Guard_.Stop();
    void* p = const_cast<void*>(view.Base);
    if (view.Replaced)
      VirtualFree(p, 0, MEM_RELEASE);
    else
      UnmapViewOfFile(p);
  }

  UniqueKernelHandle Mapping_;
  UniqueFile File_;      // a file read span by span into Buffer_
  TReadBuffer Buffer_;
  bool Read_ = false;    // the file was read whole into Buffer_
  std::uint64_t Size_ = 0;
  std::uint64_t Granularity_ = 65536;
  TViewGuard Guard_;
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

  TPathKind Kind(const std::string& path) override {
    std::wstring wide = Widen(path);
    // Trailing delimiters say nothing here (a file's path with one reads as
    // missing); a bare drive ("C:") is its root, as the walk takes it.
    while (wide.size() > 3 && (wide.back() == L'\\' || wide.back() == L'/')) wide.pop_back();
    const bool drive = wide.size() >= 2 && wide[1] == L':';
    if (drive && wide.size() == 2) wide += L'\\';
    const DWORD attr = GetFileAttributesW(wide.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES)
      return (attr & FILE_ATTRIBUTE_DIRECTORY) ? TPathKind::Folder : TPathKind::File;
    if (drive) {
      const wchar_t root[] = {wide[0], L':', L'\\', L'\0'};
      if (GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR) return TPathKind::NoVolume;
    }
    return TPathKind::Missing;
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

void InstallFaultGuard() {
  static const bool installed = AddVectoredExceptionHandler(1, OnException) != nullptr;
  (void)installed;
}

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
