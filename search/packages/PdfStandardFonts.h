// The 14 standard PDF fonts, which a file may use without giving their widths:
// which font a /BaseFont name stands for, and their glyphs' widths.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace sorvik {

// In the order of the widths' columns.
enum class TStandardFont : std::uint8_t {
  Courier, CourierBold, CourierOblique, CourierBoldOblique,
  Helvetica, HelveticaBold, HelveticaOblique, HelveticaBoldOblique,
  TimesRoman, TimesBold, TimesItalic, TimesBoldItalic,
  Symbol, ZapfDingbats,
};

// The standard font a /BaseFont name stands for, after a subset's tag
// ("ABCDEF+") is dropped: the 14 names themselves and the names under which
// files and systems give the same metrics: Arial, TimesNewRoman and CourierNew
// (with "MT", "PS" or "PSMT" after them), each with a style after '-' or ','
// (Bold, Italic, Oblique, BoldItalic...), and Symbol's and ZapfDingbats' forms
// (SymbolMT, Dingbats). Nothing for any other name.
std::optional<TStandardFont> StandardFontNamed(std::string_view baseFont);

// The standard font whose widths best stand in for a font that gives none,
// by its descriptor's flags: Courier for fixed pitch, Times for serif, else
// Helvetica; bold and italic by the flags and the name.
TStandardFont StandardFontLike(std::string_view baseFont, std::int64_t flags);

// The width of the named glyph in 1/1000 of the font size; nothing when the font has no such glyph.
std::optional<int> StandardGlyphWidth(TStandardFont font, std::string_view glyphName);

}  // namespace sorvik
