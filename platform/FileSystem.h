// The one interface through which the search reaches the platform: directory
// enumeration, the locked-file test, file contents as read-only views, folder
// identities for the link-loop guard and the icon index of a result row.
// Two implementations live in Win32FileSystem.cpp (with its Win32* pieces) and
// PosixFileSystem.cpp; tests add their own to feed synthetic entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "DosTime.h"

namespace sorvik {

// Attribute bits of a directory entry, as Windows reports them.
enum : std::uint32_t {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faVolumeID = 0x08,
  faDirectory = 0x10,
  faArchive = 0x20,
  faNormal = 0x80,
  faReparsePoint = 0x400,
  faAnyFile = 0x3F,
};

// The part of the platform's find data the search reads: the three UTC times.
struct TFindData {
  FileTime CreationTime = 0;
  FileTime LastAccessTime = 0;
  FileTime LastWriteTime = 0;
};

// One entry of a directory enumeration.
struct TDirEntry {
  std::string Name;             // UTF-8, no path
  std::int64_t Size = 0;        // bytes, all 64 bits
  std::uint32_t Attr = 0;       // attribute word
  std::uint32_t Time = 0;       // local last-write time, packed DOS form; 0 when it can't be packed
  TStamp LocalWrite;            // local last-write time, also outside the DOS years
  TFindData FindData;           // raw UTC times
  // The size, times and read-only bit were left out (see IDirEnum::DeferDetails).
  bool DetailsDeferred = false;
};

// An open enumeration of one pattern; closing is the destructor's job.
class IDirEnum {
 public:
  virtual ~IDirEnum() = default;
  // Fills the next entry whose name matches the pattern; false when there are no more.
  virtual bool Next(TDirEntry& entry) = 0;
  // From now on the enumeration may leave out the size, times and read-only bit
  // of plain files and folders where finding them costs a call of their own
  // (POSIX), and mark such entries DetailsDeferred. The name, the folder bit and
  // the hidden bit are always there.
  virtual void DeferDetails() {}
  // Fills in what was left out of the entry Next gave last; false when it can't
  // be read any more (the file is gone).
  virtual bool FillDetails(TDirEntry& entry) {
    (void)entry;
    return true;
  }
};

// Identity of a folder on its volume (volume serial + file index, or device + inode).
struct TFolderId {
  std::uint64_t Volume = 0;
  std::uint64_t Index = 0;
  bool operator==(const TFolderId&) const = default;
};

// A file opened for reading whose bytes are seen through one read-only view at a time.
// One reader is reused for every file a finder looks at. Small files are read
// whole into the reader's own buffer when opened (no mapping, the file closed at
// once); larger ones are read span by span into that buffer, and on POSIX the
// largest (beyond kReadSpansLimit) are mapped view by view.
inline constexpr std::uint64_t kReadWholeLimit = 64 * 1024;
inline constexpr std::uint64_t kReadSpansLimit = std::uint64_t{64} << 20;
inline constexpr std::size_t kReadSpan = std::size_t{1} << 20;

// A reader's reads since its file was opened, and how many of them waited for
// the disk rather than coming from memory (see ReadWaited).
struct TReadWaits {
  std::uint32_t Reads = 0;
  std::uint32_t Waited = 0;
};

class IContentsReader {
 public:
  virtual ~IContentsReader() = default;
  // Opens an existing regular file for reading. A locked file (see
  // IFileSystem::IsFileLocked) is not opened, so a successful open also says the
  // file is not locked. Others may read and write a large file while its views
  // are in use. Closes what was open before. False (and nothing open) on any failure.
  virtual bool Open(const std::string& path) = 0;
  virtual std::uint64_t Size() const = 0;
  // Maps bytes [offset, offset + length) read-only, replacing the previous view.
  // Returns the address of the byte at offset, or nullptr when it can't be mapped.
  // A mapped view is guarded on the thread that mapped it (see FaultGuard.h):
  // read it on that thread.
  virtual const std::uint8_t* Map(std::uint64_t offset, std::size_t length) = 0;
  // The view length that suits the open file best (views of any length work);
  // 0 when a view of the whole file suits as well as any.
  virtual std::size_t ViewSizeHint() const { return 0; }
  // True when reading the current view failed (a page couldn't be read in);
  // the view then reads as zeros and its scan result must be discarded.
  virtual bool Faulted() const = 0;
  // Unmaps the view and closes the file.
  virtual void Close() = 0;
  // The reads since the last Open, kept after Close (a mapped view's page
  // faults are not counted).
  virtual TReadWaits Waits() const { return {}; }
};

// What a path names.
enum class TPathKind : std::uint8_t {
  Folder,
  File,
  Missing,
  NoVolume,    // a drive that isn't there
  Unreadable,  // a folder the user may not list or enter, or one inside such a folder
};

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;

  // The path delimiter that ends a folder path ('\' on Windows, '/' on POSIX).
  virtual char Delimiter() const = 0;

  // What `path` names, with or without a trailing delimiter. Without a way of
  // its own, a file system knows only its folders.
  virtual TPathKind Kind(const std::string& path) {
    std::string folder = path;
    if (folder.empty() || folder.back() != Delimiter()) folder += Delimiter();
    TFolderId id;
    return FolderIdentity(folder, id) ? TPathKind::Folder : TPathKind::Missing;
  }

  // A start folder as the user typed it, made full and normal (Windows: '/'
  // read as '\\', "." and ".." resolved, a share or "\\?\" form as the user
  // knows it). Elsewhere, as typed.
  virtual std::string FullFolder(const std::string& typed) { return typed; }

  // Enumerates `folder` (which ends in the delimiter) for names matching `mask`.
  // Entries carrying an attribute bit that is both in faHidden|faSysFile|faVolumeID|
  // faDirectory and absent from `attrMask` are left out. A folder that can't be
  // listed gives an enumeration that yields nothing. Never null.
  // With `foldersOnly` the enumeration may also leave out entries that are not
  // folders (for a caller that looks at nothing else).
  virtual std::unique_ptr<IDirEnum> FindFirst(const std::string& folder, const std::string& mask,
                                              std::uint32_t attrMask, bool foldersOnly = false) = 0;

  // True when `path` is an existing file (not a folder) that can't be opened for
  // reading without sharing: another process holds it, or the user may not read it.
  virtual bool IsFileLocked(const std::string& path) = 0;

  // Fills in what an enumeration left out of the entry (see IDirEnum::DeferDetails)
  // for the file at `path`; false when it can't be read any more (the file is gone).
  virtual bool FillDetails(const std::string& path, TDirEntry& entry) {
    (void)path;
    return !entry.DetailsDeferred;
  }

  // The locked test of the file at `path` (see IsFileLocked), which also fills
  // in what an enumeration left out of its entry: true when it is not locked
  // and its details could be read.
  virtual bool TestUnlocked(const std::string& path, TDirEntry& entry) {
    return !IsFileLocked(path) && FillDetails(path, entry);
  }

  // True when `folder` lies on a network share (a UNC path, a network drive,
  // an NFS or SMB mount), where every open and read waits on a round trip;
  // false when it is local or can't be told.
  virtual bool IsRemote(const std::string& folder) {
    (void)folder;
    return false;
  }

  // The identity of a folder; false when it can't be read.
  virtual bool FolderIdentity(const std::string& folder, TFolderId& id) = 0;

  // A reader for file contents.
  virtual std::unique_ptr<IContentsReader> NewContentsReader() = 0;

  // The index of the file's small icon in the system image list (0 where there
  // is none). Any thread may ask that holds a TIconThreadScope.
  virtual int SmallIconIndex(const std::string& path) = 0;
};

// What a thread needs, for as long as it lives, before it asks for icons (COM
// on Windows; nothing elsewhere).
class TIconThreadScope {
 public:
  TIconThreadScope();
  ~TIconThreadScope();
  TIconThreadScope(const TIconThreadScope&) = delete;
  TIconThreadScope& operator=(const TIconThreadScope&) = delete;

 private:
  bool Entered_ = false;
};

// The file system of the platform the program runs on.
IFileSystem& NativeFileSystem();

// Whether the attribute mask keeps an entry with this attribute word (the
// enumeration's exclusion rule, shared by every implementation).
inline bool EnumKeeps(std::uint32_t attr, std::uint32_t attrMask) {
  const std::uint32_t excluded = ~attrMask & (faHidden | faSysFile | faVolumeID | faDirectory);
  return (attr & excluded) == 0;
}

// Mask matching for platforms without a native one: '*' any run, '?' any one
// character, letters without regard to case, a trailing run of '*' and '.' also
// matches the end of the name (so "*.*" matches names without a dot). Empty
// masks match nothing.
bool MatchesMask(const std::string& name, const std::string& mask);

}  // namespace sorvik
