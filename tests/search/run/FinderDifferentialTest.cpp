// The finder against a plain reference scan: random words (ASCII, accented,
// Greek, dotless i, a character beyond U+FFFF; typed in UTF-8 or in the code
// page's bytes), modes and options, in contents that mix the ANSI bytes, UTF-8,
// UTF-16 LE and BE (at any alignment), byte-order marks, separators and zero
// bytes; scanned whole and through small views, and as streams that arrive in
// pieces of any size. And the product's case tables
// and encoders against the reference's, made apart from them.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "ReferenceScan.h"
#include "StreamFind.h"
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

// Whether any word of the reference's list lies in the text, in UTF-8 alone.
bool RefInUtf8(const std::string& text, const std::string& typed, bool ignoreCase, bool whole) {
  const std::u32string word = RefWordChars(typed);
  if (word.empty()) return false;
  for (std::size_t s = 0; s < text.size(); ++s)
    if (RefMatchAt(text, s, word, TRefEncoding::Utf8, ignoreCase, whole)) return true;
  return false;
}

// Contents that arrive in pieces (an archive's entries as they inflate, a
// document's text): cut into one to three streams, each fed in pieces from one
// byte to more than the finder's window, which is as small as a few bytes. A stream is judged on its own; all
// mode counts every stream's words. Bytes are searched in every encoding, text
// in UTF-8 alone.
TEST(FinderDifferential, StreamsAgreeWithReferenceScan) {
  std::mt19937 rng(20261208);
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  const std::u32string letters = U"abAB.\u00E9\u00C9\u03C3\u03A3\u0131I\u9650\U0001D400";
  const std::u32string filler = U" \n-\u0000";
  int found = 0;
  for (int iter = 0; iter < 1500; ++iter) {
    std::string words;
    std::vector<std::u32string> typed;
    for (std::size_t i = 0, n = 1 + pick(3); i < n; ++i) {
      std::u32string w;
      for (std::size_t k = 0, wl = 1 + pick(3); k < wl; ++k) w += letters[pick(letters.size())];
      if (i) words += ' ';
      words += RefEncodeUtf8(w);
      typed.push_back(w);
    }
    const bool text = pick(2) == 1;
    std::string all;
    auto put = [&](char32_t c) {
      std::string ansi;
      const std::size_t how = text ? 0 : pick(4);
      if (how == 1 && RefAnsiBytes(std::u32string(1, c), ansi))
        all += ansi;
      else if (how >= 2)
        RefAppendUtf16(all, c, how == 3);
      else
        RefAppendUtf8(all, c);
    };
    // Now and then long enough to slide the window several times.
    const std::size_t pieces = iter % 100 == 0 ? 100000 : pick(60);
    for (std::size_t i = 0; i < pieces; ++i) {
      const std::size_t kind = pick(12);
      if (kind < 2 && (pieces < 1000 || pick(500) == 0)) {
        for (char32_t c : typed[pick(typed.size())]) put(pick(3) == 0 ? RefUpper(c) : c);
      } else if (kind < 7) {
        put(letters[pick(letters.size())]);
      } else {
        put(filler[pick(filler.size())]);
      }
    }
    const int mode = static_cast<int>(pick(3));
    const bool ignoreCase = pick(2) == 1, whole = pick(2) == 1;
    // The streams: the contents cut at up to two places.
    std::vector<std::size_t> cuts{0, all.size()};
    for (std::size_t i = 0, n = pick(3); i < n; ++i) cuts.push_back(pick(all.size() + 1));
    std::sort(cuts.begin(), cuts.end());
    // The reference: per stream, which words lie in it.
    bool expected = mode == 1;
    for (const auto& [shown, word] : RefOrder(words, mode, ignoreCase)) {
      bool in = false;
      for (std::size_t c = 0; c + 1 < cuts.size() && !in; ++c) {
        const std::string stream = all.substr(cuts[c], cuts[c + 1] - cuts[c]);
        in = text ? RefInUtf8(stream, word, ignoreCase, whole) : RefFirst(stream, word, ignoreCase, whole) > 0;
      }
      expected = mode == 1 ? expected && in : expected || in;
    }
    const TWordSet set(TWordQuery{words, ignoreCase, whole, static_cast<TMatchMode>(mode)});
    // Windows from a few bytes on: they slide at every place of the contents.
    // (in long contents, a few kilobytes).
    const std::size_t small = pieces > 1000 ? 1000 + pick(5000) : 1 + pick(40);
    TStreamFind find(set, pick(2) == 0 ? std::size_t{256} << 10 : small);
    find.BeginFile();
    for (std::size_t c = 0; c + 1 < cuts.size(); ++c) {
      find.BeginStream(text);
      for (std::size_t at = cuts[c]; at < cuts[c + 1];) {
        const std::size_t n = std::min(cuts[c + 1] - at, pick(3) == 0 ? 1 + pick(4) : 1 + pick(300000));
        find.Feed(reinterpret_cast<const std::uint8_t*>(all.data()) + at, n);
        at += n;
      }
      find.EndStream();
    }
    ASSERT_EQ(find.Found(), expected) << "words [" << words << "] mode " << mode << " ic " << ignoreCase << " ww "
                                      << whole << " text " << text << " iteration " << iter;
    found += expected;
  }
  EXPECT_GT(found, 300);  // the generator really produces hits
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
