#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "FakeFileSystem.h"
#include "ReferenceScan.h"
#include "TestFolder.h"
#include "uFinder.h"

namespace sorvik {
namespace {

using test::TTestFolder;

struct TSetup {
  std::string Words;
  std::uint8_t Mode = 0;
  bool IgnoreCase = false;
  bool WholeWords = false;
};

// Configures a finder the way the search worker does, then attaches `contents`.
class FinderOn {
 public:
  FinderOn(const TSetup& s, const std::string& contents) : Contents_(contents) {
    F.SetWords(s.Words);
    F.SetIgnoreCase(s.IgnoreCase);
    F.SetWholeWords(s.WholeWords);
    F.SetMatchMode(s.Mode);
    F.AttachBuffer(reinterpret_cast<const std::uint8_t*>(Contents_.data()), Contents_.size());
  }
  TBMHWordsFinder F;

 private:
  std::string Contents_;
};

std::int64_t FindIn(const TSetup& s, const std::string& contents) { return FinderOn(s, contents).F.Find(); }

TEST(Finder, PositionsAtTheEdges) {
  EXPECT_EQ(FindIn({"abc"}, "abcdef"), 1);
  EXPECT_EQ(FindIn({"def"}, "abcdef"), 4);
  EXPECT_EQ(FindIn({"abcdef"}, "abcdef"), 1);
  EXPECT_EQ(FindIn({"abcdefg"}, "abcdef"), 0);
  EXPECT_EQ(FindIn({"x"}, "abcdef"), 0);
  EXPECT_EQ(FindIn({"f"}, "abcdef"), 6);
  EXPECT_EQ(FindIn({"b"}, ""), 0);
}

TEST(Finder, WholeWordBoundaries) {
  const TSetup cat{"cat", 0, false, true};
  EXPECT_EQ(FindIn(cat, "cat.dog"), 1);
  EXPECT_EQ(FindIn(cat, "cat\n"), 1);
  EXPECT_EQ(FindIn(cat, "cat"), 1);
  EXPECT_EQ(FindIn(cat, "dog cat"), 5);
  EXPECT_EQ(FindIn(cat, "cat-dog"), 0);
  EXPECT_EQ(FindIn(cat, "cat_dog"), 0);
  EXPECT_EQ(FindIn(cat, "catalogue"), 0);
  EXPECT_EQ(FindIn(cat, "concat cat"), 8);
  EXPECT_EQ(FindIn(cat, std::string("\xE9" "cat")), 0);
  EXPECT_EQ(FindIn(cat, std::string("cat\0", 4)), 0);
  EXPECT_EQ(FindIn(cat, std::string("\x7F" "cat")), 0);
  EXPECT_EQ(FindIn(cat, "(cat)"), 2);
  EXPECT_EQ(FindIn(cat, "@cat|"), 2);
  // Boundary bytes are tested unfolded; the hit itself is folded.
  EXPECT_EQ(FindIn({"cat", 0, true, true}, "x CAT!"), 3);
  EXPECT_EQ(FindIn({"cat", 0, false, false}, "concat"), 4);
}

TEST(Finder, OverlapsAndAllMode) {
  FinderOn aa({"aa"}, "aaaa");
  const THitList& hits = aa.F.FindAllHits();
  ASSERT_EQ(hits.size(), 3u);
  EXPECT_EQ(hits[0].Position, 1);
  EXPECT_EQ(hits[1].Position, 2);
  EXPECT_EQ(hits[2].Position, 3);
  EXPECT_EQ(hits[2].Length, 2);
  EXPECT_EQ(aa.F.FindNextHit(), 1);
  EXPECT_EQ(aa.F.FindNextHit(), 2);
  EXPECT_EQ(aa.F.FindNextHit(), 3);
  EXPECT_EQ(aa.F.FindNextHit(), 0);

  EXPECT_EQ(FindIn({"ab b", 1}, "ab"), 2);  // overlapping words; the shorter one is searched last
  EXPECT_EQ(FindIn({"b ab", 1}, "ab"), 2);
  EXPECT_EQ(FindIn({"ab zz", 1}, "ab"), 0);
  EXPECT_EQ(FindIn({"ab zz", 0}, "xxab"), 3);
  EXPECT_EQ(FindIn({"zz ab", 3}, "xxab"), 3);  // modes above 2 behave as any
  EXPECT_EQ(FindIn({"dog cat", 1}, "cat ... dog"), 9);  // "dog" is last in order
  EXPECT_EQ(FindIn({"a b", 2}, "a  a b"), 4);          // exact: one word with its space

  // Hits of several words come back sorted by position.
  FinderOn two({"bc abcd"}, "abcd bc");
  const THitList& h2 = two.F.FindAllHits();
  ASSERT_EQ(h2.size(), 3u);
  EXPECT_EQ(h2[0].Position, 1);
  EXPECT_EQ(h2[0].Length, 4);
  EXPECT_EQ(h2[1].Position, 2);
  EXPECT_EQ(h2[2].Position, 6);
}

TEST(Finder, SplittingQuotingAndOrder) {
  TBMHWordsFinder f;
  f.SetWords("");
  EXPECT_FALSE(f.HasWords());
  f.SetWords("   ");
  EXPECT_TRUE(f.HasWords());
  EXPECT_TRUE(f.WordList().empty());
  EXPECT_EQ(FindIn({"   "}, "a   b"), 0);
  EXPECT_EQ(FindIn({"   ", 2}, "a   b"), 2);  // exact: a word of spaces
  f.SetWords("\"\"");
  ASSERT_EQ(f.WordList().size(), 1u);
  EXPECT_EQ(f.WordList()[0], "");
  EXPECT_EQ(FindIn({"\"\""}, "\"\""), 0);
  f.SetWords("\"abc");
  EXPECT_EQ(f.WordList(), std::vector<std::string>{"abc"});
  f.SetWords("\"ab\"cd");
  EXPECT_EQ(f.WordList(), (std::vector<std::string>{"ab", "cd"}));
  f.SetWords("\"say \"\"hi\"\"\" x\"y");
  EXPECT_EQ(f.WordList(), (std::vector<std::string>{"say \"hi\"", "x\"y"}));
  f.SetWords(std::string("a\0b\tc", 5));  // NUL ends a word and is skipped like a blank
  EXPECT_EQ(f.WordList(), (std::vector<std::string>{"a", "b", "c"}));
  // Longest first; equal lengths ignoring case; empty words last; duplicates stay.
  f.SetWords("b \"\" ccc A aa ccc");
  EXPECT_EQ(f.WordList(), (std::vector<std::string>{"ccc", "ccc", "aa", "A", "b", ""}));
  f.SetMatchMode(2);
  EXPECT_EQ(f.WordList(), std::vector<std::string>{"b \"\" ccc A aa ccc"});
  f.SetMatchMode(0);
  EXPECT_EQ(f.WordList().size(), 6u);
}

TEST(Finder, WordLengthLimit) {
  const std::string w255(255, 'q'), w256(256, 'q');
  EXPECT_EQ(FindIn({w255}, "x" + w255), 2);
  TBMHWordsFinder f;
  try {
    f.SetWords(w256);
    FAIL() << "no exception";
  } catch (const EPatternTooLarge& e) {
    EXPECT_STREQ(e.what(), "Length of text to be found must be 255 characters or less");
  }
  EXPECT_TRUE(f.WordList().empty());
  // Exact: the limit applies to the whole text, even when its parts are short.
  std::string phrase;
  while (phrase.size() < 256) phrase += "ab ";
  phrase.resize(256);
  TBMHWordsFinder g;
  g.SetWords(phrase);
  EXPECT_THROW(g.SetMatchMode(2), EPatternTooLarge);
  TBMHWordsFinder h;
  h.SetMatchMode(2);
  EXPECT_THROW(h.SetWords(phrase), EPatternTooLarge);
  phrase.resize(255);
  EXPECT_NO_THROW(h.SetWords(phrase));
}

TEST(Finder, IgnoreCaseFolds) {
  EXPECT_EQ(FindIn({"Hello", 0, true}, "say HELLO"), 5);
  EXPECT_EQ(FindIn({"Hello", 0, true}, "say hello"), 5);
  EXPECT_EQ(FindIn({"Hello", 0, false}, "say hello"), 0);
  EXPECT_EQ(FindIn({"Hello", 0, false}, "say Hello"), 5);
  // Windows-1252: both the words and the contents go through the upper-case table.
  EXPECT_EQ(FindIn({"caf\xE9", 0, true}, "caf\xE9 CAF\xC9"), 1);
  EXPECT_EQ(FindIn({"caf\xC9", 0, true}, "caf\xE9"), 1);
  EXPECT_EQ(FindIn({"caf\xC9", 0, true}, "CAF\xC9"), 1);
  EXPECT_EQ(FindIn({"caf\xC9", 0, false}, "caf\xE9"), 0);
  EXPECT_EQ(UpperCaseTable()[0xE9], 0xC9);
  EXPECT_EQ(UpperCaseTable()[0xFF], 0x9F);
  EXPECT_EQ(UpperCaseTable()['a'], 'A');
  EXPECT_EQ(UpperCaseTable()[0xF7], 0xF7);
  // Switching the case option later folds the words again.
  TBMHWordsFinder f;
  f.SetWords("abc");
  f.SetIgnoreCase(true);
  EXPECT_EQ(f.WordList()[0], "ABC");
  f.SetIgnoreCase(false);
  EXPECT_EQ(f.WordList()[0], "abc");
}

// Words with lower-case letters outside a..z, typed in lower case, in ANSI files
// holding their lower, upper and mixed forms.
TEST(FinderFiles, IgnoringCaseFindsAccentedLetters) {
  TTestFolder dir;
  struct TForm {
    const char* Name;
    std::string Gruesse, Cafe, Naive;
  };
  const TForm forms[] = {{"lower", "gr\xFC\xDF" "e", "caf\xE9", "na\xEFve"},
                         {"upper", "GR\xDC\xDF" "E", "CAF\xC9", "NA\xCFVE"},
                         {"mixed", "Gr\xDC\xDF" "e", "cAf\xC9", "Na\xEFvE"}};
  const std::string typed = "gr\xFC\xDF" "e caf\xE9 na\xEFve";
  const std::string phrase = "gr\xFC\xDF" "e und caf\xE9";
  TBMHWordsFinder f;
  for (const TForm& form : forms) {
    const std::string text = form.Gruesse + " und " + form.Cafe + ", " + form.Naive + ".";
    const std::string path = dir.File(std::string(form.Name) + ".txt", text);
    const std::string inside = dir.File(std::string(form.Name) + "-inside.txt", "vor" + form.Gruesse + "n");
    const bool own = std::string(form.Name) == "lower";
    for (bool whole : {false, true}) {
      for (const TSetup& s : {TSetup{typed, 0}, TSetup{typed, 1}, TSetup{phrase, 2}}) {
        for (bool ignoreCase : {true, false}) {
          f.SetWords(s.Words);
          f.SetIgnoreCase(ignoreCase);
          f.SetWholeWords(whole);
          f.SetMatchMode(s.Mode);
          f.AttachFile(path);
          const std::int64_t expected = !ignoreCase && !own ? 0
                                        : s.Mode == 1        ? static_cast<std::int64_t>(text.rfind(form.Cafe)) + 1
                                                             : 1;
          EXPECT_EQ(f.Find(), expected) << form.Name << " mode " << int(s.Mode) << " whole " << whole << " ic "
                                        << ignoreCase;
          f.AttachFile(inside);
          EXPECT_EQ(f.Find(), s.Mode == 0 && !whole && (ignoreCase || own) ? 4 : 0)
              << form.Name << " inside, mode " << int(s.Mode) << " whole " << whole << " ic " << ignoreCase;
        }
      }
    }
  }
  // Typed in capitals and case-sensitive, only the capitals are found.
  f.SetWords(forms[1].Cafe);
  f.SetIgnoreCase(false);
  f.SetWholeWords(false);
  f.SetMatchMode(0);
  for (const TForm& form : forms) {
    f.AttachFile(dir.Path(std::string(form.Name) + ".txt"));
    EXPECT_EQ(f.Find() > 0, std::string(form.Name) == "upper") << form.Name;
  }
}

TEST(FinderFiles, UnusableFilesAreNotFound) {
  TTestFolder dir;
  TBMHWordsFinder f;
  f.SetWords("x");
  const std::string empty = dir.File("empty.txt");
  for (const std::string& path : {empty, dir.Path("missing.txt"), dir.Folder("sub"), std::string()}) {
    f.AttachFile(path);
    EXPECT_FALSE(f.Attached()) << path;
    EXPECT_EQ(f.Find(), 0) << path;
  }
  const std::string hit = dir.File("hit.txt", "..x..");
  f.AttachFile(hit);
  EXPECT_TRUE(f.Attached());
  EXPECT_EQ(f.FileName(), hit);
  EXPECT_EQ(f.Find(), 3);
  f.DetachFile();
  EXPECT_EQ(f.Find(), 0);
}

// The same words over a file read through small successive views and whole.
TEST(FinderFiles, ViewsGiveTheWholeFileResult) {
  TTestFolder dir;
  std::string text;
  for (int i = 0; i < 3000; ++i) text += (i % 7 == 0) ? "needle " : "hay-stack ";
  text += "tail.needle";
  const std::string path = dir.File("big.txt", text);
  for (const TSetup& s : {TSetup{"needle"}, TSetup{"needle", 0, false, true}, TSetup{"stack needle", 1},
                          TSetup{"NEEDLE", 0, true}, TSetup{"k needle", 2}}) {
    TBMHWordsFinder whole, windowed;
    for (TBMHWordsFinder* f : {&whole, &windowed}) {
      f->SetWords(s.Words);
      f->SetIgnoreCase(s.IgnoreCase);
      f->SetWholeWords(s.WholeWords);
      f->SetMatchMode(s.Mode);
    }
    windowed.SetMaxViewSize(700);
    whole.AttachFile(path);
    windowed.AttachFile(path);
    EXPECT_EQ(windowed.Find(), whole.Find()) << s.Words;
    const THitList a = whole.FindAllHits();
    const THitList b = windowed.FindAllHits();
    ASSERT_EQ(a.size(), b.size()) << s.Words;
    for (std::size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i].Position, b[i].Position);
  }
}

// Every word is looked for in one pass over the file: as many bytes are read
// for eight words as for one, in any and all modes, and words that lie across
// the places where views and chunks meet are found as a plain scan finds them.
TEST(FinderFiles, AllWordsInOnePass) {
  std::string text;
  for (int i = 0; text.size() < (1u << 20); ++i) text += i % 5 ? "plain text line\n" : "w\xC3\xB6rds\tand more\r\n";
  // Words across the first chunk's end, a 64 KiB view's end and in UTF-16 near the file's end.
  text.replace((256u << 10) - 3, 6, "Kestr!");
  text.replace((640u << 10) - 2, 5, " owl ");
  const std::string utf16 = std::string("h\0e\0r\0o\0n\0", 10);
  text.replace(text.size() - 12, 10, utf16);
  test::TFakeFileSystem fs;
  fs.AddFolder("C:\\d\\");
  fs.Add("C:\\d\\", "f.txt", faArchive, text);
  fs.ViewHint = 64u << 10;
  auto mapped = [&](const std::string& words, std::uint8_t mode, std::int64_t& found) {
    TBMHWordsFinder f(fs);
    f.SetWords(words);
    f.SetIgnoreCase(true);
    f.SetMatchMode(mode);
    fs.MappedBytes = 0;
    f.AttachFile("C:\\d\\f.txt");
    found = f.Find();
    return fs.MappedBytes.load();
  };
  std::int64_t found = 0;
  const std::uint64_t one = mapped("absent1", 0, found);
  EXPECT_LT(one, text.size() + text.size() / 10);
  for (std::uint8_t mode : {0, 1}) {
    EXPECT_EQ(mapped("absent1 absent2 absent3 absent4 absent5 absent6 absent7 absent8", mode, found), one);
    EXPECT_EQ(found, 0);
  }
  // All mode reads up to the last word it needs, any mode up to the first one found.
  EXPECT_LT(mapped("kestr heron owl", 1, found), one + one / 10);
  EXPECT_EQ(found, test::RefFind(text, "kestr heron owl", 1, true, false));
  EXPECT_GT(found, 0);
  EXPECT_LT(mapped("heron owl kestr", 0, found), (384u << 10));
  EXPECT_EQ(found, (256 << 10) - 3 + 1);
}

// A file of more than 2 GiB is searched through views; positions past 2^31 are exact.
TEST(FinderFiles, FilesOfTwoGigabytesAndMore) {
  TTestFolder dir;
  const std::uint64_t size = (std::uint64_t{1} << 31) + 4096;
  const std::string path = dir.SizedFile("huge.bin", size);
  const std::string word(64, 'Z');
  {
    // The word sits across the 2 GiB line, after the last 64 MiB view boundary.
    std::fstream out(std::filesystem::path(std::u8string(path.begin(), path.end())),
                     std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>((std::uint64_t{1} << 31) - 10));
    out << ' ' << word << ' ';
  }
  TBMHWordsFinder f;
  f.SetWords(word);
  f.SetWholeWords(true);
  f.AttachFile(path);
  ASSERT_TRUE(f.Attached());
  EXPECT_EQ(f.Find(), static_cast<std::int64_t>((std::uint64_t{1} << 31) - 10 + 2));
}

// Cut from the Linux side, which the file's handles don't hold back.
void CutToZero(const std::string& path) {
  const std::filesystem::path file(std::u8string(path.begin(), path.end()));
  ASSERT_TRUE(test::RunUnixProgram("/usr/bin/truncate", {"-s", "0", test::UnixPath(path)}));
  for (int i = 0; i < 500 && std::filesystem::file_size(file) != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(std::filesystem::file_size(file), 0u);
}

// A file cut short while it is searched, read span by span (or mapped, on POSIX): its scan
// ends as "not found", without a crash, and the next file is searched as usual.
TEST(FinderFiles, TruncatedWhileSearchedIsNotFound) {
  TTestFolder dir;
  for (const std::uint64_t size : {std::uint64_t{12} << 20, kReadSpansLimit + (std::uint64_t{1} << 20)}) {
    const std::string path = dir.SizedFile("cut.txt", size);
    {
      std::fstream out(std::filesystem::path(std::u8string(path.begin(), path.end())),
                       std::ios::in | std::ios::out | std::ios::binary);
      out.seekp(static_cast<std::streamoff>(size - 7));
      out << " needle";
    }
    TBMHWordsFinder f;
    f.SetWords("needle");
    f.AttachFile(path);
    ASSERT_TRUE(f.Attached());
    CutToZero(path);
    if (HasFatalFailure()) return;
    EXPECT_EQ(f.Find(), 0) << size;
    f.AttachFile(dir.File("ok.txt", "a needle"));
    EXPECT_EQ(f.Find(), 3);
  }
}

// Several threads each search a large file at once, as a search's helpers do,
// and one file is cut short while it is read: each thread finds what its file
// holds, the cut file is not found and nothing crashes. The files attached at
// once are larger together than the address space of a 32-bit process (2 GiB,
// less under Wine): they must leave room for the rest.
TEST(FinderFiles, LargeFilesOnSeveralThreadsAtOnce) {
  TTestFolder dir;
  const std::uint64_t size = std::uint64_t{450} << 20;
  std::vector<std::string> paths;
  for (int i = 0; i < 5; ++i) {
    paths.push_back(dir.SizedFile("big" + std::to_string(i) + ".txt", size));
    std::fstream out(std::filesystem::path(std::u8string(paths.back().begin(), paths.back().end())),
                     std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>(size - 7));
    out << " needle";
  }
  const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(paths.size());
  std::vector<std::int64_t> found(paths.size(), -1);
  std::vector<int> attached(paths.size(), 0);
  std::latch allAttached(n), go(1);
  {
    // Each thread attaches its file and searches it, as a helper does.
    std::vector<std::jthread> threads;
    for (std::size_t i = 0; i < paths.size(); ++i)
      threads.emplace_back([&, i] {
        TBMHWordsFinder f;
        f.SetWords("needle");
        f.AttachFile(paths[i]);
        attached[i] = f.Attached();
        allAttached.count_down();
        go.wait();
        found[i] = f.Find();
      });
    allAttached.wait();
    std::vector<std::uint8_t> room;
    EXPECT_NO_THROW(room.reserve(std::size_t{256} << 20)) << "the attached files hold the address space";
    room = {};
    CutToZero(paths.back());
    go.count_down();
  }
  if (HasFatalFailure()) return;
  for (std::size_t i = 0; i < paths.size(); ++i) EXPECT_TRUE(attached[i]) << i;
  for (std::size_t i = 0; i + 1 < found.size(); ++i) EXPECT_EQ(found[i], static_cast<std::int64_t>(size) - 5) << i;
  EXPECT_EQ(found.back(), 0);
}

}  // namespace
}  // namespace sorvik
