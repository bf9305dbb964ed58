// The finder against a plain reference scan: an arbitrary words text, mode,
// case and whole-words flags and contents. Find and FindAllHits agree with the
// reference, scanned whole and through views barely longer than the longest word.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzCheck.h"
#include <utility>
#include <vector>

#include "ReferenceScan.h"
#include "uFinder.h"

namespace {

using namespace sorvik;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const auto mode = static_cast<std::uint8_t>(in.ConsumeIntegralInRange(0, 3));
  const bool ignoreCase = in.ConsumeBool();
  const bool wholeWords = in.ConsumeBool();
  const std::size_t view = in.ConsumeIntegralInRange<std::size_t>(0, 600);
  const std::string words = in.ConsumeRandomLengthString(300);
  const std::string text = in.ConsumeRemainingBytesAsString();

  // Set up as the search worker does: words, case, whole words, then the mode.
  TBMHWordsFinder f;
  std::vector<std::string> list;
  try {
    f.SetWords(words);
    f.SetIgnoreCase(ignoreCase);
    f.SetWholeWords(wholeWords);
    f.SetMatchMode(mode);
    list = f.WordList();
  } catch (const EPatternTooLarge&) {
    // A word longer than 255 bytes is refused, as it must be; the reference agrees.
    for (const std::string& w : test::RefWordList(words, mode == 2 ? 2 : 0, ignoreCase))
      if (w.size() > kMaxWordLength) return 0;
    std::abort();
  }
  // The finder's word list is the reference's; words that differ but compare
  // equal ignoring case have no defined order, so only their set is compared.
  // Empty words are never searched for: only the others are compared.
  std::vector<std::string> ref = test::RefWordList(words, mode == 2 ? 2 : 0, ignoreCase);
  std::erase(ref, std::string());
  std::erase(list, std::string());
  bool ambiguous = false;
  for (std::size_t i = 0; i + 1 < list.size(); ++i)
    ambiguous |= list[i] != list[i + 1] && CompareAnsiIgnoreCase(list[i], list[i + 1]) == 0;
  if (ambiguous) {
    std::vector<std::string> x = list, y = ref;
    std::sort(x.begin(), x.end());
    std::sort(y.begin(), y.end());
    FUZZ_CHECK(x == y);
    return 0;
  }
  FUZZ_CHECK(list == ref);

  const std::int64_t expected = test::RefFind(text, words, mode == 3 ? 0 : mode, ignoreCase, wholeWords);
  std::vector<std::pair<std::int64_t, std::int32_t>> refHits;
  for (const std::string& w : list)
    if (!w.empty())
      for (std::int64_t p : test::RefAll(text, w, ignoreCase, wholeWords))
        refHits.emplace_back(p, static_cast<std::int32_t>(w.size()));
  std::sort(refHits.begin(), refHits.end());

  // Whole, then through views barely longer than the longest word.
  for (const bool small : {false, true}) {
    if (small) f.SetMaxViewSize(view);
    f.AttachBuffer(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    FUZZ_CHECK(f.Find() == expected);
    std::vector<std::pair<std::int64_t, std::int32_t>> got;
    for (const TFoundWord& h : f.FindAllHits()) got.emplace_back(h.Position, h.Length);
    std::sort(got.begin(), got.end());
    FUZZ_CHECK(got == refHits);
  }
  return 0;
}
