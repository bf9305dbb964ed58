// Failed system calls, said: the system's own text for an error code, and the
// exception that carries it to the error report.
#pragma once

#include <windows.h>

#include <string>

namespace sorvik {

// The system's text for an error code (as GetLastError gives it), without the
// line break it ends with; empty when the system has none.
std::string SystemErrorText(DWORD code);

// Throws std::runtime_error: `what`, then ": " and the system's text for `code`
// when there is one.
[[noreturn]] void ThrowSystemError(const std::string& what, DWORD code);

}  // namespace sorvik
