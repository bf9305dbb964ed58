// The finder against a plain reference scan: random words, modes, options and
// contents, scanned whole and through small views.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "ReferenceScan.h"

namespace sorvik {
namespace {

using namespace test;

TEST(FinderDifferential, AgreesWithReferenceScan) {
  std::mt19937 rng(20261207);
  // A small alphabet makes occurrences, overlaps and boundaries frequent.
  const std::string alphabet = std::string("abAB \n.-_\"") + "\xE9\xC9" + std::string(1, '\0');
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  int cases = 0, hits = 0;
  for (int iter = 0; iter < 6000; ++iter) {
    std::string text;
    const std::size_t len = pick(iter % 4 == 0 ? 2500 : 120);
    for (std::size_t i = 0; i < len; ++i) text += alphabet[pick(alphabet.size())];
    std::string words;
    const std::size_t nwords = 1 + pick(3);
    for (std::size_t i = 0; i < nwords; ++i) {
      if (i) words += ' ';
      const std::size_t wl = 1 + pick(5);
      for (std::size_t k = 0; k < wl; ++k) words += "abAB.\xE9\xC9\""[pick(8)];
    }
    const int mode = static_cast<int>(pick(4));
    const bool ignoreCase = pick(2) == 1, whole = pick(2) == 1;

    TBMHWordsFinder f;
    f.SetWords(words);
    f.SetIgnoreCase(ignoreCase);
    f.SetWholeWords(whole);
    f.SetMatchMode(static_cast<std::uint8_t>(mode));
    // Words that differ but compare equal ignoring case have no defined order.
    const auto& list = f.WordList();
    bool ambiguous = false;
    for (std::size_t i = 0; i + 1 < list.size(); ++i)
      ambiguous |= list[i] != list[i + 1] && CompareAnsiIgnoreCase(list[i], list[i + 1]) == 0;
    if (ambiguous) continue;

    const std::int64_t expected = RefFind(text, words, mode == 3 ? 0 : mode, ignoreCase, whole);
    f.AttachBuffer(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    ASSERT_EQ(f.Find(), expected) << "words [" << words << "] mode " << mode << " ic " << ignoreCase << " ww "
                                  << whole << " text [" << text << "]";
    // The same through views barely longer than the longest word.
    TBMHWordsFinder g;
    g.SetWords(words);
    g.SetIgnoreCase(ignoreCase);
    g.SetWholeWords(whole);
    g.SetMatchMode(static_cast<std::uint8_t>(mode));
    g.SetMaxViewSize(0);
    g.AttachBuffer(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    ASSERT_EQ(g.Find(), expected) << "windowed, words [" << words << "]";
    // Every accepted occurrence of every word, against the reference.
    std::vector<std::int64_t> refHits, gotHits;
    for (const std::string& w : list)
      for (std::int64_t p : RefAll(text, w, ignoreCase, whole)) refHits.push_back(p);
    for (const TFoundWord& h : g.FindAllHits()) gotHits.push_back(h.Position);
    std::sort(refHits.begin(), refHits.end());
    ASSERT_EQ(gotHits, refHits) << "all hits, words [" << words << "]";
    ++cases;
    hits += expected > 0;
  }
  EXPECT_GT(cases, 5000);
  EXPECT_GT(hits, 1000);  // the generator really produces hits
}

}  // namespace
}  // namespace sorvik
