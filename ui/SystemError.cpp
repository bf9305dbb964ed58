#include "SystemError.h"

#include <iterator>
#include <stdexcept>

#include "WinText.h"

namespace sorvik {

std::string SystemErrorText(DWORD code) {
  if (code == ERROR_SUCCESS) return {};
  wchar_t buffer[1024] = {};
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer,
                                 static_cast<DWORD>(std::size(buffer)), nullptr);
  std::wstring text(buffer, n);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  if (text.empty()) return "error " + std::to_string(code);
  return Narrow(text);
}

void ThrowSystemError(const std::string& what, DWORD code) {
  const std::string reason = SystemErrorText(code);
  throw std::runtime_error(reason.empty() ? what : what + ": " + reason);
}

}  // namespace sorvik
