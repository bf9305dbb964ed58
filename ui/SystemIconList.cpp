#include "SystemIconList.h"

#include <shellapi.h>

#include "WinMessages.h"

namespace sorvik {

namespace {

HIMAGELIST FetchList() {
  SHFILEINFOW sfi{};
  return reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(L"", 0, &sfi, sizeof sfi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

}  // namespace

TSystemIconList::TSystemIconList(HWND window) {
  const auto fetch = [this, window] {
    const HIMAGELIST list = FetchList();
    Fetched_.store(list, std::memory_order_release);
    if (list) PostMessageW(window, WM_SORVIK_ICONLIST, 0, reinterpret_cast<LPARAM>(list));
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
