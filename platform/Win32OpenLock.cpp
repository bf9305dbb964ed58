#include "Win32OpenLock.h"

namespace sorvik {

bool IdentityOf(HANDLE handle, TFolderId& id) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) return false;
  id = {info.dwVolumeSerialNumber, (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  return true;
}

bool IdentityOf(const wchar_t* path, TFolderId& id) {
  const UniqueFile file(CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file && IdentityOf(file.get(), id);
}

TOwnOpens::TFile TOwnOpens::Open(TSlot& slot, const wchar_t* path, DWORD share) {
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

TOwnOpens::TSlot& TOwnOpens::Claim() {
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

const TOwnOpens::TSlot* TOwnOpens::HolderOf(const TFolderId& id) const {
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

}  // namespace sorvik
