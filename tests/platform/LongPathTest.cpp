// Windows paths as the user types them and as the file functions take them at
// any length. Pure text: run natively and under Wine alike.
#include <gtest/gtest.h>

#include <string>

#include "LongPath.h"

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
  EXPECT_EQ(NormalWindowsFolder("C:\\data. \\x", cwd), "C:\\data\\x");  // trailing dots and blanks go
  // Shares, typed plainly, with forward slashes or in the long form.
  EXPECT_EQ(NormalWindowsFolder("\\\\server\\share", cwd), "\\\\server\\share\\");
  EXPECT_EQ(NormalWindowsFolder("//server/share/a/../b/", cwd), "\\\\server\\share\\b");
  EXPECT_EQ(NormalWindowsFolder("\\\\?\\UNC\\server\\share\\b", cwd), "\\\\server\\share\\b");
  EXPECT_EQ(NormalWindowsFolder("\\\\?\\Z:\\tmp\\x\\", cwd), "Z:\\tmp\\x");
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

}  // namespace
}  // namespace sorvik
