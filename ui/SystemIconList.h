// The shell's list of small icons, fetched on a thread of its own: the first
// fetch in a process builds the list, which takes a while, and the window need
// not wait for it before it shows.
#pragma once

#include <windows.h>

#include <thread>

namespace sorvik {

class TSystemIconList {
 public:
  // Starts the fetch. When it is done, `window` is posted WM_SORVIK_ICONLIST
  // with the list; a window closed by then gets nothing.
  explicit TSystemIconList(HWND window);
  // Waits for the fetch to end.
  ~TSystemIconList();
  TSystemIconList(const TSystemIconList&) = delete;
  TSystemIconList& operator=(const TSystemIconList&) = delete;

 private:
  std::thread Fetch_;
};

}  // namespace sorvik
