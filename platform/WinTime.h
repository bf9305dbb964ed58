// Stamps at the Win32 boundary.
#pragma once
#ifdef _WIN32

#include <windows.h>

#include "DosTime.h"

namespace sorvik {

// The stamp's fields as a SYSTEMTIME (day of week and milliseconds zero); the
// caller keeps the year within 1601..30827 where the system needs it.
inline SYSTEMTIME ToSystemTime(const TStamp& s) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(s.Year);
  st.wMonth = static_cast<WORD>(s.Month);
  st.wDay = static_cast<WORD>(s.Day);
  st.wHour = static_cast<WORD>(s.Hour);
  st.wMinute = static_cast<WORD>(s.Minute);
  st.wSecond = static_cast<WORD>(s.Second);
  return st;
}

}  // namespace sorvik

#endif
