// The file system on Windows: FindFirstFileExW, CreateFileW, ReadFile and the
// shell's icon index. Paths are UTF-8 inside and UTF-16 at the calls.
#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <vector>
#include <objbase.h>
#include <shellapi.h>

#include "FileSystem.h"
#include "LongPath.h"
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

// A path as the file functions take it, into `out` (its buffer reused): the
// long form only for a long path, so the common short one costs no copy.
void WidenForSystem(const std::string& path, std::wstring& out) {
  if (!IsLongPath(path))
    Widen(path, out);
  else
    Widen(SystemPath(path), out);
}

class TWin32DirEnum : public IDirEnum {
 public:
  TWin32DirEnum(const std::string& folder, const std::string& mask, std::uint32_t attrMask, bool foldersOnly)
      : AttrMask_(attrMask) {
    std::wstring pattern;
    WidenForSystem(folder + mask, pattern);
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

// A lock that never needs a kernel object. A std::mutex here (MinGW's) makes
// an event the first time two threads meet at it and keeps it for the
// process's life, which reads as a handle leak.
class TSlimLock {
 public:
  void lock() { AcquireSRWLockExclusive(&Lock_); }
  void unlock() { ReleaseSRWLockExclusive(&Lock_); }
  void lock_shared() { AcquireSRWLockShared(&Lock_); }
  void unlock_shared() { ReleaseSRWLockShared(&Lock_); }

 private:
  SRWLOCK Lock_ = SRWLOCK_INIT;
};

// ---- our own opens -----------------------------------------------------------

// The identity of an open file or folder: volume serial and file index.
bool IdentityOf(HANDLE handle, TFolderId& id) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) return false;
  id = {info.dwVolumeSerialNumber, (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  return true;
}

// The same through an open that reads no data and shares everything: it meets
// no share mode and makes no other open fail.
bool IdentityOf(const wchar_t* path, TFolderId& id) {
  const UniqueFile file(CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file && IdentityOf(file.get(), id);
}

// The locked test opens a file without sharing, which fails while anyone else
// has it open: so it tells that another program holds the file. Our own threads
// must never make a file look locked to one another, yet hard links and folder
// links reach one file by several paths, two helpers may open it at once, and
// the shell may open it for its icon. So every handle the file system opens is
// published here, and our opens, closes and the shell's icon lookups meet at
// one lock:
// - a handle without sharing is opened, held and closed with the lock held
//   shared; a handle with sharing is opened and closed with it held shared and
//   stays published while it is open;
// - the shell's icon lookup holds the lock exclusively, so no handle of ours
//   without sharing is open meanwhile, and neither makes the other's open fail;
// - an open that fails for sharing reads the file's identity and tries again
//   with the lock held exclusively. Then none of our handles opens or closes,
//   and none without sharing is open: if the open fails again, either a
//   published handle of ours is open on the same file, and the open waits until
//   that one is closed and starts over, or another program holds the file.
// A thread that waits holds no handle of ours, so no two threads wait for each
// other. A thread that holds a handle without sharing opens nothing else before
// it closes that one (the lock is not taken twice). An open that succeeds, the
// common case, costs no system call more: the lock is taken shared in user mode.
class TOwnOpens {
 public:
  // Where one reader, or one locked test, publishes the handle it holds.
  struct TSlot {
    std::atomic<bool> Claimed{false};
    // Set and cleared with the lock held by the slot's owner, read with it held exclusively.
    HANDLE Handle = nullptr;
    DWORD Thread = 0;                       // the thread that opened Handle
    std::atomic<std::uint32_t> Changes{0};  // counts Handle's changes, for an open that waits
  };

  // A slot, claimed for the lease's life.
  class TLease {
   public:
    explicit TLease(TOwnOpens& opens) : Slot_(opens.Claim()) {}
    ~TLease() { Slot_.Claimed.store(false, std::memory_order_release); }
    TLease(const TLease&) = delete;
    TLease& operator=(const TLease&) = delete;
    TSlot& Slot() const { return Slot_; }

   private:
    TSlot& Slot_;
  };

  // A handle of ours, published in its slot while it is open. Without sharing it
  // holds the lock until it is closed.
  class TFile {
   public:
    TFile() = default;
    TFile(TFile&& other) noexcept = default;
    TFile& operator=(TFile&& other) noexcept {
      if (this != &other) {
        reset();
        Opens_ = other.Opens_;
        Slot_ = other.Slot_;
        File_ = std::move(other.File_);
        Shared_ = std::move(other.Shared_);
        Exclusive_ = std::move(other.Exclusive_);
      }
      return *this;
    }
    ~TFile() { reset(); }

    HANDLE get() const { return File_.get(); }
    explicit operator bool() const { return static_cast<bool>(File_); }

    void reset() {
      if (!File_) return;
      // Closed under the lock, so that no open that looks at the table meanwhile
      // misses a handle that is still open.
      std::shared_lock<TSlimLock> closing;
      if (!Shared_ && !Exclusive_) closing = std::shared_lock<TSlimLock>(Opens_->Lock_);
      File_.reset();
      Slot_->Handle = nullptr;
      Slot_->Changes.fetch_add(1, std::memory_order_release);
      Shared_ = {};
      Exclusive_ = {};
    }

   private:
    friend class TOwnOpens;
    TFile(TOwnOpens& opens, TSlot& slot, UniqueFile file, std::shared_lock<TSlimLock> shared,
          std::unique_lock<TSlimLock> exclusive)
        : Opens_(&opens), Slot_(&slot), File_(std::move(file)), Shared_(std::move(shared)),
          Exclusive_(std::move(exclusive)) {
      slot.Handle = File_.get();
      slot.Thread = GetCurrentThreadId();
      slot.Changes.fetch_add(1, std::memory_order_release);
    }

    TOwnOpens* Opens_ = nullptr;
    TSlot* Slot_ = nullptr;
    UniqueFile File_;
    std::shared_lock<TSlimLock> Shared_;     // without sharing: the lock, held until the close
    std::unique_lock<TSlimLock> Exclusive_;  // the same, when the open had to take it exclusively
  };

  // Opens an existing file for reading, sharing it as `share` says, and
  // publishes the handle in `slot` (which holds no other). Waits while one of
  // our other threads holds the file; fails when someone else does, or on any
  // other failure.
  TFile Open(TSlot& slot, const wchar_t* path, DWORD share) {
    using TShared = std::shared_lock<TSlimLock>;
    using TExclusive = std::unique_lock<TSlimLock>;
    for (;;) {
      {
        TShared shared(Lock_);
        UniqueFile file(CreateFileW(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
        if (file) return TFile(*this, slot, std::move(file), share == 0 ? std::move(shared) : TShared(), {});
        if (GetLastError() != ERROR_SHARING_VIOLATION) return {};
      }
      TFolderId id;
      if (!IdentityOf(path, id)) return {};
      TExclusive exclusive(Lock_);
      UniqueFile file(CreateFileW(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
      if (file) return TFile(*this, slot, std::move(file), {}, share == 0 ? std::move(exclusive) : TExclusive());
      if (GetLastError() != ERROR_SHARING_VIOLATION) return {};
      const TSlot* holder = HolderOf(id);
      if (!holder) return {};  // another program holds it
      const std::uint32_t changes = holder->Changes.load(std::memory_order_acquire);
      exclusive.unlock();
      while (holder->Changes.load(std::memory_order_acquire) == changes) Sleep(1);
    }
  }

  // Keeps every open of ours out while the returned lock is held, for a call
  // that may open files behind our back (the shell's icon lookup): meanwhile no
  // handle of ours without sharing is open, and none opens or closes.
  std::unique_lock<TSlimLock> KeepOut() { return std::unique_lock<TSlimLock>(Lock_); }

 private:
  struct TChunk {
    std::array<TSlot, 8> Slots;
    std::atomic<TChunk*> Next{nullptr};
    std::unique_ptr<TChunk> Owned;  // owns Next
  };

  TSlot& Claim() {
    for (TChunk* chunk = &First_;;) {
      for (TSlot& slot : chunk->Slots)
        if (!slot.Claimed.load(std::memory_order_relaxed) && !slot.Claimed.exchange(true, std::memory_order_acquire))
          return slot;
      TChunk* next = chunk->Next.load(std::memory_order_acquire);
      if (!next) {
        std::lock_guard<TSlimLock> grow(Grow_);
        next = chunk->Next.load(std::memory_order_acquire);
        if (!next) {
          chunk->Owned = std::make_unique<TChunk>();
          next = chunk->Owned.get();
          chunk->Next.store(next, std::memory_order_release);
        }
      }
      chunk = next;
    }
  }

  // With the lock held exclusively: the slot of another thread whose handle is
  // open on the file `id`. None when there is no such slot, or when the calling
  // thread holds a handle itself (it mustn't wait then).
  const TSlot* HolderOf(const TFolderId& id) const {
    const DWORD me = GetCurrentThreadId();
    const TSlot* holder = nullptr;
    for (const TChunk* chunk = &First_; chunk; chunk = chunk->Next.load(std::memory_order_acquire)) {
      for (const TSlot& slot : chunk->Slots) {
        if (!slot.Handle) continue;
        if (slot.Thread == me) return nullptr;
        TFolderId held;
        if (!holder && IdentityOf(slot.Handle, held) && held == id) holder = &slot;
      }
    }
    return holder;
  }

  TSlimLock Lock_;  // see above
  TSlimLock Grow_;  // adds chunks
  TChunk First_;
};

// ---- contents ----------------------------------------------------------------

// Contents are read into the reader's buffer, never mapped: a small file whole,
// a larger one span by span. A read that fails (a file cut short, a network
// file lost) just says so, where a view needs a handler for its page faults,
// which can't put memory in place of the view without racing other threads for
// its addresses; and views of large files on several threads soon fill the
// address space of a 32-bit process, where spans take one buffer per reader.
// Spans cost a little more: under Wine, searches of files of a few hundred MB
// took about 1.1 times as long in spans of 4 MiB as with views of whole files
// (1.03 to 1.3 from run to run), and about 1.3 times in spans of 1 MiB: each
// ReadFile costs a fixed part besides the copy.
class TWin32ContentsReader : public IContentsReader {
  static constexpr std::size_t kSpan = std::size_t{4} << 20;

 public:
  explicit TWin32ContentsReader(TOwnOpens& opens) : Opens_(opens), Lease_(opens) {}
  ~TWin32ContentsReader() override { Close(); }

  bool Open(const std::string& path) override {
    Close();
    WidenForSystem(path, Path_);
    // The locked test and the read share one open: without sharing, as the
    // locked test opens. A small file is read and closed at once, so no other
    // program is kept out for longer than that.
    TOwnOpens::TFile file = Opens_.Open(Lease_.Slot(), Path_.c_str(), 0);
    if (!file) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0) return false;
    if (static_cast<std::uint64_t>(size.QuadPart) <= kReadWholeLimit) {
      // One read into our buffer; a file cut short meanwhile gives what it still holds.
      DWORD got = 0;
      const auto want = static_cast<DWORD>(size.QuadPart);
      if (!ReadFile(file.get(), Buffer_.Room(want), want, &got, nullptr) || got == 0) return false;
      Size_ = got;
      Read_ = true;
      Buffer_.Reset();
      return true;
    }
    // A larger file is read through a shared open, so that others may go on
    // reading and writing it while the scan runs.
    file.reset();  // the exclusive handle first, or the shared open meets it
    file = Opens_.Open(Lease_.Slot(), Path_.c_str(), FILE_SHARE_READ | FILE_SHARE_WRITE);
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
  TOwnOpens& Opens_;
  TOwnOpens::TLease Lease_;  // where the file's handle is published
  TOwnOpens::TFile File_;    // a file read span by span into Buffer_
  TReadBuffer Buffer_;
  bool Read_ = false;    // the file was read whole into Buffer_
  std::uint64_t Size_ = 0;
  std::wstring Path_;
};

class TWin32FileSystem : public IFileSystem {
 public:
  char Delimiter() const override { return '\\'; }
  bool IsRemote(const std::string& folder) override;  // at the end of the file

  std::unique_ptr<IDirEnum> FindFirst(const std::string& folder, const std::string& mask, std::uint32_t attrMask,
                                      bool foldersOnly) override {
    return std::make_unique<TWin32DirEnum>(folder, mask, attrMask, foldersOnly);
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
    if (attr != INVALID_FILE_ATTRIBUTES)
      return (attr & FILE_ATTRIBUTE_DIRECTORY) ? TPathKind::Folder : TPathKind::File;
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

  std::unique_ptr<IContentsReader> NewContentsReader() override {
    return std::make_unique<TWin32ContentsReader>(Opens_);
  }

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
    // The shell takes no long path here: a long one gets its type's icon.
    const bool byType = IsLongPath(path);
    own = own && !byType;
    if (!own) {
      std::lock_guard<TSlimLock> lock(IconLock_);
      if (auto it = Icons_.find(extension); it != Icons_.end()) return it->second;
    }
    SHFILEINFOW sfi{};
    {
      // The shell may open the file (a .lnk for its target, an .exe for its icon).
      const auto keepOut = Opens_.KeepOut();
      const UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON | (byType ? SHGFI_USEFILEATTRIBUTES : 0);
      const std::wstring name = byType ? L"file" + extension : wide;
      if (!SHGetFileInfoW(name.c_str(), FILE_ATTRIBUTE_NORMAL, &sfi, sizeof sfi, flags)) return 0;
    }
    const int index = sfi.iIcon;
    if (!own) {
      std::lock_guard<TSlimLock> lock(IconLock_);
      Icons_.emplace(extension, index);
    }
    return index;
  }

 private:
  TOwnOpens Opens_;     // what our threads hold open
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

// ---- network shares ----------------------------------------------------------

// A share ("\\server\share\...", also typed in its long form) or a folder on a
// drive Windows calls remote (a mapped network drive), judged by the full
// folder the text stands for.
bool TWin32FileSystem::IsRemote(const std::string& folder) {
  std::string full = FullFolder(folder);
  if (full.rfind("\\\\.\\", 0) == 0) {
    full.erase(0, 4);  // a device path: "UNC\server\share\..." or "C:\..." after the prefix
    if (_strnicmp(full.c_str(), "UNC\\", 4) == 0) return true;
  } else if (full.rfind("\\\\", 0) == 0) {
    return true;
  }
  if (full.size() < 2 || full[1] != ':') return false;  // a volume named by its GUID is local
  const wchar_t root[] = {static_cast<wchar_t>(static_cast<unsigned char>(full[0])), L':', L'\\', L'\0'};
  return GetDriveTypeW(root) == DRIVE_REMOTE;
}

}  // namespace sorvik
