// The one-pass scan of a word's encodings on plain buffers against a plain
// check of every start: byte forms exact and folded (with fold tables that give
// a byte one, two or many matching bytes), character forms with case forms of
// different bytes, several forms at once with different lengths, at every
// alignment and near both ends of the span, with the processor's widest loops
// and with SSE2's.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

#include "WordScan.h"
#include "WordSet.h"

namespace sorvik {
namespace {

TScanHit RefFind(const std::vector<TWordForm>& forms, const TScanSpan& span, std::int64_t from, std::int64_t to) {
  for (std::int64_t s = from; s <= to; ++s)
    for (const TWordForm& f : forms)
      if (s + static_cast<std::int64_t>(f.Length) <= span.Hi && f.Matches(span.P + (s - span.Lo)))
        return {s, f.Length};
  return {};
}

TEST(WordScan, FindsTheFirstStartOfAnyForm) {
  // Seven bytes fold to 'Q' (more than a probe holds), and nothing folds to 'Z'.
  std::array<std::uint8_t, 256> crowded{};
  for (int b = 0; b < 256; ++b) crowded[b] = static_cast<std::uint8_t>(b == 'Z' ? 'Y' : b);
  for (int b : {int{'q'}, int{'Q'}, 0x80, 0x81, 0xF0, 0xF1, 0x00}) crowded[b] = 'Q';
  // Three bytes fold to 'A', and two that differ in more than one bit to 'B'.
  std::array<std::uint8_t, 256> uneven{};
  for (int b = 0; b < 256; ++b) uneven[b] = static_cast<std::uint8_t>(b);
  for (int b : {int{'a'}, 0x80, 0x00}) uneven[b] = 'A';
  for (int b : {int{'b'}, 0xE9}) uneven[b] = 'B';
  const std::uint8_t* folds[] = {nullptr, UpperCaseTable().data(), crowded.data(), uneven.data()};

  std::mt19937 rng(20261208);
  const std::string alphabet = std::string("abAB Qq.\xE9\xC9\x80", 11) + std::string(1, '\0');
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  auto randomBytes = [&](std::size_t n) {
    std::string s;
    for (std::size_t k = 0; k < n; ++k) s += alphabet[pick(alphabet.size())];
    return s;
  };
  int found = 0;
  for (int round = 0; round < 12000; ++round) {
    std::vector<std::uint8_t> text(pick(round % 2 ? 90 : 250));
    for (auto& b : text) b = static_cast<std::uint8_t>(alphabet[pick(alphabet.size())]);
    // One to four forms: byte forms of random lengths and folds, sometimes a
    // piece of the text (often present), sometimes a form of case forms.
    std::vector<TWordForm> forms(1 + pick(4));
    for (TWordForm& f : forms) {
      const std::size_t m = 1 + pick(7);
      if (round % 5 == 4) {
        for (std::size_t k = 0; k < m;) {
          TWordForm::TChar c;
          c.Offset = k;
          c.Length = std::min<std::size_t>(1 + pick(2), m - k);
          for (std::size_t v = 0, n = 1 + pick(3); v < n; ++v) c.Forms.push_back(randomBytes(c.Length));
          k += c.Length;
          f.Chars.push_back(std::move(c));
        }
        f.Length = m;
        continue;
      }
      f.Fold = folds[pick(4)];
      f.Length = m;
      if (pick(2) == 0 && text.size() >= m) {
        const std::size_t at = pick(text.size() - m + 1);
        for (std::size_t k = 0; k < m; ++k) f.Pattern += static_cast<char>(f.Fold ? f.Fold[text[at + k]] : text[at + k]);
      } else {
        f.Pattern = randomBytes(m);
        if (f.Fold)
          for (char& c : f.Pattern) c = static_cast<char>(f.Fold[static_cast<std::uint8_t>(c)]);
        if (round % 50 == 1) f.Pattern[pick(m)] = 'Z';
      }
      f.Encodings = static_cast<std::uint8_t>(1u << pick(4));
    }
    if (text.empty()) continue;
    // A span [from, to] of starts; the buffer ends where the scan may read, so
    // a read beyond it is caught under the address sanitizer.
    const std::size_t lo = pick(text.size());
    const std::vector<std::uint8_t> view(text.begin() + static_cast<std::ptrdiff_t>(lo), text.end());
    const TScanSpan span{view.data(), static_cast<std::int64_t>(lo), static_cast<std::int64_t>(text.size()),
                         static_cast<std::int64_t>(text.size())};
    const auto from = static_cast<std::int64_t>(lo + pick(view.size()));
    const auto to = from + static_cast<std::int64_t>(pick(text.size() - static_cast<std::size_t>(from)));
    const TScanHit want = RefFind(forms, span, from, to);
    for (bool widest : {true, false}) {
      TWordScan scan;
      scan.Prepare(forms, widest);
      const TScanHit got = scan.Find(span, from, to, false);
      ASSERT_EQ(got.Start, want.Start) << "round " << round << ", " << forms.size() << " forms in " << text.size()
                                       << " bytes, widest " << widest;
      ASSERT_EQ(got.Length, want.Length) << "round " << round;
    }
    found += want.Start >= 0;
  }
  EXPECT_GT(found, 3000);  // the cases do reach the found branch
}

}  // namespace
}  // namespace sorvik
