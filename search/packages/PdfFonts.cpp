#include "PdfFonts.h"

#include <array>
#include <cmath>
#include <utility>

#include "PdfEncoding.h"
#include "PdfFont.h"

namespace sorvik {

namespace {

class TFontGlyphs : public IPdfGlyphs {
 public:
  explicit TFontGlyphs(TPdfFont font) : Font_(std::move(font)) {
    if (Font_.Kind() == TPdfFontKind::Type0) return;
    // A simple font's 256 codes, read once: a string is then a lookup a byte.
    std::string codes(256, '\0');
    for (int c = 0; c < 256; ++c) codes[static_cast<std::size_t>(c)] = static_cast<char>(c);
    const std::vector<TPdfGlyph> glyphs = Font_.Decode(codes);
    for (std::size_t c = 0; c < 256 && c < glyphs.size(); ++c) {
      TPdfShownGlyph& g = Simple_[c];
      g.TextAt = static_cast<std::uint32_t>(SimpleText_.size());
      g.TextLength = static_cast<std::uint32_t>(glyphs[c].Text.size());
      g.Width = glyphs[c].Width;
      g.WordSpace = glyphs[c].IsWordSpace;
      SimpleText_ += glyphs[c].Text;
    }
  }

  void Decode(std::string_view bytes, std::vector<TPdfShownGlyph>& out, std::u32string& text) const override {
    if (Font_.Kind() != TPdfFontKind::Type0) {
      for (const char b : bytes) {
        TPdfShownGlyph g = Simple_[static_cast<std::uint8_t>(b)];
        const std::uint32_t at = g.TextAt;
        g.TextAt = static_cast<std::uint32_t>(text.size());
        text.append(SimpleText_, at, g.TextLength);
        out.push_back(g);
      }
      return;
    }
    for (const TPdfGlyph& glyph : Font_.Decode(bytes)) {
      TPdfShownGlyph shown;
      shown.TextAt = static_cast<std::uint32_t>(text.size());
      shown.TextLength = static_cast<std::uint32_t>(glyph.Text.size());
      text += glyph.Text;
      // A vertical font's advance is given along y, downward: its length here.
      shown.Width = Font_.Vertical() ? std::abs(glyph.Width) : glyph.Width;
      shown.WordSpace = glyph.IsWordSpace;
      out.push_back(shown);
    }
  }
  bool Vertical() const override { return Font_.Vertical(); }

 private:
  TPdfFont Font_;
  std::array<TPdfShownGlyph, 256> Simple_{};
  std::u32string SimpleText_;
};

}  // namespace

std::shared_ptr<const IPdfGlyphs> MakePdfFont(IPdfObjects& objects, const TPdfObject& fontDict) {
  if (fontDict.AsDict().Empty()) return nullptr;
  return std::make_shared<TFontGlyphs>(TPdfFont::Read(fontDict, objects));
}

std::string PdfTextString(std::string_view bytes) { return DecodePdfText(bytes); }

}  // namespace sorvik
