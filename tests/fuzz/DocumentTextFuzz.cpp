// Document text: a part's XML fed in pieces gives exactly the text of one feed
// (the carries between feeds lose and add nothing) and tells the same sheet
// cells at the same places, never more text than the input can stand for (nor
// from one feed more than its own bytes can), nothing at all without a tag,
// and UTF-8 whenever the input is UTF-8 or UTF-16.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "DocumentText.h"
#include "FuzzCheck.h"

namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool IsUtf8(const std::uint8_t* s, std::size_t n) {
  std::size_t i = 0;
  while (i < n) {
    const std::uint8_t b = s[i];
    std::size_t length;
    std::uint32_t c;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      length = 2;
      c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3;
      c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4;
      c = b & 0x07;
    } else {
      return false;
    }
    if (n - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) return false;
      c = c << 6 | (s[i + k] & 0x3F);
    }
    if ((length == 3 && c < 0x800) || (length == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
        (c >= 0xD800 && c <= 0xDFFF))
      return false;
    i += length;
  }
  return true;
}

std::size_t Tags(const std::uint8_t* s, std::size_t n) {
  return static_cast<std::size_t>(std::count(s, s + n, std::uint8_t{'<'}));
}

// The sheet cells a reader told of: their references and where their text begins in all it wrote.
using TCells = std::vector<std::pair<std::string, std::size_t>>;

void WatchCells(sorvik::TDocumentText& reader, TCells& cells, const std::string& out) {
  reader.SetCellWatch([&cells, &out](std::string_view reference, std::size_t at) {
    FUZZ_CHECK(at == out.size());
    cells.emplace_back(std::string(reference), at);
  });
}

constexpr std::size_t kMaxBlankRun = sorvik::TDocumentText::kMaxBlankRun;
constexpr std::size_t kTagCap = 1024;  // a sheet name comes from a tag's bytes, up to this many
constexpr std::size_t kCarried = 64;   // bytes a feed may carry to the next: a reference, a mark, a ']]'

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const auto rules = static_cast<sorvik::TPartText>(data[0] % 9);
  const std::uint8_t* xml = data + 1;
  const std::size_t n = size - 1;

  std::string whole;
  TCells wholeCells;
  {
    sorvik::TDocumentText reader(rules);
    WatchCells(reader, wholeCells, whole);
    reader.Feed(xml, n, whole);
    reader.Finish(whole);
  }

  // Pieces whose sizes the bytes themselves give (empty feeds among them).
  // Each writes at most what its own bytes stand for, and what the pieces
  // before left pending: blanks, a tag, a reference.
  std::string pieces;
  TCells piecesCells;
  {
    sorvik::TDocumentText reader(rules);
    WatchCells(reader, piecesCells, pieces);
    const auto feed = [&](const std::uint8_t* piece, std::size_t count) {
      const std::size_t before = pieces.size();
      reader.Feed(piece, count, pieces);
      FUZZ_CHECK(pieces.size() - before <=
                 2 * count + kMaxBlankRun * (Tags(piece, count) + 2) + kTagCap + kCarried);
    };
    std::size_t at = 0;
    while (at < n) {
      const std::size_t piece = std::min<std::size_t>(xml[at] % 19, n - at);
      feed(xml + at, piece);
      at += piece;
      if (piece == 0) feed(xml + at++, 1);
    }
    const std::size_t before = pieces.size();
    reader.Finish(pieces);
    FUZZ_CHECK(pieces.size() - before <= kCarried);
  }
  FUZZ_CHECK(pieces == whole);
  FUZZ_CHECK(piecesCells == wholeCells);

  std::string bytes;
  TCells bytesCells;
  {
    sorvik::TDocumentText reader(rules);
    WatchCells(reader, bytesCells, bytes);
    for (std::size_t i = 0; i < n; ++i) reader.Feed(xml + i, 1, bytes);
    reader.Finish(bytes);
  }
  FUZZ_CHECK(bytes == whole);
  FUZZ_CHECK(bytesCells == wholeCells);

  // Cells are told in order, each before a character of its own.
  for (std::size_t i = 0; i < wholeCells.size(); ++i) {
    FUZZ_CHECK(wholeCells[i].second < whole.size());
    if (i > 0) FUZZ_CHECK(wholeCells[i - 1].second < wholeCells[i].second);
  }
  if (rules != sorvik::TPartText::OfficeOpenXml) FUZZ_CHECK(wholeCells.empty());

  // Every tag stands for at most kMaxBlankRun blanks (text:s); characters for at most 1.5 times their bytes.
  const std::size_t tags = Tags(xml, n);
  FUZZ_CHECK(whole.size() <= 2 * n + kMaxBlankRun * tags + 8);
  if (tags == 0) FUZZ_CHECK(whole.empty());
  if (rules == sorvik::TPartText::None) FUZZ_CHECK(whole.empty());

  const bool utf16 = n >= 2 && ((xml[0] == 0xFF && xml[1] == 0xFE) || (xml[0] == 0xFE && xml[1] == 0xFF) ||
                                (xml[0] == '<' && xml[1] == 0) || (xml[0] == 0 && xml[1] == '<'));
  if (utf16 || IsUtf8(xml, n))
    FUZZ_CHECK(IsUtf8(reinterpret_cast<const std::uint8_t*>(whole.data()), whole.size()));
  return 0;
}
