// Protection of mapped views against pages that can't be read in (a file
// truncated, or a network file lost, while it is mapped). A read of such a page
// raises SIGBUS on POSIX and EXCEPTION_IN_PAGE_ERROR on Windows; while a view is
// guarded on the reading thread, the handler puts zero-filled memory in place of
// the view, marks it faulted and lets the read go on. The reader then reports
// the file as not found.
#pragma once

#include <cstddef>

namespace sorvik {

struct TGuardedView {
  const void* Base = nullptr;
  std::size_t Length = 0;
  volatile bool Faulted = false;
  // Windows: the view was replaced by private memory, released with VirtualFree.
  volatile bool Replaced = false;
};

// Installs the process-wide handler (once; later calls do nothing).
void InstallFaultGuard();

// Sets the view guarded on the calling thread; nullptr clears it.
void GuardView(TGuardedView* view);

// For the handlers: the calling thread's guarded view if it holds `address`.
TGuardedView* GuardedViewHolding(const void* address);

}  // namespace sorvik
