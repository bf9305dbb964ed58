// Text conversions at the Win32 boundary: UTF-8 <-> UTF-16, and any code page
// (CP_ACP, CP_UTF8, ...) <-> UTF-16.
#pragma once
#ifdef _WIN32

#include <optional>
#include <string>
#include <string_view>

namespace sorvik {

std::wstring Widen(const std::string& utf8);
void Widen(const std::string& utf8, std::wstring& out);  // reuses out's buffer
std::string Narrow(const wchar_t* utf16, int length = -1);
inline std::string Narrow(const std::wstring& s) { return Narrow(s.c_str(), static_cast<int>(s.size())); }

// `length` bytes in a code page as UTF-16; nothing when they can't be converted.
std::wstring WidenCodePage(unsigned codePage, const char* text, int length);
void WidenCodePage(unsigned codePage, const char* text, int length, std::wstring& out);  // reuses out's buffer

// `length` UTF-16 characters in a code page; one it can't hold becomes its
// default character ('?') or a look-alike.
std::string NarrowCodePage(unsigned codePage, const wchar_t* text, int length);

// The same without default characters or look-alikes: nothing when the code
// page can't hold every character exactly. Not for CP_UTF8, which holds all.
std::optional<std::string> NarrowCodePageExact(unsigned codePage, const wchar_t* text, int length);

// UTF-8 into a fixed buffer of `capacity` characters, cut to fit and always
// terminated (nothing written when capacity is 0). The characters written,
// without the terminator.
int WidenInto(std::string_view utf8, wchar_t* out, int capacity);

}  // namespace sorvik

#endif
