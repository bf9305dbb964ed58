// The code-page conversions at the Win32 boundary.
#ifdef _WIN32

#include "WinText.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace sorvik {
namespace {

// A fixed buffer (the list asks for its texts so) takes what fits, whole
// characters only, and is always terminated.
TEST(WinText, WidenIntoCutsToWholeCharacters) {
  wchar_t out[8];
  const std::string smile = "a\xF0\x9F\x98\x80" "b";  // a, U+1F600 (two units), b
  EXPECT_EQ(WidenInto(smile, out, 8), 4);
  EXPECT_STREQ(out, L"a\xD83D\xDE00" L"b");
  EXPECT_EQ(WidenInto(smile, out, 3), 1);  // room for two units: the pair doesn't fit whole
  EXPECT_STREQ(out, L"a");
  out[0] = L'x';
  EXPECT_EQ(WidenInto(smile, out, 1), 0);
  EXPECT_EQ(out[0], L'\0');
  EXPECT_EQ(WidenInto("\xCE\xB5\xCE\xBB", out, 2), 1);  // Greek: one of two
  EXPECT_STREQ(out, L"\x3B5");
}

// Only a code page that holds every character gives a text; Widen and Narrow round-trip.
TEST(WinText, ExactCodePageTextAndRoundTrips) {
  const std::wstring cafe = L"caf\xE9", greek = L"\x3B5\x3BB";
  EXPECT_EQ(NarrowCodePageExact(1252, cafe.c_str(), static_cast<int>(cafe.size())), std::string("caf\xE9"));
  EXPECT_FALSE(NarrowCodePageExact(1252, greek.c_str(), static_cast<int>(greek.size())).has_value());
  EXPECT_EQ(Narrow(Widen("\xCE\xB5\xCE\xBB \xE4\xB8\xAD")), "\xCE\xB5\xCE\xBB \xE4\xB8\xAD");
  EXPECT_EQ(WidenCodePage(1252, "caf\xE9", 4), cafe);
}

}  // namespace
}  // namespace sorvik

#endif
