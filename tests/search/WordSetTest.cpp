// Words in any script found in every encoding of the contents: the ANSI bytes,
// UTF-8 with or without a byte-order mark, UTF-16 LE and BE with or without one,
// and UTF-16 inside binary bytes; in every match mode, with case and whole words
// on and off; across the views of a large file.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace sorvik
