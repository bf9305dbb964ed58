#include "SystemIconList.h"

#include <shellapi.h>

#include "WinMessages.h"

namespace sorvik {

namespace {

void FetchAndPost(HWND window) {
  SHFILEINFOW sfi{};
  const auto list = SHGetFileInfoW(L"", 0, &sfi, sizeof sfi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  if (list) PostMessageW(window, WM_SORVIK_ICONLIST, 0, static_cast<LPARAM>(list));
}

}  // namespace

TSystemIconList::TSystemIconList(HWND window) {
  try {
    Fetch_ = std::thread(FetchAndPost, window);
  } catch (const std::system_error&) {
    FetchAndPost(window);  // no thread to be had: here, then
  }
}

TSystemIconList::~TSystemIconList() {
  if (Fetch_.joinable()) Fetch_.join();
}

}  // namespace sorvik
