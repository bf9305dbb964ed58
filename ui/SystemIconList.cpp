#include "SystemIconList.h"

#include <shellapi.h>

#include "FileSystem.h"
#include "WinMessages.h"

namespace sorvik {

HIMAGELIST TSystemIconList::FetchHere() {
  SHFILEINFOW sfi{};
  return reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(L"", 0, &sfi, sizeof sfi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

TSystemIconList::TSystemIconList(HWND window) {
  const auto fetch = [this, window] {
    const TIconThreadScope shell;  // the shell's icon calls want COM on the thread that makes them
    const HIMAGELIST list = FetchHere();
    Fetched_.store(list, std::memory_order_release);
    // Posted even without a list: the window then asks on its own thread.
    PostMessageW(window, WM_SORVIK_ICONLIST, 0, reinterpret_cast<LPARAM>(list));
  };
  try {
    Fetch_ = std::thread(fetch);
  } catch (const std::system_error&) {
    fetch();  // no thread to be had: here, then
  }
}

TSystemIconList::~TSystemIconList() {
  if (Fetch_.joinable()) Fetch_.join();
}

}  // namespace sorvik
