#include "UnicodeText.h"

#include <algorithm>
#include <array>

#include "Ascii.h"
#include "Locale.h"

namespace sorvik {

namespace {

struct TCasePair {
  char32_t Char;
  char32_t Upper;
};

constexpr TCasePair kUpper[] = {
#include "UnicodeCaseTable.inc"
};

constexpr bool SortedByChar() {
  for (std::size_t i = 1; i < std::size(kUpper); ++i)
    if (kUpper[i - 1].Char >= kUpper[i].Char) return false;
  return true;
}
static_assert(SortedByChar(), "the case table is looked up by binary search");

}  // namespace

std::u32string DecodeWordText(const std::string& text) {
  std::u32string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t cp = 0;
    const std::size_t len = Utf8CharAt(text, i, cp);
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool ok = len != 0 && cp >= kLeast[len] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
    if (!ok) {
      out += AnsiByteChar(static_cast<std::uint8_t>(text[i]));
      ++i;
      continue;
    }
    out += cp;
    i += len;
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string EncodeUtf8(const std::u32string& chars) {
  std::string out;
  for (char32_t c : chars) AppendUtf8(out, c);
  return out;
}

void AppendUtf16(std::string& out, char32_t c, bool bigEndian) {
  auto unit = [&](std::uint32_t u) {
    const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  };
  if (c < 0x10000) {
    unit(c);
  } else {
    unit(0xD800 + ((c - 0x10000) >> 10));
    unit(0xDC00 + ((c - 0x10000) & 0x3FF));
  }
}

char32_t SimpleUpper(char32_t c) {
  if (c < 0x80) return AsciiUpper(static_cast<unsigned char>(c));
  const auto* end = std::end(kUpper);
  const auto* at = std::lower_bound(std::begin(kUpper), end, c,
                                    [](const TCasePair& p, char32_t x) { return p.Char < x; });
  return at != end && at->Char == c ? at->Upper : c;
}

std::vector<char32_t> CaseForms(char32_t upper) {
  std::vector<char32_t> forms{upper};
  for (const TCasePair& p : kUpper)
    if (p.Upper == upper && p.Char != upper) forms.push_back(p.Char);
  return forms;
}

}  // namespace sorvik
