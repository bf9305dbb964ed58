// CMaps: any bytes read as a CMap stream, then its codes looked up. The input
// splits into codes of one to four bytes that are its own bytes, each code's
// text is bounded and valid, lookups fail without a trace, reading the same
// bytes twice gives the same CMap, and what is stored stays within the
// input's size. The input is also tried as a predefined CMap's name.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "PdfCMap.h"

namespace {

using sorvik::TPdfCMap;

bool IsValidChar(char32_t c) { return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF); }

// What one code stands for, written out into `text` for comparison.
void Meaning(const TPdfCMap& cmap, TPdfCMap::TCode code, std::u32string& text) {
  text.assign(1, U'>');
  const bool found = cmap.AppendText(code, text);
  FUZZ_CHECK(found ? text.size() > 1 : text.size() == 1);
  // A character may stand for three (a ligature's letters).
  FUZZ_CHECK(text.size() - 1 <= 3 * TPdfCMap::kMaxTextUnits);
  for (char32_t c : text) FUZZ_CHECK(IsValidChar(c));
  const std::optional<std::uint32_t> cid = cmap.Cid(code);
  text += U'|';
  if (cid) text += static_cast<char32_t>(*cid & 0xFFFFF);
}

// Both readings of one code agree.
class TCompare {
 public:
  TCompare(const TPdfCMap& cmap, const TPdfCMap& again) : cmap_(cmap), again_(again) {}
  void Code(TPdfCMap::TCode code) {
    Meaning(cmap_, code, first_);
    Meaning(again_, code, second_);
    FUZZ_CHECK(first_ == second_);
  }

 private:
  const TPdfCMap& cmap_;
  const TPdfCMap& again_;
  std::u32string first_, second_;
};

void Check(const TPdfCMap& cmap, const TPdfCMap& again, std::string_view data) {
  TCompare compare(cmap, again);
  // The input as a string shown with this CMap.
  std::string_view rest = data;
  while (!rest.empty()) {
    const TPdfCMap::TCode code = cmap.NextCode(rest);
    FUZZ_CHECK(code.Bytes >= 1 && code.Bytes <= 4 && static_cast<std::size_t>(code.Bytes) <= rest.size());
    std::uint32_t value = 0;
    for (int k = 0; k < code.Bytes; ++k) value = value << 8 | static_cast<std::uint8_t>(rest[static_cast<std::size_t>(k)]);
    FUZZ_CHECK(code.Value == value);
    const TPdfCMap::TCode same = again.NextCode(rest);
    FUZZ_CHECK(same.Bytes == code.Bytes && same.Value == code.Value);
    compare.Code(code);
    rest.remove_prefix(static_cast<std::size_t>(code.Bytes));
  }
  // Codes of every length from a generator seeded by the input, and the edges of each length.
  std::uint64_t state = 0x9E3779B97F4A7C15ull ^ data.size();
  for (int i = 0; i < 256; ++i) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    const int bytes = 1 + static_cast<int>(state >> 62);
    std::uint32_t value = static_cast<std::uint32_t>(state >> 16);
    if (bytes < 4) value &= (1u << (8 * bytes)) - 1;
    if (i % 8 == 0) value = i % 16 == 0 ? 0 : bytes == 4 ? 0xFFFFFFFF : (1u << (8 * bytes)) - 1;
    compare.Code({value, bytes});
  }
  FUZZ_CHECK(cmap.StoredRanges() == again.StoredRanges());
  FUZZ_CHECK(cmap.StoredRanges() <= data.size() + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view data(reinterpret_cast<const char*>(bytes), size);
  const TPdfCMap cmap = TPdfCMap::Parse(data);
  const TPdfCMap again = TPdfCMap::Parse(std::string(data));
  Check(cmap, again, data);
  if (const std::optional<TPdfCMap> named = TPdfCMap::Predefined(data)) Check(*named, *named, data);
  return 0;
}
