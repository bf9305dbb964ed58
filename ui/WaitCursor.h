// Shows the hourglass while a block runs and restores the cursor it found,
// however the block ends.
#pragma once

#include <windows.h>

namespace sorvik {

class TWaitCursor {
 public:
  TWaitCursor() : Old_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~TWaitCursor() { SetCursor(Old_); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;

 private:
  HCURSOR Old_;
};

}  // namespace sorvik
