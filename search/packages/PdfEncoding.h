// The encodings of simple PDF fonts (a glyph name for each one-byte code),
// glyph names read as text by the Adobe Glyph List and its naming rules, and
// PDF text strings (/Title, outlines, form values) read as UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "PdfObject.h"

namespace sorvik {

// The encodings a font can name or build on. Symbol and ZapfDingbats are the
// built-in encodings of the fonts of those names.
enum class TPdfBaseEncoding : std::uint8_t { Standard, WinAnsi, MacRoman, Symbol, ZapfDingbats };

// The encoding an /Encoding or /BaseEncoding name stands for (StandardEncoding,
// WinAnsiEncoding, MacRomanEncoding); nothing for any other name.
std::optional<TPdfBaseEncoding> BaseEncodingNamed(std::string_view name);

// The glyph name of `code` in `encoding`; empty when the code has no glyph.
std::string_view BaseGlyphName(TPdfBaseEncoding encoding, std::uint8_t code);

// A simple font's encoding: a glyph name (or none) for each code.
class TPdfEncoding {
 public:
  TPdfEncoding() = default;  // no code has a glyph
  explicit TPdfEncoding(TPdfBaseEncoding base);

  // Renames codes as a /Differences array does: a number gives the code of the
  // name after it, each further name the next code. Other items, codes outside
  // 0..255 and the names after such a code are ignored.
  void ApplyDifferences(const std::vector<TPdfObject>& items);
  void SetGlyphName(std::uint8_t code, std::string_view name);
  // The code's glyph name; empty when it has none.
  std::string_view GlyphName(std::uint8_t code) const { return Names_[code]; }

 private:
  std::array<std::string, 256> Names_;
};

// The encoding a Type 1 font program declares in its clear-text part (its
// /Encoding: StandardEncoding, or an array filled by "dup code /name put");
// nothing when the program declares none that can be read there.
std::optional<TPdfEncoding> Type1ProgramEncoding(std::string_view program);

// Appends the characters a glyph name stands for, by the Adobe Glyph List's
// rules: whatever follows the first '.' is dropped, the rest is split into
// components at '_', and each component is a name of the list (of the ITC Zapf
// Dingbats list first, "a1" to "a206", when `zapfDingbats`), "uni" with groups
// of four upper-case hexadecimal digits (no surrogates), or "u" with four to
// six (at most U+10FFFF, no surrogates); other components stand for nothing.
// Ligatures U+FB00 to U+FB06 are appended as their letters. Returns whether
// anything was appended.
bool AppendGlyphText(std::string_view glyphName, std::u32string& out, bool zapfDingbats = false);

// Appends c as searched text: the Latin ligatures U+FB00 to U+FB06 as the
// letters they join ("ffi" for U+FB03, "st" for U+FB05 and U+FB06), every other
// character as itself.
void AppendTextChar(char32_t c, std::u32string& out);

// A text string's characters in UTF-8: UTF-16BE after the mark FE FF (language
// escapes, U+001B to U+001B, dropped; a lone surrogate read as U+FFFD), UTF-8
// after the mark EF BB BF (a malformed sequence read as U+FFFD), otherwise
// PDFDocEncoding (codes without a character dropped). Ligatures are written as
// their letters, as AppendTextChar does.
std::string DecodePdfText(std::string_view bytes);

}  // namespace sorvik
