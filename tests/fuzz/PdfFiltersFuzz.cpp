// PDF stream filters: any bytes through a chain of up to four filters (with
// parameters) that the first bytes choose. Nothing crashes, hangs or grows
// past the cap and the budget; images and unknown filters make and spend
// nothing; the budget is reached only by a Limited decoding; the same input
// decodes the same way twice; and a one-stage decoding that made exactly what
// it gives is whole under a cap of its own size, and Limited to a prefix of it
// under a cap one byte smaller.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FileBudget.h"
#include "FuzzCheck.h"
#include "PdfFilters.h"
#include "PdfObject.h"

namespace {

using namespace sorvik;

constexpr const char* kNames[] = {"FlateDecode", "Fl",  "LZWDecode", "LZW",       "ASCIIHexDecode", "AHx",
                                  "ASCII85Decode", "A85", "RunLengthDecode", "RL", "Crypt", "DCTDecode",
                                  "JBIG2Decode", "Unknown"};
constexpr std::size_t kNameCount = sizeof kNames / sizeof kNames[0];

constexpr std::uint64_t kBudget = 2 << 20;

// Parameters from two bytes: a predictor (none, TIFF, PNG 10 to 15, or one not
// known), its colours, bits and columns, EarlyChange.
TPdfObject ParmsFrom(std::uint8_t a, std::uint8_t b) {
  static constexpr std::int64_t kPredictors[] = {1, 2, 10, 11, 12, 15, 3, 1};
  static constexpr std::int64_t kBits[] = {1, 2, 4, 8, 16, 8, 8, 3};
  static constexpr std::int64_t kColumns[] = {1, 2, 3, 5, 8, 17, 100, 0};
  std::vector<std::pair<std::string, TPdfObject>> entries;
  entries.emplace_back("Predictor", TPdfObject::Int(kPredictors[a & 7]));
  entries.emplace_back("Colors", TPdfObject::Int(1 + (a >> 3 & 3)));
  entries.emplace_back("BitsPerComponent", TPdfObject::Int(kBits[a >> 5 & 7]));
  entries.emplace_back("Columns", TPdfObject::Int(kColumns[b & 7]));
  entries.emplace_back("EarlyChange", TPdfObject::Int(b >> 3 & 1));
  if (b & 0x80) return TPdfObject();
  return TPdfObject::Dict(TPdfDict(std::move(entries)));
}

bool HasZlibHeader(std::string_view in) {
  if (in.size() < 2) return false;
  const unsigned cmf = static_cast<unsigned char>(in[0]), flg = static_cast<unsigned char>(in[1]);
  return (cmf & 0x0F) == 8 && (cmf >> 4) <= 7 && (cmf * 256 + flg) % 31 == 0 && (flg & 0x20) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  std::size_t at = 0;
  const std::uint8_t shape = data[at++];
  const std::size_t count = shape % 5;
  static constexpr std::uint64_t kCaps[] = {1, 64, 4096, 1 << 20};
  const std::uint64_t cap = kCaps[shape >> 3 & 3];
  std::vector<TPdfObject> names, parms;
  for (std::size_t i = 0; i < count && at + 3 <= size; ++i) {
    names.push_back(TPdfObject::Name(kNames[data[at] % kNameCount]));
    parms.push_back(ParmsFrom(data[at + 1], data[at + 2]));
    at += 3;
  }
  const std::string_view raw(reinterpret_cast<const char*>(data + at), size - at);
  // One filter as a name and its parameters as a dictionary, or arrays.
  const bool lone = names.size() == 1 && (shape & 0x20);
  const TPdfObject filter = lone ? names[0] : names.empty() && (shape & 0x20) ? TPdfObject() : TPdfObject::Array(names);
  const TPdfObject parm = lone ? parms[0] : TPdfObject::Array(parms);

  TFileBudget budget = TFileBudget::WithCap(kBudget);
  const TPdfDecoded d = PdfDecode(raw, filter, parm, budget, cap);
  FUZZ_CHECK(d.Bytes.size() <= cap);
  FUZZ_CHECK(budget.Used() <= kBudget);
  FUZZ_CHECK(!budget.Reached() || d.End == TPdfDecodeEnd::Limited);
  if (d.End == TPdfDecodeEnd::Image || d.End == TPdfDecodeEnd::Unsupported) {
    FUZZ_CHECK(d.Bytes.empty());
    FUZZ_CHECK(budget.Used() == 0);
  } else {
    FUZZ_CHECK(budget.Used() >= d.Bytes.size());
  }

  TFileBudget again = TFileBudget::WithCap(kBudget);
  const TPdfDecoded twice = PdfDecode(raw, filter, parm, again, cap);
  FUZZ_CHECK(twice.End == d.End && twice.Bytes == d.Bytes && again.Used() == budget.Used());

  // One stage without a predictor that gave all it made (no second try at
  // deflate data without a header).
  std::size_t stages = 0;
  bool flate = false, predicted = false;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i].IsName("Crypt")) continue;
    ++stages;
    flate = flate || names[i].IsName("FlateDecode") || names[i].IsName("Fl");
    predicted = predicted || parms[i].AsDict().Get("Predictor").AsInt(1) != 1;  // a lone filter's too
  }
  if (stages == 1 && !predicted && d.End != TPdfDecodeEnd::Image && d.End != TPdfDecodeEnd::Unsupported &&
      budget.Used() == d.Bytes.size() && (!flate || HasZlibHeader(raw)) && !d.Bytes.empty()) {
    TFileBudget exact = TFileBudget::WithCap(kBudget);
    const TPdfDecoded whole = PdfDecode(raw, filter, parm, exact, d.Bytes.size());
    FUZZ_CHECK(whole.Bytes == d.Bytes);
    FUZZ_CHECK(whole.End == d.End);
    TFileBudget shorter = TFileBudget::WithCap(kBudget);
    const TPdfDecoded cut = PdfDecode(raw, filter, parm, shorter, d.Bytes.size() - 1);
    FUZZ_CHECK(cut.End == TPdfDecodeEnd::Limited);
    FUZZ_CHECK(cut.Bytes == d.Bytes.substr(0, d.Bytes.size() - 1));
  }
  return 0;
}
