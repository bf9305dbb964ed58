// The finder against a plain reference scan: random words, modes, options and
// contents, scanned whole and through small views.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "Locale.h"
#include "uFinder.h"

namespace sorvik {
namespace {

bool RefSeparator(unsigned char c) {
  static const std::string seps = std::string("\t\n\r !\"#$%'()*+,./:;<=>?@\\|");
  return seps.find(static_cast<char>(c)) != std::string::npos;
}

// Words of the any and all modes, by the splitting rules.
std::vector<std::string> RefSplit(const std::string& t) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (true) {
    while (i < t.size() && static_cast<unsigned char>(t[i]) <= 32) ++i;
    if (i == t.size()) return out;
    std::string w;
    if (t[i] == '"') {
      for (++i; i < t.size(); ++i) {
        if (t[i] != '"') {
          w += t[i];
        } else if (i + 1 < t.size() && t[i + 1] == '"') {
          w += '"';
          ++i;
        } else {
          ++i;
          break;
        }
      }
    } else {
      while (i < t.size() && static_cast<unsigned char>(t[i]) > 32) w += t[i++];
    }
    out.push_back(w);
  }
}

// 1-based starts of every accepted occurrence of w.
std::vector<std::int64_t> RefAll(const std::string& text, const std::string& w, bool ignoreCase, bool whole) {
  const auto fold = [&](unsigned char c) { return ignoreCase ? UpperCaseTable()[c] : c; };
  std::vector<std::int64_t> out;
  if (w.empty() || w.size() > text.size()) return out;
  for (std::size_t s = 0; s + w.size() <= text.size(); ++s) {
    bool eq = true;
    for (std::size_t k = 0; k < w.size() && eq; ++k) eq = fold(static_cast<unsigned char>(text[s + k])) ==
                                                           static_cast<unsigned char>(w[k]);
    if (!eq) continue;
    const std::size_t e = s + w.size();
    if (whole && !((s == 0 || RefSeparator(static_cast<unsigned char>(text[s - 1]))) &&
                   (e == text.size() || RefSeparator(static_cast<unsigned char>(text[e])))))
      continue;
    out.push_back(static_cast<std::int64_t>(s) + 1);
  }
  return out;
}

std::int64_t RefFirst(const std::string& text, const std::string& w, bool ignoreCase, bool whole) {
  const auto all = RefAll(text, w, ignoreCase, whole);
  return all.empty() ? 0 : all.front();
}

std::int64_t RefFind(const std::string& text, std::string words, int mode, bool ignoreCase, bool whole) {
  if (ignoreCase)
    for (char& c : words) c = static_cast<char>(UpperCaseTable()[static_cast<unsigned char>(c)]);
  std::vector<std::string> list = mode == 2 ? std::vector<std::string>{words} : RefSplit(words);
  std::stable_sort(list.begin(), list.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() > b.size() : CompareAnsiIgnoreCase(a, b) < 0;
  });
  std::int64_t result = 0;
  for (const std::string& w : list) {
    if (w.empty()) continue;
    result = RefFirst(text, w, ignoreCase, whole);
    if (mode == 1) {
      if (result == 0) return 0;
    } else if (result > 0) {
      return result;
    }
  }
  return result;
}

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
