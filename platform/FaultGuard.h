// Protection of mapped views against pages that can't be read in (a file
// truncated, or a network file lost, while it is mapped), on POSIX: a read of
// such a page raises SIGBUS; while a view is guarded on the reading thread, the
// handler maps a page of zeros over the one that failed (in place, so no other
// thread can take its addresses meanwhile), marks the view faulted and lets the
// read go on. The reader then reports the file as not found. (Windows reads
// files into a buffer and maps nothing.)
#pragma once

#include <cstddef>

namespace sorvik {

struct TGuardedView {
  const void* Base = nullptr;
  std::size_t Length = 0;
  volatile bool Faulted = false;
};

// Installs the process-wide handler (once; later calls do nothing).
void InstallFaultGuard();

// Sets the view guarded on the calling thread (one at a time).
void GuardView(TGuardedView* view);
// Ends the guard of `view` if it is the one guarded on the calling thread.
void UnguardView(TGuardedView* view);

// For the handlers: the calling thread's guarded view if it holds `address`.
TGuardedView* GuardedViewHolding(const void* address);

// The guard of a reader's current view, and whether any view read since the
// last Reset failed.
class TViewGuard {
 public:
  TViewGuard() = default;
  ~TViewGuard() { UnguardView(&View_); }
  TViewGuard(const TViewGuard&) = delete;
  TViewGuard& operator=(const TViewGuard&) = delete;

  // Guards a freshly mapped view on the calling thread.
  void Watch(const void* base, std::size_t length) {
    View_ = {};
    View_.Base = base;
    View_.Length = length;
    GuardView(&View_);
  }
  bool Watching() const { return View_.Base != nullptr; }
  // Ends the guard and hands the view back for the caller to release.
  TGuardedView Stop() {
    UnguardView(&View_);
    if (View_.Faulted) Faulted_ = true;
    TGuardedView view;
    view.Base = View_.Base;
    view.Length = View_.Length;
    view.Faulted = View_.Faulted;
    View_ = {};
    return view;
  }
  bool Faulted() const { return Faulted_ || View_.Faulted; }
  void Reset() { Faulted_ = false; }

 private:
  TGuardedView View_;
  bool Faulted_ = false;
};

}  // namespace sorvik
