// A PDF font as a page's text is read with it: a shown string's bytes split
// into codes, each with the text it stands for and its width.
//
// Where a code's text comes from, first to last:
//  1. the font's /ToUnicode CMap;
//  2. simple fonts (Type1, MMType1, TrueType, Type3): the code's glyph name in
//     the font's encoding (/Encoding's name, or its dictionary's /BaseEncoding
//     and /Differences over the font's own encoding), read by the Adobe Glyph
//     List; a name it doesn't know stands for nothing;
//  3. composite fonts (Type0) on a Unicode CMap (Uni...-UCS2-H and the like):
//     the code's own character.
// The font's own encoding is Symbol's or ZapfDingbats' for those fonts, the
// one an embedded Type 1 program declares, else StandardEncoding for a font
// not flagged symbolic. A simple font whose own encoding is unknown (flagged
// symbolic, a TrueType font's built-in cmap, a Type3 font without /Encoding)
// reads each code as its Latin-1 character (printable ones only: 0x20-0x7E,
// 0xA0-0xFF), as producers of such fonts mostly lay them out. A composite
// font with neither a /ToUnicode nor a Unicode CMap (Identity-H and the like)
// gives no text: its codes are glyph numbers, which no text can be made from.
// A simple font's /ToUnicode that gives a private-use character U+F020 to
// U+F0FF (a symbol font's code moved there, as symbolic TrueType fonts' cmaps
// do) yields to the glyph's name, when the font's encoding names the glyph.
// Ligatures U+FB00 to U+FB06 are always given as their letters.
//
// Widths, in text space units for a font size of 1: simple fonts by /Widths
// from /FirstChar (/MissingWidth of the descriptor for other codes), else the
// standard font's widths by glyph name (Helvetica, Times, Courier, Symbol,
// ZapfDingbats and their aliases), else those of the standard font the
// descriptor's flags are most like; Type3 widths scaled by /FontMatrix.
// Composite fonts by the CID's /W entry, else /DW (1000); a code without a
// CID (a Unicode CMap's) is /DW wide. A vertical font (CMap written top to
// bottom) advances down by /W2 or /DW2 (1000 by default): its Width is that
// advance, negative.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "PdfCMap.h"
#include "PdfObject.h"

namespace sorvik {

struct TPdfGlyph {
  std::uint32_t Code = 0;
  int Bytes = 1;          // the code's length in the string
  std::u32string Text;    // empty: nothing known
  double Width = 0;       // the advance for a font size of 1 (vertical fonts: along y, negative)
  bool IsWordSpace = false;  // a one-byte code 32, which word spacing (Tw) widens
};

enum class TPdfFontKind : std::uint8_t { Type1, MMType1, TrueType, Type3, Type0 };

class TPdfFont {
 public:
  // A font from its dictionary (or a reference to it). Never fails: whatever
  // can't be had (a missing or damaged entry or stream) leaves the defaults
  // described above. Reads the /ToUnicode and /Encoding streams (and, for a
  // simple font without /ToUnicode, an embedded Type 1 program's clear text).
  static TPdfFont Read(const TPdfObject& font, IPdfObjects& objects);

  // The glyphs of a shown string's bytes, in order: one per code, so never
  // more than the bytes. A code the string cuts short takes the bytes left.
  std::vector<TPdfGlyph> Decode(std::string_view bytes) const;

  TPdfFontKind Kind() const { return Kind_; }
  bool Vertical() const { return Vertical_; }
  const std::string& BaseFont() const { return BaseFont_; }

 private:
  // CIDs or codes with widths: from First to Last, Widths[Start + (cid -
  // First)], or Widths[Start] for all when Constant.
  struct TWidthRun {
    std::uint32_t First = 0;
    std::uint32_t Last = 0;
    std::uint32_t Start = 0;
    bool Constant = false;
  };
  struct TSimpleGlyph {
    std::u32string Text;
    double Width = 0;
  };

  void ReadSimple(const TPdfDict& font, IPdfObjects& objects);
  void ReadComposite(const TPdfDict& font, IPdfObjects& objects);
  void ReadCidWidths(const TPdfObject& w, IPdfObjects& objects, bool vertical);
  double CidWidth(std::optional<std::uint32_t> cid) const;

  TPdfFontKind Kind_ = TPdfFontKind::Type1;
  std::string BaseFont_;
  bool Vertical_ = false;
  std::optional<TPdfCMap> ToUnicode_;
  // Simple fonts: each code's glyph, made once.
  std::array<TSimpleGlyph, 256> Simple_;
  // Composite fonts: the encoding, and widths by CID (in 1/1000).
  TPdfCMap Encoding_;
  bool SplitByToUnicode_ = false;  // the encoding is a CMap not known here: codes split as /ToUnicode's
  std::vector<TWidthRun> WidthRuns_;
  std::vector<double> Widths_;
  double DefaultWidth_ = 1000;
};

}  // namespace sorvik
