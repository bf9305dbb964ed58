#include "PdfFonts.h"

#include <cmath>
#include <utility>

#include "PdfEncoding.h"
#include "PdfFont.h"

namespace sorvik {

namespace {

class TFontGlyphs : public IPdfGlyphs {
 public:
  explicit TFontGlyphs(TPdfFont font) : Font_(std::move(font)) {}
  void Decode(std::string_view bytes, std::vector<TPdfShownGlyph>& out) const override {
    for (TPdfGlyph& glyph : Font_.Decode(bytes)) {
      TPdfShownGlyph shown;
      shown.Text = std::move(glyph.Text);
      // A vertical font's advance is given along y, downward: its length here.
      shown.Width = Font_.Vertical() ? std::abs(glyph.Width) : glyph.Width;
      shown.WordSpace = glyph.IsWordSpace;
      out.push_back(std::move(shown));
    }
  }
  bool Vertical() const override { return Font_.Vertical(); }

 private:
  TPdfFont Font_;
};

}  // namespace

std::shared_ptr<const IPdfGlyphs> MakePdfFont(IPdfObjects& objects, const TPdfObject& fontDict) {
  if (fontDict.AsDict().Empty()) return nullptr;
  return std::make_shared<TFontGlyphs>(TPdfFont::Read(fontDict, objects));
}

std::string PdfTextString(std::string_view bytes) { return DecodePdfText(bytes); }

}  // namespace sorvik
