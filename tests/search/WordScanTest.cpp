// The scan loop on plain buffers against a byte-by-byte reference: exact and
// folded, with fold tables that give each word byte one, two or many matching
// bytes, at every alignment and near both ends of the allowed span.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

#include "WordScan.h"
#include "uFinder.h"

namespace sorvik {
namespace {

std::ptrdiff_t RefFind(const std::vector<std::uint8_t>& t, const std::string& w, const std::uint8_t* fold,
                       std::size_t from, std::size_t last) {
  for (std::size_t s = from; s <= last; ++s) {
    std::size_t k = 0;
    while (k < w.size() && (fold ? fold[t[s + k]] : t[s + k]) == static_cast<std::uint8_t>(w[k])) ++k;
    if (k == w.size()) return static_cast<std::ptrdiff_t>(s);
  }
  return -1;
}

TEST(WordScan, AgreesWithAByteByByteScan) {
  // Seven bytes fold to 'Q' (more than the vector loop compares), and nothing folds to 'Z'.
  std::array<std::uint8_t, 256> crowded{};
  for (int b = 0; b < 256; ++b) crowded[b] = static_cast<std::uint8_t>(b == 'Z' ? 'Y' : b);
  for (int b : {int{'q'}, int{'Q'}, 0x80, 0x81, 0xF0, 0xF1, 0x00}) crowded[b] = 'Q';
  // Three bytes fold to 'A', and two that differ in more than one bit to 'B':
  // neither set is found with one masked compare.
  std::array<std::uint8_t, 256> uneven{};
  for (int b = 0; b < 256; ++b) uneven[b] = static_cast<std::uint8_t>(b);
  for (int b : {int{'a'}, 0x80, 0x00}) uneven[b] = 'A';
  for (int b : {int{'b'}, 0xE9}) uneven[b] = 'B';
  const std::uint8_t* folds[] = {nullptr, UpperCaseTable().data(), crowded.data(), uneven.data()};

  std::mt19937 rng(20261208);
  const std::string alphabet = std::string("abAB Qq.\xE9\xC9\x80", 11) + std::string(1, '\0');
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  int found = 0;
  for (int round = 0; round < 20000; ++round) {
    const std::uint8_t* fold = folds[round % 4];
    std::vector<std::uint8_t> text(pick(round % 2 ? 90 : 250));
    for (auto& b : text) b = static_cast<std::uint8_t>(alphabet[pick(alphabet.size())]);
    std::string word;
    const std::size_t m = 1 + pick(6);
    if (round % 4 == 0 && text.size() >= m) {  // a piece of the text, folded: often present
      const std::size_t at = pick(text.size() - m + 1);
      for (std::size_t k = 0; k < m; ++k) word += static_cast<char>(fold ? fold[text[at + k]] : text[at + k]);
    } else {
      for (std::size_t k = 0; k < m; ++k) word += alphabet[pick(alphabet.size())];
      if (fold) FoldText(word);
      if (round % 50 == 1) word[pick(m)] = 'Z';
    }
    if (text.size() < m) continue;
    // A span [from, last] of starts; the buffer ends right after the last byte
    // the scan may read, so a read beyond it is caught under the address sanitizer.
    const std::size_t from = pick(text.size() - m + 1);
    const std::size_t last = from + pick(text.size() - m + 1 - from);
    std::vector<std::uint8_t> exact(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(last + m));

    const std::ptrdiff_t want = RefFind(exact, word, fold, from, last);
    for (bool widest : {true, false}) {  // the processor's widest loops, and SSE2's
      TWordScanner scanner;
      scanner.Prepare(word, fold, widest);
      ASSERT_EQ(scanner.Find(exact.data(), from, last), want)
          << "round " << round << " word of " << word.size() << " in " << text.size() << " bytes, widest "
          << widest;
    }
    found += want >= 0;
  }
  EXPECT_GT(found, 3000);  // the cases do reach the found branch
}

}  // namespace
}  // namespace sorvik
