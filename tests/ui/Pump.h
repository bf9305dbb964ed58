// The message loop for window tests.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>

#include "formMain.h"

namespace sorvik::test {

// Runs the message loop (with its idle step) until `done` holds or time runs out.
inline bool Pump(TfrmMain& form, const std::function<bool()>& done, int ms = 20000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (form.Handle()) form.UpdateActions();
    if (done()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

inline void PumpFor(TfrmMain& form, int ms) { Pump(form, [] { return false; }, ms); }

// A window destroyed by an earlier test posts WM_QUIT, which would end the next
// modal loop (a message box, a dialog) at once: taken off the queue.
inline void DrainQuit() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

}  // namespace sorvik::test
