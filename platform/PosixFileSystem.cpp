// The file system on POSIX systems: opendir/readdir/statx, open and mmap.
//
// Attribute words are derived: 16 for a folder, 32 (archive) for everything
// else, hidden (2) for a name starting with "." other than "." and "..",
// read-only (1) when the user may not write the entry. "." and ".." come first
// in every folder but "/", then the other names in the order readdir gives.
// Links are followed; a dangling link is an entry of its own.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <linux/magic.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "FaultGuard.h"
#include "FileSystem.h"
#include "ReadBuffer.h"
#include "ReadClock.h"

namespace sorvik {

namespace {

// ---- fault guard -------------------------------------------------------------

// The unreadable page gives way to a page of zeros, so the scan can run on.
void OnSigBus(int sig, siginfo_t* info, void*) {
  if (TGuardedView* view = GuardedViewHolding(info->si_addr)) {
    const long page = sysconf(_SC_PAGESIZE);
    void* start = reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(info->si_addr) &
                                          ~static_cast<std::uintptr_t>(page - 1));
    if (mmap(start, static_cast<std::size_t>(page), PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
        MAP_FAILED) {
      view->Faulted = true;
      return;
    }
  }
  signal(sig, SIG_DFL);
  raise(sig);
}

// ---- network file systems ----------------------------------------------------

// The statfs types of file systems whose every open and read is a round trip
// to another machine (or, for FUSE, to a daemon: the kernel can't tell an
// sshfs mount from a local FUSE one). Older kernel headers lack the SMB names.
#ifndef CIFS_SUPER_MAGIC
#define CIFS_SUPER_MAGIC 0xFF534D42
#endif
#ifndef SMB2_SUPER_MAGIC
#define SMB2_SUPER_MAGIC 0xFE534D42
#endif
constexpr std::uint32_t kNetworkFileSystems[] = {
    NFS_SUPER_MAGIC, SMB_SUPER_MAGIC, CIFS_SUPER_MAGIC, SMB2_SUPER_MAGIC, FUSE_SUPER_MAGIC,
    AFS_SUPER_MAGIC, CODA_SUPER_MAGIC, CEPH_SUPER_MAGIC, NCP_SUPER_MAGIC,  V9FS_MAGIC,
};

bool IsNetworkFileSystem(const std::string& path) {
  struct statfs st;
  if (path.empty() || statfs(path.c_str(), &st) != 0) return false;
  const auto type = static_cast<std::uint32_t>(st.f_type);
  return std::find(std::begin(kNetworkFileSystems), std::end(kNetworkFileSystems), type) !=
         std::end(kNetworkFileSystems);
}

// ---- entries ---------------------------------------------------------------

bool MayWrite(const struct statx& st) {
  static const uid_t uid = geteuid();
  static const std::vector<gid_t> groups = [] {
    std::vector<gid_t> g(static_cast<std::size_t>(std::max(getgroups(0, nullptr), 0)) + 1);
    const int n = getgroups(static_cast<int>(g.size() - 1), g.data());
    g.resize(static_cast<std::size_t>(std::max(n, 0)));
    g.push_back(getegid());
    return g;
  }();
  if (uid == 0) return true;
  if (st.stx_uid == uid) return (st.stx_mode & S_IWUSR) != 0;
  for (gid_t g : groups)
    if (st.stx_gid == g) return (st.stx_mode & S_IWGRP) != 0;
  return (st.stx_mode & S_IWOTH) != 0;
}

FileTime ToFileTime(const struct statx_timestamp& t) { return FileTimeFromUnix(t.tv_sec, t.tv_nsec); }

TStamp LocalStamp(std::int64_t seconds) {
  std::tm tm{};
  const std::time_t t = static_cast<std::time_t>(seconds);
  if (!localtime_r(&t, &tm)) return StampFromFileTime(FileTimeFromUnix(seconds));
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec & ~1};
}

constexpr unsigned kStatMask = STATX_BASIC_STATS | STATX_BTIME;

bool StatAt(int dirFd, const char* name, struct statx& st) {
  if (statx(dirFd, name, AT_STATX_SYNC_AS_STAT, kStatMask, &st) == 0) return true;
  return statx(dirFd, name, AT_STATX_SYNC_AS_STAT | AT_SYMLINK_NOFOLLOW, kStatMask, &st) == 0;
}

// Everything an entry holds but its name, from the name and what statx read.
void FillDetailsFrom(const struct statx& st, TDirEntry& e) {
  const std::string& name = e.Name;
  e.DetailsDeferred = false;
  const bool dir = S_ISDIR(st.stx_mode);
  e.Attr = dir ? faDirectory : faArchive;
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") e.Attr |= faHidden;
  if (!MayWrite(st)) e.Attr |= faReadOnly;
  e.Size = S_ISREG(st.stx_mode) ? static_cast<std::int64_t>(st.stx_size) : 0;
  e.FindData.LastWriteTime = ToFileTime(st.stx_mtime);
  e.FindData.LastAccessTime = ToFileTime(st.stx_atime);
  e.FindData.CreationTime = (st.stx_mask & STATX_BTIME) ? ToFileTime(st.stx_btime) : ToFileTime(st.stx_ctime);
  e.LocalWrite = LocalStamp(st.stx_mtime.tv_sec);
  e.Time = PackDosDateTime(e.LocalWrite).value_or(0);
}

void FillEntry(const char* name, const struct statx& st, TDirEntry& e) {
  e.Name.assign(name);
  FillDetailsFrom(st, e);
}

class TPosixDirEnum : public IDirEnum {
 public:
  TPosixDirEnum(const std::string& folder, const std::string& mask, std::uint32_t attrMask, bool foldersOnly)
      : Mask_(mask), AttrMask_(attrMask), FoldersOnly_(foldersOnly) {
    if (mask.empty()) return;
    Dir_ = opendir(folder.empty() ? "." : folder.c_str());
    // "." and ".." first, except at the root.
    DotsLeft_ = (Dir_ && folder != "/") ? 2 : 0;
  }
  ~TPosixDirEnum() override {
    if (Dir_) closedir(Dir_);
  }
  TPosixDirEnum(const TPosixDirEnum&) = delete;
  TPosixDirEnum& operator=(const TPosixDirEnum&) = delete;

  bool Next(TDirEntry& entry) override {
    if (!Dir_) return false;
    struct statx st;
    while (DotsLeft_ > 0) {
      const char* name = DotsLeft_-- == 2 ? "." : "..";
      if (!MatchesMask(name, Mask_)) continue;
      if (Defer_) {
        Deferred(name, faDirectory, entry);  // both are there while the folder is open
      } else {
        if (!StatAt(dirfd(Dir_), name, st)) continue;
        FillEntry(name, st, entry);
      }
      if (EnumKeeps(entry.Attr, AttrMask_)) return true;
    }
    while (dirent* d = readdir(Dir_)) {
      const char* name = d->d_name;
      if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
      if (FoldersOnly_ && d->d_type != DT_DIR && d->d_type != DT_LNK && d->d_type != DT_UNKNOWN) continue;
      if (!MatchesMask(name, Mask_)) continue;
      if (Defer_ && (d->d_type == DT_REG || d->d_type == DT_DIR)) {
        // A plain file or folder: what the directory entry says is enough for now.
        Deferred(name, d->d_type == DT_DIR ? faDirectory : faArchive, entry);
        if (name[0] == '.') entry.Attr |= faHidden;
      } else {
        if (!StatAt(dirfd(Dir_), name, st)) continue;
        FillEntry(name, st, entry);
      }
      if (EnumKeeps(entry.Attr, AttrMask_)) return true;
    }
    return false;
  }

  void DeferDetails() override { Defer_ = true; }

  bool FillDetails(TDirEntry& entry) override {
    if (!entry.DetailsDeferred) return true;
    struct statx st;
    if (!Dir_ || !StatAt(dirfd(Dir_), entry.Name.c_str(), st)) return false;
    FillDetailsFrom(st, entry);
    return true;
  }

 private:
  // An entry whose details wait for FillDetails. Field by field, so that the
  // name keeps its buffer from entry to entry.
  static void Deferred(const char* name, std::uint32_t attr, TDirEntry& entry) {
    entry.Name.assign(name);
    entry.Attr = attr;
    entry.Size = 0;
    entry.Time = 0;
    entry.LocalWrite = {};
    entry.FindData = {};
    entry.DetailsDeferred = true;
  }

  DIR* Dir_ = nullptr;
  int DotsLeft_ = 0;
  std::string Mask_;
  std::uint32_t AttrMask_;
  bool FoldersOnly_;
  bool Defer_ = false;  // plain files' details wait for FillDetails
};

class TPosixContentsReader : public IContentsReader {
 public:
  TPosixContentsReader() { InstallFaultGuard(); }
  ~TPosixContentsReader() override { Close(); }

  bool Open(const std::string& path) override {
    Close();
    Clock_.Reset();
    // O_NONBLOCK: opening a FIFO must never wait for a writer.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      close(fd);
      return false;
    }
    Size_ = static_cast<std::uint64_t>(st.st_size);
    Guard_.Reset();
    if (Size_ > 0 && Size_ <= kReadWholeLimit) {
      // One read into our buffer; a file cut short meanwhile gives what it still holds.
      const std::size_t want = static_cast<std::size_t>(Size_);
      std::uint8_t* room = Buffer_.Room(want);
      std::size_t got = 0;
      while (got < want) {
        const ssize_t n =
            Clock_.Time(want - got, [&] { return pread(fd, room + got, want - got, static_cast<off_t>(got)); });
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
      }
      close(fd);
      Size_ = got;
      Read_ = got > 0;
      return Read_;
    }
    Fd_ = fd;
    Spans_ = Size_ <= kReadSpansLimit;
    return true;
  }

  std::size_t ViewSizeHint() const override { return Spans_ ? kReadSpan : 0; }

  std::uint64_t Size() const override { return Size_; }

  const std::uint8_t* Map(std::uint64_t offset, std::size_t length) override {
    Unmap();
    if (Read_) return length > 0 && offset + length <= Size_ ? Buffer_.Data() + offset : nullptr;
    if (Fd_ < 0 || length == 0) return nullptr;
    if (Spans_)
      return Buffer_.ReadSpan(offset, length, [this](std::uint8_t* to, std::size_t n, std::uint64_t at) -> std::size_t {
        for (;;) {
          const ssize_t got = Clock_.Time(n, [&] { return pread(Fd_, to, n, static_cast<off_t>(at)); });
          if (got < 0 && errno == EINTR) continue;
          return got > 0 ? static_cast<std::size_t>(got) : 0;
        }
      });
    static const std::uint64_t page = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    const std::uint64_t aligned = offset & ~(page - 1);
    const std::size_t total = length + static_cast<std::size_t>(offset - aligned);
    void* p = mmap(nullptr, total, PROT_READ, MAP_SHARED, Fd_, static_cast<off_t>(aligned));
    if (p == MAP_FAILED) return nullptr;
    madvise(p, total, MADV_SEQUENTIAL);
    Guard_.Watch(p, total);
    return static_cast<const std::uint8_t*>(p) + (offset - aligned);
  }

  bool Faulted() const override { return Guard_.Faulted() || Buffer_.Failed(); }

  TReadWaits Waits() const override { return Clock_.Waits(); }

  void Close() override {
    Unmap();
    if (Fd_ >= 0) close(Fd_);
    Fd_ = -1;
    Size_ = 0;
    Read_ = false;
    Spans_ = false;
    Buffer_.Reset();
  }

 private:
  void Unmap() {
    if (!Guard_.Watching()) return;
    const TGuardedView view = Guard_.Stop();
    munmap(const_cast<void*>(view.Base), view.Length);
  }

  int Fd_ = -1;
  TReadBuffer Buffer_;
  TReadClock Clock_;
  bool Read_ = false;   // the file was read whole into Buffer_
  bool Spans_ = false;  // the file is read span by span into Buffer_
  std::uint64_t Size_ = 0;
  TViewGuard Guard_;
};

class TPosixFileSystem : public IFileSystem {
 public:
  char Delimiter() const override { return '/'; }

  std::unique_ptr<IDirEnum> FindFirst(const std::string& folder, const std::string& mask, std::uint32_t attrMask,
                                      bool foldersOnly) override {
    return std::make_unique<TPosixDirEnum>(folder, mask, attrMask, foldersOnly);
  }

  bool IsFileLocked(const std::string& path) override {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    // FIFOs, sockets and devices are never opened: they hold no contents to search.
    if (!S_ISREG(st.st_mode)) return true;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return true;
    close(fd);
    return false;
  }

  bool FillDetails(const std::string& path, TDirEntry& entry) override {
    if (!entry.DetailsDeferred) return true;
    struct statx st;
    if (!StatAt(AT_FDCWD, path.c_str(), st)) return false;
    FillDetailsFrom(st, entry);
    return true;
  }

  // One open, and the details read from the open file: no stat by path.
  bool TestUnlocked(const std::string& path, TDirEntry& entry) override {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    // Can't be opened: locked, gone, or a dangling link; the long way tells which.
    if (fd < 0) return IFileSystem::TestUnlocked(path, entry);
    struct statx st;
    const bool read = statx(fd, "", AT_EMPTY_PATH | AT_STATX_SYNC_AS_STAT, kStatMask, &st) == 0;
    close(fd);
    if (!read) return IFileSystem::TestUnlocked(path, entry);
    // FIFOs, sockets and devices hold no contents to search: they count as locked.
    if (!S_ISREG(st.stx_mode) && !S_ISDIR(st.stx_mode)) return false;
    if (entry.DetailsDeferred) FillDetailsFrom(st, entry);
    return true;
  }

  TPathKind Kind(const std::string& path) override {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();  // a file's path with one reads as missing
    struct stat st;
    // EACCES: a folder on the way may not be entered.
    if (stat(p.c_str(), &st) != 0) return errno == EACCES ? TPathKind::Unreadable : TPathKind::Missing;
    if (!S_ISDIR(st.st_mode)) return TPathKind::File;
    // The walk lists the folder and looks at each entry in it: it must be
    // readable, and enterable (looking up "." in it asks for that).
    DIR* dir = opendir(p.c_str());
    if (!dir) return errno == EACCES ? TPathKind::Unreadable : TPathKind::Missing;
    struct stat self;
    const bool enterable = fstatat(dirfd(dir), ".", &self, 0) == 0 || errno != EACCES;
    closedir(dir);
    return enterable ? TPathKind::Folder : TPathKind::Unreadable;
  }

  bool IsRemote(const std::string& folder) override { return IsNetworkFileSystem(folder); }

  bool FolderIdentity(const std::string& folder, TFolderId& id) override {
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) return false;
    id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
  }

  std::unique_ptr<IContentsReader> NewContentsReader() override { return std::make_unique<TPosixContentsReader>(); }

  int SmallIconIndex(const std::string&) override { return 0; }
};

}  // namespace

void InstallFaultGuard() {
  static const bool installed = [] {
    struct sigaction sa {};
    sa.sa_sigaction = OnSigBus;
    sa.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&sa.sa_mask);
    return sigaction(SIGBUS, &sa, nullptr) == 0;
  }();
  (void)installed;
}

IFileSystem& NativeFileSystem() {
  static TPosixFileSystem fs;
  return fs;
}

TIconThreadScope::TIconThreadScope() { (void)Entered_; }
TIconThreadScope::~TIconThreadScope() = default;

}  // namespace sorvik
