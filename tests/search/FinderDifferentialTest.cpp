// The finder against a plain reference scan: random words (ASCII, accented,
// Greek, dotless i, a character beyond U+FFFF; typed in UTF-8 or in the code
// page's bytes), modes and options, in contents that mix the ANSI bytes, UTF-8,
// UTF-16 LE and BE (at any alignment), byte-order marks, separators and zero
// bytes; scanned whole and through small views. And the product's case tables
// and encoders against the reference's, made apart from them.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "ReferenceScan.h"
#include "UnicodeText.h"
#include "uFinder.h"

namespace sorvik {
namespace {

using namespace test;

TEST(FinderDifferential, AgreesWithReferenceScan) {
  std::mt19937 rng(20261207);
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  // A small alphabet makes occurrences, overlaps and boundaries frequent.
  const std::u32string letters = U"abAB.\"\u00E9\u00C9\u03C3\u03A3\u03C2\u0131I\U0001D400";
  const std::u32string filler = U" \n-_\uFEFF\u0000";
  auto encode = [&](char32_t c, std::string& out) {
    switch (pick(4)) {
      case 0: {
        std::string ansi;
        if (RefAnsiBytes(std::u32string(1, c), ansi)) {
          out += ansi;
          break;
        }
        [[fallthrough]];
      }
      case 1: RefAppendUtf8(out, c); break;
      default: RefAppendUtf16(out, c, pick(2) == 1);
    }
  };
  int cases = 0, hits = 0;
  for (int iter = 0; iter < 5000; ++iter) {
    // Words: UTF-8, or the code page's bytes where it holds them.
    std::string words;
    std::vector<std::u32string> typed;
    const std::size_t nwords = 1 + pick(3);
    const bool ansiWords = pick(4) == 0;
    for (std::size_t i = 0; i < nwords; ++i) {
      if (i) words += ' ';
      std::u32string w;
      for (std::size_t k = 0, wl = 1 + pick(4); k < wl; ++k) w += letters[pick(letters.size())];
      std::string ansi;
      if (ansiWords && RefAnsiBytes(w, ansi))
        words += ansi;
      else
        words += RefEncodeUtf8(w);
      typed.push_back(w);
    }
    // Text: pieces of the words and single characters, each in a random
    // encoding, with filler between and now and then a stray byte.
    std::string text;
    const std::size_t pieces = pick(iter % 4 == 0 ? 400 : 30);
    for (std::size_t i = 0; i < pieces; ++i) {
      const std::size_t kind = pick(10);
      if (kind < 3) {
        for (char32_t c : typed[pick(typed.size())]) encode(pick(3) == 0 ? RefUpper(c) : c, text);
      } else if (kind < 6) {
        encode(letters[pick(letters.size())], text);
      } else if (kind < 9) {
        encode(filler[pick(filler.size())], text);
      } else {
        text += static_cast<char>(pick(256));
      }
    }
    const int mode = static_cast<int>(pick(4));
    const bool ignoreCase = pick(2) == 1, whole = pick(2) == 1;

    auto prepared = [&](TBMHWordsFinder& f) {
      f.SetWords(words);
      f.SetIgnoreCase(ignoreCase);
      f.SetWholeWords(whole);
      f.SetMatchMode(static_cast<std::uint8_t>(mode));
    };
    TBMHWordsFinder f;
    prepared(f);
    ASSERT_EQ(f.WordList(), RefWordList(words, mode == 3 ? 0 : mode, ignoreCase)) << "words [" << words << "]";
    const std::int64_t expected = RefFind(text, words, mode == 3 ? 0 : mode, ignoreCase, whole);
    f.AttachBuffer(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    ASSERT_EQ(f.Find(), expected) << "words [" << words << "] mode " << mode << " ic " << ignoreCase << " ww "
                                  << whole << " iteration " << iter;
    // The same through views barely longer than the longest word.
    TBMHWordsFinder g;
    prepared(g);
    g.SetMaxViewSize(0);
    g.AttachBuffer(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    ASSERT_EQ(g.Find(), expected) << "windowed, words [" << words << "] iteration " << iter;
    // Every accepted occurrence of every word, against the reference.
    std::vector<TRefHit> refHits, gotHits;
    for (const auto& [shown, word] : RefOrder(words, mode == 3 ? 0 : mode, ignoreCase))
      for (const TRefHit& h : RefAll(text, word, ignoreCase, whole)) refHits.push_back(h);
    for (const TFoundWord& h : g.FindAllHits()) gotHits.push_back({h.Position, h.Length});
    auto order = [](const TRefHit& a, const TRefHit& b) {
      return a.Position != b.Position ? a.Position < b.Position : a.Length < b.Length;
    };
    std::sort(refHits.begin(), refHits.end(), order);
    std::sort(gotHits.begin(), gotHits.end(), order);
    ASSERT_EQ(gotHits, refHits) << "all hits, words [" << words << "] iteration " << iter;
    ++cases;
    hits += expected > 0;
  }
  EXPECT_EQ(cases, 5000);
  EXPECT_GT(hits, 1500);  // the generator really produces hits
}

// Over the whole Unicode range: the upper-case forms (with the product's rule
// that a letter whose form takes other room in UTF-8 stays itself), each
// character among the case forms of its upper-case form, and the encoders. And
// Windows-1252's bytes as the platform reads and upper-cases them.
TEST(FinderDifferential, TablesAgreeWithAnIndependentSource) {
  int wrong = 0;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    std::string utf8, refUtf8, utf16, refUtf16;
    AppendUtf8(utf8, c);
    RefAppendUtf8(refUtf8, c);
    AppendUtf16(utf16, c, c % 2 == 1);
    RefAppendUtf16(refUtf16, c, c % 2 == 1);
    const char32_t upper = RefUpper(c);
    bool ok = SimpleUpper(c) == upper && utf8 == refUtf8 && utf16 == refUtf16;
    if (ok && upper != c) {
      const std::vector<char32_t> forms = CaseForms(upper);
      ok = std::find(forms.begin(), forms.end(), c) != forms.end();
    }
    if (!ok && ++wrong <= 10) ADD_FAILURE() << "U+" << std::hex << static_cast<std::uint32_t>(c);
  }
  EXPECT_EQ(wrong, 0);
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(UpperCaseTable()[b], kRefCp1252Upper[b]) << "byte " << b;
    EXPECT_EQ(AnsiByteChar(static_cast<std::uint8_t>(b)), kRefCp1252Char[b]) << "byte " << b;
  }
}

}  // namespace
}  // namespace sorvik
