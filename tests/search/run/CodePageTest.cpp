// The finder in the system's double-byte code pages, under Wine with the locale
// set for the test process (see tests/CMakeLists.txt): Shift-JIS files in
// Japanese (932), GBK files in Chinese (936), read through the real file
// functions, with the code page's own conversion, lead bytes and upper-casing.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "HitLines.h"
#include "TestFolder.h"
#include "uFinder.h"

namespace sorvik {
namespace {

// The position of the first hit of a word (typed in UTF-8) in the file.
std::int64_t FindInFile(const std::string& word, bool ignoreCase, bool whole, const std::string& path) {
  TBMHWordsFinder f;
  f.SetWords(word);
  f.SetIgnoreCase(ignoreCase);
  f.SetWholeWords(whole);
  f.SetMatchMode(0);
  f.AttachFile(path);
  return f.Find();
}

TEST(CodePage932, ShiftJisFilesAreSearchedByCharacters) {
  ASSERT_EQ(GetACP(), 932u) << "run with LC_ALL=ja_JP.UTF-8";
  test::TTestFolder dir;
  const std::string a = "\xE3\x82\xA2";  // ア, 83 41 in Shift-JIS
  // ヂ (83 61): its second byte is no "a" to fold.
  EXPECT_EQ(FindInFile(a, true, false, dir.File("di.txt", "\x83\x61")), 0);
  // キャAB (83 4C 83 83 41 42): ャ's second byte and the A after it are no ア.
  EXPECT_EQ(FindInFile(a, true, false, dir.File("kya.txt", "\x83\x4C\x83\x83\x41\x42")), 0);
  // キア: ア right after a two-byte character.
  EXPECT_EQ(FindInFile(a, true, false, dir.File("kia.txt", "\x83\x4C\x83\x41")), 3);
  // 表abc (95 5C 61 62 63): 表's second byte is no backslash, so abc is no whole word.
  EXPECT_EQ(FindInFile("abc", false, true, dir.File("hyo.txt", "\x95\x5C" "abc")), 0);
  EXPECT_EQ(FindInFile("abc", false, true, dir.File("hyo-blank.txt", "\x95\x5C abc")), 4);
  EXPECT_EQ(FindInFile("abc", false, false, dir.File("hyo.txt", "\x95\x5C" "abc")), 3);
}

// Hit lines decode the code page's characters from where they start: a line
// cut before its hit by the reach of its text still starts on a character.
TEST(CodePage932, HitLinesShowShiftJisCharacters) {
  ASSERT_EQ(GetACP(), 932u) << "run with LC_ALL=ja_JP.UTF-8";
  test::TTestFolder dir;
  // ャ (83 83): its second byte is a lead byte too, so that a reading begun on
  // it goes on two bytes at a time until the z.
  std::string bytes;
  for (int i = 0; i < 700; ++i) bytes += "\x83\x83";
  bytes += "z";
  for (int i = 0; i < 5; ++i) bytes += "\x83\x83";
  bytes += "\x83\x41" "abc \x95\x5C\x8E\xA6\r\n";       // アabc 表示
  bytes += "x \x83\x5C\x83\x74\x83\x67 y\n";              // ソフト
  const std::string path = dir.File("sjis.txt", bytes);
  const auto lines = [&](const std::string& word) {
    THitLineFinder finder(std::make_shared<const TWordSet>(TWordQuery{word, true, false, TMatchMode::Any}));
    finder.SetLimits({100, 300});
    std::vector<THitLine> got;
    finder.Run(path, [&](const THitLine& line) {
      got.push_back(line);
      return true;
    });
    return got;
  };
  const std::string kya = "\xE3\x83\xA3";
  std::string before;
  for (int i = 0; i < 293; ++i) before += kya;
  before += "z";
  for (int i = 0; i < 5; ++i) before += kya;
  before += "\xE3\x82\xA2";
  std::vector<THitLine> got = lines("abc");
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Text, before + "abc \xE8\xA1\xA8\xE7\xA4\xBA");
  EXPECT_TRUE(got[0].MoreBefore);
  got = lines("\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88");
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Number, 2);
  EXPECT_EQ(got[0].Text, "x \xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88 y");
  ASSERT_EQ(got[0].Marks.size(), 1u);
  EXPECT_EQ(got[0].Marks[0], (THitMark{2, 11}));
}

TEST(CodePage936, GbkCharactersMatchOnlyThemselvesIgnoringCase) {
  ASSERT_EQ(GetACP(), 936u) << "run with LC_ALL=zh_CN.UTF-8";
  test::TTestFolder dir;
  const std::string zhong = "\xE4\xB8\xAD";  // 中, D6 D0 in GBK
  // 国 (B9 FA): the code page upper-cases a lone lead byte to "?", which must not make every character one.
  EXPECT_EQ(FindInFile(zhong, true, false, dir.File("guo.txt", "\xB9\xFA")), 0);
  EXPECT_EQ(FindInFile(zhong, true, true, dir.File("zhongwen.txt", "x \xD6\xD0 \xCE\xC4")), 3);
  // Ignoring case still folds the one-byte letters of a word beside them.
  EXPECT_EQ(FindInFile(zhong + "abc", true, false, dir.File("mixed.txt", "\xB9\xFA\xD6\xD0" "ABC")), 3);
}

}  // namespace
}  // namespace sorvik
