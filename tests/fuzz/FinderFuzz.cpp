// The finder against a plain reference scan: an arbitrary words text (UTF-8 or
// the code page's bytes), mode, case and whole-words flags and contents in any
// encoding. Find and FindAllHits agree with the reference (ANSI bytes, and
// UTF-8, UTF-16 LE and BE decoded plainly), scanned whole and through views
// barely longer than the longest word.
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
  const int refMode = mode == 3 ? 0 : mode;
  TBMHWordsFinder f;
  try {
    f.SetWords(words);
    f.SetIgnoreCase(ignoreCase);
    f.SetWholeWords(wholeWords);
    f.SetMatchMode(mode);
  } catch (const EPatternTooLarge&) {
    // A word longer than 255 characters is refused, as it must be; the reference agrees.
    for (const auto& w : test::RefOrder(words, refMode, ignoreCase))
      if (test::RefTypedLength(w.second) > kMaxWordLength) return 0;
    std::abort();
  }
  // The finder's word list is the reference's, in the same order. Empty words
  // are never searched for: only the others are compared.
  const auto order = test::RefOrder(words, refMode, ignoreCase);
  std::vector<std::string> list = f.WordList(), ref = test::RefWordList(words, refMode, ignoreCase);
  std::erase(list, std::string());
  std::erase(ref, std::string());
  FUZZ_CHECK(list == ref);

  const std::int64_t expected = test::RefFind(text, words, refMode, ignoreCase, wholeWords);
  std::vector<std::pair<std::int64_t, std::int32_t>> refHits;
  for (const auto& [shown, typed] : order)
    if (!shown.empty())
      for (const test::TRefHit& h : test::RefAll(text, typed, ignoreCase, wholeWords))
        refHits.emplace_back(h.Position, h.Length);
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
