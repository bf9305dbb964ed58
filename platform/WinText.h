// UTF-8 <-> UTF-16 at the Win32 boundary.
#pragma once
#ifdef _WIN32

#include <string>

namespace sorvik {

std::wstring Widen(const std::string& utf8);
void Widen(const std::string& utf8, std::wstring& out);  // reuses out's buffer
std::string Narrow(const wchar_t* utf16, int length = -1);
inline std::string Narrow(const std::wstring& s) { return Narrow(s.c_str(), static_cast<int>(s.size())); }

}  // namespace sorvik

#endif
