// Writing a whole file so that a failure leaves the old one whole: the bytes go
// to a file beside it first ("<name>.new"), which then takes its place.
#pragma once

#include <string>
#include <string_view>

namespace sorvik {

// False (and the old file untouched, nothing left beside it) when the bytes
// can't be written whole or the file can't be replaced.
bool ReplaceFileWith(const std::wstring& path, std::string_view bytes);

}  // namespace sorvik
