#include "FaultGuard.h"

#include <cstdint>

namespace sorvik {

namespace {
thread_local TGuardedView* tGuarded = nullptr;
}

void GuardView(TGuardedView* view) { tGuarded = view; }

void UnguardView(TGuardedView* view) {
  if (tGuarded == view) tGuarded = nullptr;
}

TGuardedView* GuardedViewHolding(const void* address) {
  TGuardedView* view = tGuarded;
  if (!view) return nullptr;
  const auto a = reinterpret_cast<std::uintptr_t>(address);
  const auto base = reinterpret_cast<std::uintptr_t>(view->Base);
  return a >= base && a - base < view->Length ? view : nullptr;
}

}  // namespace sorvik
