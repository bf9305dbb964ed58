// Words in any script found in every encoding of the contents: the ANSI bytes,
// UTF-8 with or without a byte-order mark, UTF-16 LE and BE with or without one,
// and UTF-16 inside binary bytes; in every match mode, with case and whole words
// on and off; across the views of a large file; in a double-byte code page.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "UnicodeText.h"
#include "uFinder.h"

namespace sorvik {
namespace {

std::string Utf16(const std::u32string& text, bool bigEndian, bool bom) {
  std::string out;
  if (bom) AppendUtf16(out, 0xFEFF, bigEndian);
  for (char32_t c : text) AppendUtf16(out, c, bigEndian);
  return out;
}

std::int64_t FindIn(const std::string& words, std::uint8_t mode, bool ignoreCase, bool whole,
                    const std::string& contents, std::size_t view = 0) {
  TBMHWordsFinder f;
  f.SetWords(words);
  f.SetIgnoreCase(ignoreCase);
  f.SetWholeWords(whole);
  f.SetMatchMode(mode);
  if (view) f.SetMaxViewSize(view);
  f.AttachBuffer(reinterpret_cast<const std::uint8_t*>(contents.data()), contents.size());
  return f.Find();
}

TEST(WordSet, EveryEncodingIsFoundInEveryMode) {
  const std::u32string text = U"Gr\u00FC\u00DFe und caf\u00E9.";
  std::string binary = std::string("\x7F" "ELF\x02\x01\x00\x00\x13\x37\xFF", 11);
  binary += Utf16(U" " + text, false, false);  // at an odd offset, no byte-order mark
  binary += std::string("\x00\x00\x90\x90\xC3", 5);
  const std::vector<std::pair<const char*, std::string>> files = {
      {"Windows-1252", "Gr\xFC\xDF" "e und caf\xE9."},
      {"UTF-8", EncodeUtf8(text)},
      {"UTF-8 with BOM", "\xEF\xBB\xBF" + EncodeUtf8(text)},
      {"UTF-16 LE with BOM", Utf16(text, false, true)},
      {"UTF-16 BE without BOM", Utf16(text, true, false)},
      {"UTF-16 in binary", binary},
  };
  const std::string typed = EncodeUtf8(U"Gr\u00FC\u00DFe caf\u00E9"), phrase = EncodeUtf8(U"Gr\u00FC\u00DFe und caf\u00E9");
  const std::string upper = EncodeUtf8(U"GR\u00DC\u00DFE CAF\u00C9");  // ß has no simple upper-case form
  for (const auto& [name, contents] : files)
    for (bool ignoreCase : {false, true})
      for (bool whole : {false, true}) {
        SCOPED_TRACE(std::string(name) + (ignoreCase ? ", ignoring case" : "") + (whole ? ", whole words" : ""));
        EXPECT_GT(FindIn(typed, 0, ignoreCase, whole, contents), 0);
        EXPECT_GT(FindIn(typed, 1, ignoreCase, whole, contents), 0);
        EXPECT_GT(FindIn(phrase, 2, ignoreCase, whole, contents), 0);
        EXPECT_EQ(FindIn(upper, 1, ignoreCase, whole, contents) > 0, ignoreCase);
        // Nothing of the word alone: "caf" is no whole word in any of them.
        EXPECT_EQ(FindIn("caf", 0, ignoreCase, whole, contents) > 0, !whole);
      }
  // A plain ASCII word in a UTF-16 file, at its place.
  EXPECT_EQ(FindIn("license", 0, true, true, Utf16(U"MIT LICENSE", false, true)), 11);
  EXPECT_EQ(FindIn("license", 0, true, true, Utf16(U"MIT LICENSEE", false, true)), 0);
}

TEST(WordSet, GreekAndCyrillicFoldInUtf8AndUtf16) {
  const std::string words = EncodeUtf8(U"\u03B5\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC \u0440\u0443\u0441\u0441\u043A\u0438\u0439");
  const std::u32string greek = U"\u0395\u039B\u039B\u0397\u039D\u0399\u039A\u0386";       // ΕΛΛΗΝΙΚΆ
  const std::u32string russian = U"\u0420\u0423\u0421\u0421\u041A\u0418\u0419 text";  // РУССКИЙ
  for (const std::u32string* t : {&greek, &russian}) {
    for (const std::string& contents : {EncodeUtf8(*t), Utf16(*t, false, false), Utf16(*t, true, true)}) {
      EXPECT_GT(FindIn(words, 0, true, true, contents), 0);
      EXPECT_EQ(FindIn(words, 0, false, false, contents), 0);  // case counts when asked to
    }
  }
  // Words the code page can't hold are not its question marks.
  EXPECT_EQ(FindIn(words, 0, true, false, "????????"), 0);
  // Final sigma and sigma are one letter ignoring case, in UTF-8 and UTF-16.
  EXPECT_EQ(FindIn(EncodeUtf8(U"\u03BF\u03C2"), 0, true, true, EncodeUtf8(U"x \u039F\u03A3")), 3);
  EXPECT_EQ(FindIn(EncodeUtf8(U"\u03BF\u03C2"), 0, true, true, Utf16(U"\u03BF\u03C3", true, false)), 1);
}

TEST(WordSet, WholeWordsJudgeCharactersNotBytes) {
  auto le = [](const std::u32string& t) { return Utf16(t, false, false); };
  // Next to a letter beyond ASCII: not a whole word, in UTF-8 and UTF-16.
  EXPECT_EQ(FindIn("cafe", 0, false, true, EncodeUtf8(U"cafe\u00DF")), 0);
  EXPECT_EQ(FindIn("cafe", 0, false, true, le(U"\u00E9cafe")), 0);
  // Next to a separator in UTF-16: whole.
  // (ASCII in UTF-16 LE is also UTF-16 BE one byte earlier: the earliest start is given.)
  EXPECT_EQ(FindIn("cafe", 0, false, true, le(U"(cafe,")), 2);
  // U+2C00 is a letter whose second byte is a comma; U+202E ends in a full stop.
  EXPECT_EQ(FindIn("cafe", 0, false, true, le(U"\u2C00cafe")), 0);
  EXPECT_EQ(FindIn("cafe", 0, false, true, le(U"cafe\u202E")), 0);
  // Right after a byte-order mark, a word starts.
  EXPECT_EQ(FindIn("cafe", 0, false, true, "\xEF\xBB\xBF" "cafe"), 4);
  EXPECT_EQ(FindIn("cafe", 0, false, true, Utf16(U"cafe", true, true)), 3);
  EXPECT_EQ(FindIn("cafe", 0, false, true, Utf16(U"cafe!", false, true)), 3);
}

TEST(WordSet, WordsAcrossTheViewsOfALargeFileInEveryEncoding) {
  const std::u32string word = U"\u00DCber\u03A3";
  const std::string typed = EncodeUtf8(U"\u00FCBER\u03C3");
  for (int enc = 0; enc < 3; ++enc) {
    const std::string bytes = enc == 0 ? EncodeUtf8(word) : Utf16(word, enc == 2, false);
    // Spaces in the same encoding around it, at even and odd offsets.
    const std::string space = enc == 0 ? " " : Utf16(U" ", enc == 2, false);
    for (std::size_t at = 300; at < 700; ++at) {
      std::string contents(at % space.size(), 'x');
      while (contents.size() < at) contents += space;
      contents += bytes;
      while (contents.size() < 1000) contents += space;
      for (bool whole : {false, true})
        ASSERT_EQ(FindIn(typed, 0, true, whole, contents, 1), static_cast<std::int64_t>(at) + 1)
            << "encoding " << enc << " at " << at;
    }
  }
}

// Shift-JIS (code page 932): lead bytes 81-9F and E0-FC.
TLeadBytes ShiftJisLeadBytes() {
  TLeadBytes t{};
  for (int b = 0; b < 256; ++b) t[b] = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
  return t;
}

// The words typed as the code page's bytes (here they read as Windows-1252, so
// their ANSI bytes are those bytes), in a word set that takes them as Shift-JIS.
// Every start of the word, 1-based, scanned whole or through the smallest views.
std::vector<std::int64_t> ShiftJisHits(const std::string& word, bool ignoreCase, bool whole, const std::string& contents,
                                       bool views = false) {
  TBMHWordsFinder f;
  f.Use(std::make_shared<const TWordSet>(TWordQuery{word, ignoreCase, whole, TMatchMode::Exact}, true,
                                         ShiftJisLeadBytes()));
  if (views) f.SetMaxViewSize(0);
  f.AttachBuffer(reinterpret_cast<const std::uint8_t*>(contents.data()), contents.size());
  std::vector<std::int64_t> out;
  for (const TFoundWord& h : f.FindAllHits()) out.push_back(h.Position);
  return out;
}

using Hits = std::vector<std::int64_t>;

TEST(WordSet, DoubleByteCodePagesJudgeCharacters) {
  const std::string a = "\x83\x41", di = "\x83\x61", ki = "\x83\x4C", small_ya = "\x83\x83", hyo = "\x95\x5C";
  // Ignoring case, a trail byte is not folded (ヂ is no ア), and no match starts on one (キャAB).
  EXPECT_EQ(ShiftJisHits(a, true, false, di), Hits{});
  EXPECT_EQ(ShiftJisHits(a, true, false, ki + small_ya + "AB"), Hits{});
  EXPECT_EQ(ShiftJisHits(a, true, false, ki + a + di + a), (Hits{3, 7}));
  // Nor is a lead byte, whatever the single-byte upper-casing says of it (9A and E9 are lead bytes here).
  EXPECT_EQ(ShiftJisHits("\x9A\x40", true, false, "\x8A\x40"), Hits{});
  EXPECT_EQ(ShiftJisHits("\xE9\x40", true, false, "\xC9\x40"), Hits{});
  EXPECT_EQ(ShiftJisHits("x\xB1", true, false, "\xB1X\xB1"), Hits{2});  // one-byte characters fold
  // Whole words: 表's second byte is no backslash; a real one, or a blank, is a separator.
  EXPECT_EQ(ShiftJisHits("abc", false, true, hyo + "abc"), Hits{});
  EXPECT_EQ(ShiftJisHits("abc", false, true, hyo + "\\abc " + hyo + " abc"), (Hits{4, 11}));
  EXPECT_EQ(ShiftJisHits("abc", false, true, "abc" + hyo), Hits{});
  EXPECT_EQ(ShiftJisHits(a, false, true, ki + a), Hits{});
  EXPECT_EQ(ShiftJisHits(a, false, true, "(" + a + ")"), Hits{2});
  // An ASCII word's bytes are also its UTF-8: after あ (E3 81 82) in UTF-8 it is
  // found, as a whole word too, though Shift-JIS pairs 82 with the next byte.
  EXPECT_EQ(ShiftJisHits("abc", false, false, "\xE3\x81\x82" "abc"), Hits{4});
  EXPECT_EQ(ShiftJisHits("abc", false, true, "\xE3\x81\x82\\abc"), Hits{5});

  // After a long run of lead bytes the characters pair up from its first byte,
  // also where views of the file start inside the run.
  for (std::size_t run = 290; run < 300; ++run) {
    const std::size_t pad = run / 2 % 2;
    const std::string text = std::string(pad, 'x') + std::string(run, '\x83') + "A " + std::string(run, 'x');
    const Hits expected = run % 2 ? Hits{static_cast<std::int64_t>(pad + run)} : Hits{};
    EXPECT_EQ(ShiftJisHits(a, false, false, text), expected) << run;
    EXPECT_EQ(ShiftJisHits(a, false, false, text, true), expected) << run << ", views";
  }

  // A megabyte of 亜 (88 9F), all of whose bytes could be lead bytes: 9F 88 lies
  // at every odd offset and is no character there. Each candidate's look back
  // ends where the last one's began (else this would take hours).
  std::string kanji;
  for (int i = 0; i < 1 << 19; ++i) kanji += "\x88\x9F";
  EXPECT_EQ(ShiftJisHits("\x9F\x88", false, false, kanji), Hits{});
  EXPECT_EQ(ShiftJisHits("\x9F\x88", false, false, kanji, true), Hits{});
  EXPECT_EQ(ShiftJisHits("\x9F\x88", false, false, "x\x9F\x88" + kanji), Hits{2});

  // At random: Shift-JIS characters, stray lead bytes and ASCII, against a
  // reference that reads the characters from the first byte on. None of these
  // bytes can start the word's other encodings (no C2..F4, no zero byte), so the
  // ANSI bytes decide.
  const TLeadBytes lead = ShiftJisLeadBytes();
  const std::vector<std::string> pieces = {a,      di,  ki,  small_ya, hyo,  "\x81\x40", "\x83",
                                           "\xB1", "a", "A", "b",      "\\", " ",        "@"};
  std::mt19937 rng(20261208);
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  auto chars = [&](const std::string& t) {  // character starts, read from the first byte
    std::vector<bool> starts(t.size() + 2, false);
    for (std::size_t i = 0; i <= t.size(); i += i < t.size() && lead[static_cast<std::uint8_t>(t[i])] ? 2 : 1)
      starts[i] = true;
    return starts;  // the end counts when the last character is whole
  };
  auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  int found = 0;
  for (int iter = 0; iter < 3000; ++iter) {
    std::string word, text;
    for (std::size_t k = 0, n = 1 + pick(3); k < n; ++k) word += pieces[pick(pieces.size())];
    for (std::size_t k = 0, n = pick(iter % 3 ? 40 : 160); k < n; ++k) text += pieces[pick(pieces.size())];
    const bool ignoreCase = pick(2) == 1, whole = pick(2) == 1;
    const std::vector<bool> at = chars(text), inWord = chars(word);
    Hits expected;
    for (std::size_t s = 0; inWord[word.size()] && s + word.size() <= text.size(); ++s) {
      bool ok = at[s];
      for (std::size_t k = 0; ok && k < word.size(); ++k) {
        const bool single = inWord[k] && inWord[k + 1];
        ok = at[s + k] == inWord[k] &&
             (single && ignoreCase ? upper(text[s + k]) == upper(word[k]) : text[s + k] == word[k]);
      }
      const std::size_t e = s + word.size();
      auto separator = [](char c) { return std::string(" \\@").find(c) != std::string::npos; };
      if (ok && whole)
        ok = (s == 0 || (at[s - 1] && separator(text[s - 1]))) && (e == text.size() || separator(text[e]));
      if (ok) expected.push_back(static_cast<std::int64_t>(s) + 1);
    }
    ASSERT_EQ(ShiftJisHits(word, ignoreCase, whole, text), expected)
        << "iteration " << iter << ", word " << ::testing::PrintToString(word);
    ASSERT_EQ(ShiftJisHits(word, ignoreCase, whole, text, true), expected) << "views, iteration " << iter;
    found += !expected.empty();
  }
  EXPECT_GT(found, 400);  // the generator really produces hits
}

}  // namespace
}  // namespace sorvik
