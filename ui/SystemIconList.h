// The shell's list of small icons, fetched on a thread of its own: the first
// fetch in a process builds the list, which takes a while, and the window need
// not wait for it before it shows.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <thread>

namespace sorvik {

class TSystemIconList {
 public:
  // Starts the fetch. When it is done, `window` is posted WM_SORVIK_ICONLIST
  // with the list, or null when there was none; a window closed by then gets nothing.
  explicit TSystemIconList(HWND window);
  // Waits for the fetch to end.
  ~TSystemIconList();

  // The list when the fetch is done, else null (the message comes later).
  HIMAGELIST Fetched() const { return Fetched_.load(std::memory_order_acquire); }
  // The list, fetched on the calling thread (which must have COM).
  static HIMAGELIST FetchHere();
  TSystemIconList(const TSystemIconList&) = delete;
  TSystemIconList& operator=(const TSystemIconList&) = delete;

 private:
  std::atomic<HIMAGELIST> Fetched_{nullptr};
  std::thread Fetch_;
};

}  // namespace sorvik
