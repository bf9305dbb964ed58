// Windows paths as the user types them and as the file functions take them at
// any length. Pure text: run natively and under Wine alike.
#include <gtest/gtest.h>

#include <string>

#include "LongPath.h"

#ifdef _WIN32
#include <windows.h>

#include "WinText.h"
#endif

namespace sorvik {
namespace {

TEST(LongPath, FoldersAsUsersTypeThem) {
  const std::string cwd = "D:\\work\\here";
  EXPECT_EQ(NormalWindowsFolder("C:\\data", cwd), "C:\\data");
  EXPECT_EQ(NormalWindowsFolder("C:\\data\\", cwd), "C:\\data");
  EXPECT_EQ(NormalWindowsFolder("c:/data//logs/./old/../new/", cwd), "c:\\data\\logs\\new");
  EXPECT_EQ(NormalWindowsFolder("C:\\..\\..", cwd), "C:\\");  // never above the root
  EXPECT_EQ(NormalWindowsFolder("C:", cwd), "C:\\");
  EXPECT_EQ(NormalWindowsFolder("C:\\", cwd), "C:\\");
  EXPECT_EQ(NormalWindowsFolder("D:sub", cwd), "D:\\work\\here\\sub");  // the drive's current folder
  EXPECT_EQ(NormalWindowsFolder("E:sub", cwd), "E:\\sub");
  EXPECT_EQ(NormalWindowsFolder("sub\\..\\other", cwd), "D:\\work\\here\\other");
  EXPECT_EQ(NormalWindowsFolder("\\top", cwd), "D:\\top");
  // Shares, typed plainly, with forward slashes or in the long form.
  EXPECT_EQ(NormalWindowsFolder("\\\\server\\share", cwd), "\\\\server\\share\\");
  EXPECT_EQ(NormalWindowsFolder("//server/share/a/../b/", cwd), "\\\\server\\share\\b");
  EXPECT_EQ(NormalWindowsFolder("\\\\?\\UNC\\server\\share\\b", cwd), "\\\\server\\share\\b");
  EXPECT_EQ(NormalWindowsFolder("\\\\?\\Z:\\tmp\\x\\", cwd), "Z:\\tmp\\x");
  EXPECT_EQ(NormalWindowsFolder("\\\\?\\Z:", cwd), "Z:\\");
  EXPECT_EQ(NormalWindowsFolder("\\\\server", cwd), "\\\\server");  // no share: left for the check to refuse
  EXPECT_EQ(NormalWindowsFolder("  ", cwd), "  ");
  EXPECT_EQ(NormalWindowsFolder("rel", ""), "rel");
  EXPECT_EQ(PlainPath("\\\\?\\UNC\\server\\share\\f.txt"), "\\\\server\\share\\f.txt");
  EXPECT_EQ(PlainPath("\\\\?\\C:\\f.txt"), "C:\\f.txt");
  EXPECT_EQ(PlainPath("C:\\f.txt"), "C:\\f.txt");
}

TEST(LongPath, TheLongFormFromTheLimitOn) {
  auto drivePath = [](std::size_t length) {
    std::string p = "C:\\";
    while (p.size() < length) p += "abcdefghi\\";
    p.resize(length);
    if (p.back() == '\\') p.back() = 'x';
    return p;
  };
  const std::string under = drivePath(kLongPathFrom - 1), at = drivePath(kLongPathFrom), over = drivePath(300);
  EXPECT_EQ(SystemPath(under), under);
  EXPECT_EQ(SystemPath(at), "\\\\?\\" + at);
  EXPECT_EQ(SystemPath(over), "\\\\?\\" + over);
  EXPECT_EQ(PlainPath(SystemPath(over)), over);
  // Shares take the UNC form; the long form is left alone.
  const std::string share = "\\\\server\\share\\" + over.substr(3);
  EXPECT_EQ(SystemPath(share), "\\\\?\\UNC\\server\\share\\" + over.substr(3));
  EXPECT_EQ(SystemPath("\\\\?\\" + over), "\\\\?\\" + over);
  // That form is literal: slashes, "." and ".." are resolved first, and a
  // folder keeps its trailing delimiter.
  const std::string messy = "C:/" + over.substr(3) + "/./sub/../";
  EXPECT_EQ(SystemPath(messy), "\\\\?\\" + over + "\\");
  EXPECT_EQ(SystemPath(over + "\\*.*"), "\\\\?\\" + over + "\\*.*");
  // Paths that aren't full stay as they are, however long.
  const std::string relative = over.substr(3);
  EXPECT_EQ(SystemPath(relative), relative);
  EXPECT_EQ(SystemPath("C:" + relative), "C:" + relative);
}

// Windows' rules for a typed path: a segment loses one trailing dot, the last
// one (unless a delimiter follows it) every trailing dot and blank; "\\?\" is
// literal, shown without its prefix where that names the same entry; "\\.\"
// is normalised and shown as typed.
TEST(LongPath, OnlyTheLastPartLosesItsDotsAndBlanks) {
  const std::string cwd = "D:\\work";
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\a \\b", "C:\\a \\b"},
      {"C:\\data. \\x", "C:\\data. \\x"},
      {"C:\\a.\\b", "C:\\a\\b"},
      {"C:\\a..\\b", "C:\\a.\\b"},
      {"C:\\a\\b. ", "C:\\a\\b"},
      {"C:\\a\\b \\", "C:\\a\\b "},
      {"C:\\a\\b.\\", "C:\\a\\b"},
      {"C:\\a \\b\\..", "C:\\a"},
      {"C:\\a\\b. \\.", "C:\\a\\b"},
      {"C:\\a\\b\\.. ", "C:\\a\\b"},
      {"C:\\. ", "C:\\"},
      {"sub ", "D:\\work\\sub"},
      {"\\\\srv\\sh\\a \\b.", "\\\\srv\\sh\\a \\b"},
      {"\\\\?\\C:\\a \\b. ", "C:\\a \\b. "},
      {"\\\\?\\UNC\\srv\\sh\\con", "\\\\srv\\sh\\con"},
      {"\\\\?\\C:\\a\\..\\b", "\\\\?\\C:\\a\\..\\b"},
      {"\\\\?\\Volume{1}\\a", "\\\\?\\Volume{1}\\a"},
      {"\\\\?\\UNC\\srv\\sh", "\\\\srv\\sh\\"},
      {"\\\\.\\C:\\a\\..\\b.", "\\\\.\\C:\\b"},
      {"\\\\.\\C:\\..\\..", "\\\\.\\C:\\"},
      {"\\\\.\\c:", "\\\\.\\c:\\"},
      {"//./C:/x/", "\\\\.\\C:\\x"},
      {"//?/C:/x/../y", "C:\\y"},
      {"\\\\.\\UNC\\srv\\sh\\a\\..\\..", "\\\\.\\UNC\\srv\\sh\\"},
  };
  for (const auto& [typed, normal] : cases) EXPECT_EQ(NormalWindowsFolder(typed, cwd), normal) << typed;
}

// The long form for every path whose plain form the system would change: a
// part that ends in a dot or blank, or names a device; a "\\.\" path is its
// drive's or share's path for the file functions.
TEST(LongPath, TheLongFormForNamesTheSystemWouldChange) {
  for (const std::string odd : {"C:\\x\\doc.txt ", "C:\\x\\memo.txt.", "C:\\x\\sub.\\f", "C:\\x\\CON", "C:\\x\\aux.txt",
                                "C:\\x\\Nul.txt\\f", "C:\\x\\COM1.log", "C:\\x\\con .txt", "C:\\x\\lpt9",
                                "C:\\x\\COM\xC2\xB9.txt", "C:\\x\\prn", "C:\\x\\AUX.tar.gz"})
    EXPECT_EQ(SystemPath(odd), "\\\\?\\" + odd);
  for (const std::string plain : {"C:\\x\\CONSOLE", "C:\\x\\com10", "C:\\x\\com0", "C:\\x\\auxi.txt", "C:\\x\\ a",
                                  "C:\\x\\a.b", "C:\\", "C:\\x\\lpt\xC2\xB4", "x\\con"})
    EXPECT_EQ(SystemPath(plain), plain);
  EXPECT_EQ(SystemPath("\\\\srv\\sh\\doc "), "\\\\?\\UNC\\srv\\sh\\doc ");
  EXPECT_EQ(SystemPath("\\\\.\\C:\\x\\f.txt"), "C:\\x\\f.txt");
  EXPECT_EQ(SystemPath("\\\\.\\C:\\x\\f."), "\\\\?\\C:\\x\\f.");
  EXPECT_EQ(SystemPath("\\\\.\\UNC\\srv\\sh\\f"), "\\\\srv\\sh\\f");
  EXPECT_EQ(SystemPath("\\\\.\\UNC\\srv\\sh\\f "), "\\\\?\\UNC\\srv\\sh\\f ");
  const std::string deep = "C:\\" + std::string(300, 'd') + "\\f";
  EXPECT_EQ(SystemPath("\\\\.\\" + deep), "\\\\?\\" + deep);
  EXPECT_EQ(PlainPath("\\\\?\\Volume{1}\\f"), "\\\\?\\Volume{1}\\f");
}

#ifdef _WIN32
// The path builder against the system's own, where Wine follows Windows' rules.
TEST(LongPath, AsTheSystemMakesPathsFull) {
  std::wstring current(4096, L'\0');
  current.resize(GetCurrentDirectoryW(static_cast<DWORD>(current.size()), current.data()));
  const std::string cwd = Narrow(current);
  for (const std::string typed :
       {"C:\\a \\b", "C:\\data. \\x", "C:\\a.\\b", "C:\\a..\\b", "C:\\a\\b. ", "C:\\a\\b \\", "C:\\a\\b.\\",
        "C:\\a \\b\\..", "C:\\a\\b. \\.", "C:\\a\\b\\.. ", "C:\\a .\\.", "C:\\a. .\\b", "C:\\x\\. \\b", "C:/a /b/",
        "C:\\a\\\\b", "C:\\. ", "C:\\..\\a ", "\\\\srv\\sh\\a \\b.", "\\\\srv\\sh\\..\\..", "\\\\.\\C:\\a \\b. ",
        "\\\\.\\C:\\a.\\b", "//./C:/x/", "sub. ", "sub \\x.", "\\top ", "\\\\?\\C:\\a \\b"}) {
    wchar_t full[4096];
    const DWORD n = GetFullPathNameW(Widen(typed).c_str(), 4096, full, nullptr);
    ASSERT_GT(n, 0u) << typed;
    std::string expected = Narrow(full, static_cast<int>(n));
    // Roots keep their delimiter; other folders end without one.
    if (expected.size() > 3 && expected != "\\\\srv\\sh\\" && expected.back() == '\\') expected.pop_back();
    EXPECT_EQ(PlainPath(NormalWindowsFolder(typed, cwd)), PlainPath(expected)) << typed;
  }
}
#endif

}  // namespace
}  // namespace sorvik
