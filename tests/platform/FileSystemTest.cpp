#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "FileSystem.h"
#include "TestFolder.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sorvik {
namespace {

std::vector<TDirEntry> List(const std::string& folder, const std::string& mask, std::uint32_t attrMask) {
  std::vector<TDirEntry> out;
  auto e = NativeFileSystem().FindFirst(folder, mask, attrMask);
  TDirEntry entry;
  while (e->Next(entry)) out.push_back(entry);
  return out;
}

TEST(NativeFileSystem, EntriesDotsAndAttributes) {
  test::TTestFolder dir;
  dir.File("plain.txt", "12345");
  dir.File(".dotfile", "");
  dir.Folder("child");
  const std::string folder = dir.Root() + test::Delim();
  const auto entries = List(folder, "*.*", faAnyFile);
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].Name, ".");
  EXPECT_EQ(entries[1].Name, "..");
  for (const auto& e : entries) {
    if (e.Name == "plain.txt") {
      EXPECT_EQ(e.Size, 5);
      EXPECT_EQ(e.Attr & (faArchive | faDirectory), faArchive);
      EXPECT_NE(e.Time, 0u);
      EXPECT_GT(e.FindData.LastWriteTime, FileTimeFromUnix(1500000000));
    } else if (e.Name == ".dotfile") {
      EXPECT_NE(e.Attr & faHidden, 0u);
    } else {
      EXPECT_NE(e.Attr & faDirectory, 0u) << e.Name;
    }
  }
  EXPECT_EQ(List(folder, "*.txt", faAnyFile).size(), 1u);
  EXPECT_EQ(List(folder, "", faAnyFile).size(), 0u);
  EXPECT_EQ(List(dir.Path("nope") + test::Delim(), "*.*", faAnyFile).size(), 0u);
  // The folder pass may leave non-folders out, never folders.
  std::vector<std::string> dirs;
  auto e = NativeFileSystem().FindFirst(folder, "*.*", faHidden | faDirectory, true);
  TDirEntry entry;
  while (e->Next(entry)) {
    if (entry.Attr & faDirectory) dirs.push_back(entry.Name);
  }
  std::sort(dirs.begin(), dirs.end());
  EXPECT_EQ(dirs, (std::vector<std::string>{".", "..", "child"}));
}

TEST(NativeFileSystem, FolderIdentitiesAndContents) {
  test::TTestFolder dir;
  dir.Folder("a");
  TFolderId x, y, z;
  ASSERT_TRUE(NativeFileSystem().FolderIdentity(dir.Path("a") + test::Delim(), x));
  ASSERT_TRUE(NativeFileSystem().FolderIdentity(dir.Path("a"), y));
  ASSERT_TRUE(NativeFileSystem().FolderIdentity(dir.Root(), z));
  EXPECT_EQ(x, y);
  EXPECT_FALSE(x == z);
  EXPECT_FALSE(NativeFileSystem().FolderIdentity(dir.Path("none"), x));

  auto reader = NativeFileSystem().NewContentsReader();
  std::string text(200000, 'q');
  text[123457] = '!';
  ASSERT_TRUE(reader->Open(dir.File("c.bin", text)));
  EXPECT_EQ(reader->Size(), text.size());
  const std::uint8_t* p = reader->Map(123450, 100);  // an offset off every page boundary
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p[7], '!');
  EXPECT_FALSE(reader->Faulted());
  reader->Close();
  EXPECT_FALSE(reader->Open(dir.Path("a")));
  EXPECT_FALSE(reader->Open(dir.Path("missing")));
}

// A share is told by its path alone, in every form Windows takes it; what
// can't be looked at (a folder that isn't there) is not remote.
TEST(NativeFileSystem, SharesAreRemote) {
  IFileSystem& fs = NativeFileSystem();
  test::TTestFolder dir;
  EXPECT_FALSE(fs.IsRemote(dir.Path("missing")));
  EXPECT_FALSE(fs.IsRemote(""));
#ifdef _WIN32
  EXPECT_TRUE(fs.IsRemote("\\\\server\\share\\folder\\"));
  EXPECT_TRUE(fs.IsRemote("//server/share"));
  EXPECT_TRUE(fs.IsRemote("\\\\?\\UNC\\server\\share\\folder"));
  EXPECT_TRUE(fs.IsRemote("\\\\?\\unc\\server\\share"));
  EXPECT_FALSE(fs.IsRemote("\\\\?\\Volume{00000000-0000-0000-0000-000000000000}\\"));
#endif
}

#ifndef _WIN32
TEST(NativeFileSystem, PosixReadOnlyAndLinks) {
  test::TTestFolder dir;
  const std::string ro = dir.File("ro.txt", "x");
  chmod(ro.c_str(), 0444);
  const bool root = geteuid() == 0;
  std::filesystem::create_directory_symlink(dir.Root(), dir.Path("loop"));
  std::filesystem::create_symlink(dir.Path("gone"), dir.Path("dangling"));
  bool sawLoop = false, sawDangling = false;
  for (const auto& e : List(dir.Root() + "/", "*.*", faAnyFile)) {
    if (e.Name == "ro.txt") {
      EXPECT_EQ((e.Attr & faReadOnly) != 0, !root);
    }
    if (e.Name == "loop") sawLoop = (e.Attr & faDirectory) != 0;
    if (e.Name == "dangling") sawDangling = (e.Attr & faDirectory) == 0;
  }
  EXPECT_TRUE(sawLoop);
  EXPECT_TRUE(sawDangling);
  // The root folder has no "." and "..".
  for (const auto& e : List("/", "*.*", faAnyFile)) EXPECT_TRUE(e.Name != "." && e.Name != "..");
}
#endif

}  // namespace
}  // namespace sorvik
