// Our own opens of files on Windows, and the one lock at which they meet the
// shell's icon lookups, so that our threads never make a file look locked to
// one another.
#pragma once
#ifdef _WIN32

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>

#include "FileSystem.h"
#include "Win32Handles.h"

namespace sorvik {

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

// The identity of an open file or folder: volume serial and file index.
bool IdentityOf(HANDLE handle, TFolderId& id);

// The same through an open that reads no data and shares everything: it meets
// no share mode and makes no other open fail.
bool IdentityOf(const wchar_t* path, TFolderId& id);

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
  TFile Open(TSlot& slot, const wchar_t* path, DWORD share);

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

  TSlot& Claim();

  // With the lock held exclusively: the slot of another thread whose handle is
  // open on the file `id`. None when there is no such slot, or when the calling
  // thread holds a handle itself (it mustn't wait then).
  const TSlot* HolderOf(const TFolderId& id) const;

  TSlimLock Lock_;  // see above
  TSlimLock Grow_;  // adds chunks
  TChunk First_;
};

}  // namespace sorvik

#endif
