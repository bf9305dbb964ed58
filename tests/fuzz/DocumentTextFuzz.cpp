// Document text: a part's XML fed in pieces gives exactly the text of one feed
// (the carries between feeds lose and add nothing), never more text than the
// input can stand for, nothing at all without a tag, and UTF-8 whenever the
// input is UTF-8 or UTF-16.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const auto rules = static_cast<sorvik::TPartText>(data[0] % 6);
  const std::uint8_t* xml = data + 1;
  const std::size_t n = size - 1;

  std::string whole;
  {
    sorvik::TDocumentText reader(rules);
    reader.Feed(xml, n, whole);
    reader.Finish(whole);
  }

  // Pieces whose sizes the bytes themselves give (empty feeds among them).
  std::string pieces;
  {
    sorvik::TDocumentText reader(rules);
    std::size_t at = 0;
    while (at < n) {
      const std::size_t piece = std::min<std::size_t>(xml[at] % 19, n - at);
      reader.Feed(xml + at, piece, pieces);
      at += piece;
      if (piece == 0) reader.Feed(xml + at++, 1, pieces);
    }
    reader.Finish(pieces);
  }
  FUZZ_CHECK(pieces == whole);

  std::string bytes;
  {
    sorvik::TDocumentText reader(rules);
    for (std::size_t i = 0; i < n; ++i) reader.Feed(xml + i, 1, bytes);
    reader.Finish(bytes);
  }
  FUZZ_CHECK(bytes == whole);

  // Every tag stands for at most 1024 characters (text:s); characters for at most 1.5 times their bytes.
  const std::size_t tags = static_cast<std::size_t>(std::count(xml, xml + n, std::uint8_t{'<'}));
  FUZZ_CHECK(whole.size() <= 2 * n + 1024 * tags + 8);
  if (tags == 0) FUZZ_CHECK(whole.empty());
  if (rules == sorvik::TPartText::None) FUZZ_CHECK(whole.empty());

  const bool utf16 = n >= 2 && ((xml[0] == 0xFF && xml[1] == 0xFE) || (xml[0] == 0xFE && xml[1] == 0xFF) ||
                                (xml[0] == '<' && xml[1] == 0) || (xml[0] == 0 && xml[1] == '<'));
  if (utf16 || IsUtf8(xml, n))
    FUZZ_CHECK(IsUtf8(reinterpret_cast<const std::uint8_t*>(whole.data()), whole.size()));
  return 0;
}
