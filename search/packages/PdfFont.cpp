#include "PdfFont.h"

#include <algorithm>

#include "PdfEncoding.h"
#include "PdfStandardFonts.h"

namespace sorvik {

namespace {

// A CID as far as 32 bits hold one; nothing for a negative or larger number or another object.
std::optional<std::uint32_t> CidOf(const TPdfObject& o) {
  if (!o.IsNumber()) return std::nullopt;
  const std::int64_t v = o.AsInt(-1);
  if (v < 0 || v > 0xFFFFFFFF) return std::nullopt;
  return static_cast<std::uint32_t>(v);
}

bool IsPrintableLatin1(std::uint8_t c) { return (c >= 0x20 && c <= 0x7E) || c >= 0xA0; }

bool IsSymbolArea(const std::u32string& text) { return text.size() == 1 && text[0] >= 0xF020 && text[0] <= 0xF0FF; }

constexpr std::int64_t kSymbolicFlag = 4;
constexpr std::int64_t kNonsymbolicFlag = 32;

}  // namespace

TPdfFont TPdfFont::Read(const TPdfObject& fontObject, IPdfObjects& objects) {
  TPdfFont font;
  const TPdfObject resolved = objects.Resolve(fontObject);
  const TPdfDict& dict = resolved.AsDict();
  const std::string subtype = objects.Resolve(dict.Get("Subtype")).AsName();
  if (subtype == "Type0") font.Kind_ = TPdfFontKind::Type0;
  else if (subtype == "TrueType") font.Kind_ = TPdfFontKind::TrueType;
  else if (subtype == "Type3") font.Kind_ = TPdfFontKind::Type3;
  else if (subtype == "MMType1") font.Kind_ = TPdfFontKind::MMType1;
  font.BaseFont_ = objects.Resolve(dict.Get("BaseFont")).AsName();

  const TPdfObject toUnicode = objects.Resolve(dict.Get("ToUnicode"));
  if (toUnicode.Type() == TPdfType::Stream)
    if (const std::optional<std::string> data = objects.StreamData(toUnicode)) font.ToUnicode_ = TPdfCMap::Parse(*data);

  if (font.Kind_ == TPdfFontKind::Type0) font.ReadComposite(dict, objects);
  else font.ReadSimple(dict, objects);
  return font;
}

void TPdfFont::ReadSimple(const TPdfDict& dict, IPdfObjects& objects) {
  const TPdfObject descriptorObject = objects.Resolve(dict.Get("FontDescriptor"));
  const TPdfDict& descriptor = descriptorObject.AsDict();
  const std::int64_t flags = objects.Resolve(descriptor.Get("Flags")).AsInt(0);
  const bool symbolic = (flags & kSymbolicFlag) && !(flags & kNonsymbolicFlag);
  const std::optional<TStandardFont> standard = StandardFontNamed(BaseFont_);

  // The encoding: a name, or a base and differences; what it leaves open is the font's own.
  const TPdfObject encodingObject = objects.Resolve(dict.Get("Encoding"));
  std::optional<TPdfBaseEncoding> base;
  std::vector<TPdfObject> differences;
  if (encodingObject.Type() == TPdfType::Name) {
    base = BaseEncodingNamed(encodingObject.AsName());
  } else if (encodingObject.Type() == TPdfType::Dict) {
    base = BaseEncodingNamed(objects.Resolve(encodingObject.AsDict().Get("BaseEncoding")).AsName());
    differences = objects.Resolve(encodingObject.AsDict().Get("Differences")).AsArray();
  }
  std::optional<TPdfEncoding> encoding;
  if (base) encoding.emplace(*base);
  if (!encoding && !ToUnicode_ && (Kind_ == TPdfFontKind::Type1 || Kind_ == TPdfFontKind::MMType1)) {
    const TPdfObject program = objects.Resolve(descriptor.Get("FontFile"));
    if (program.Type() == TPdfType::Stream)
      if (const std::optional<std::string> data = objects.StreamData(program)) encoding = Type1ProgramEncoding(*data);
  }
  if (!encoding && standard == TStandardFont::Symbol) encoding.emplace(TPdfBaseEncoding::Symbol);
  if (!encoding && standard == TStandardFont::ZapfDingbats) encoding.emplace(TPdfBaseEncoding::ZapfDingbats);
  // A Type3 font's codes are what its differences name.
  if (!encoding && Kind_ == TPdfFontKind::Type3 && encodingObject.Type() == TPdfType::Dict) encoding.emplace();
  if (!encoding && !symbolic && Kind_ != TPdfFontKind::Type3) encoding.emplace(TPdfBaseEncoding::Standard);
  const bool ownEncodingKnown = encoding.has_value();
  if (!encoding) encoding.emplace();
  encoding->ApplyDifferences(differences);
  const bool zapfDingbats = standard == TStandardFont::ZapfDingbats;

  // Widths.
  // Glyph space to text space: thousandths, or a Type3 font's own matrix.
  std::optional<double> matrixScale;
  if (Kind_ == TPdfFontKind::Type3) {
    const TPdfObject matrix = objects.Resolve(dict.Get("FontMatrix"));
    matrixScale = matrix.AsArray().size() == 6 ? objects.Resolve(matrix.AsArray()[0]).AsNumber(0.001) : 0.001;
  }
  const double missing = objects.Resolve(descriptor.Get("MissingWidth")).AsNumber(0);
  const TPdfObject widthsObject = objects.Resolve(dict.Get("Widths"));
  const std::vector<TPdfObject>& widths = widthsObject.AsArray();
  const std::int64_t firstChar = std::clamp<std::int64_t>(objects.Resolve(dict.Get("FirstChar")).AsInt(0), -1024, 1024);
  const TStandardFont metrics = standard ? *standard : StandardFontLike(BaseFont_, flags);

  for (int c = 0; c < 256; ++c) {
    const auto code = static_cast<std::uint8_t>(c);
    TSimpleGlyph& glyph = Simple_[code];
    const std::string_view name = encoding->GlyphName(code);
    const bool mapped = ToUnicode_ && ToUnicode_->AppendText({code, 1}, glyph.Text);
    if (mapped && IsSymbolArea(glyph.Text) && ownEncodingKnown && !name.empty()) {
      // Symbol fonts' codes moved to the private use area (U+F020 to U+F0FF, as
      // a symbolic TrueType font's cmap has them): the glyph's name says more.
      std::u32string byName;
      if (AppendGlyphText(name, byName, zapfDingbats)) glyph.Text = std::move(byName);
    } else if (!mapped) {
      if (!name.empty()) AppendGlyphText(name, glyph.Text, zapfDingbats);
      else if (!ownEncodingKnown && IsPrintableLatin1(code)) AppendTextChar(code, glyph.Text);
    }
    double width = missing;
    if (!widths.empty()) {
      const std::int64_t at = c - firstChar;
      if (at >= 0 && at < static_cast<std::int64_t>(widths.size()))
        width = objects.Resolve(widths[static_cast<std::size_t>(at)]).AsNumber(missing);
    } else if (Kind_ != TPdfFontKind::Type3 && !name.empty()) {
      if (const std::optional<int> w = StandardGlyphWidth(metrics, name)) width = *w;
    }
    glyph.Width = matrixScale ? width * *matrixScale : width / 1000;
  }
}

void TPdfFont::ReadComposite(const TPdfDict& dict, IPdfObjects& objects) {
  const TPdfObject encodingObject = objects.Resolve(dict.Get("Encoding"));
  bool known = false;
  if (encodingObject.Type() == TPdfType::Name) {
    if (std::optional<TPdfCMap> cmap = TPdfCMap::Predefined(encodingObject.AsName())) {
      Encoding_ = std::move(*cmap);
      known = true;
    }
  } else if (encodingObject.Type() == TPdfType::Stream) {
    if (const std::optional<std::string> data = objects.StreamData(encodingObject)) {
      Encoding_ = TPdfCMap::Parse(*data);
      known = true;
    }
    Vertical_ = objects.Resolve(encodingObject.AsDict().Get("WMode")).AsInt(0) == 1;
  }
  if (!known) {
    // A CMap named but not known here (a legacy one: Shift-JIS, EUC, Big Five...):
    // codes split as /ToUnicode's codespace says, else two bytes each.
    Encoding_ = *TPdfCMap::Predefined("Identity-H");
    SplitByToUnicode_ = ToUnicode_ && ToUnicode_->HasCodespace();
  }
  Vertical_ = Vertical_ || Encoding_.Vertical();

  const TPdfObject descendants = objects.Resolve(dict.Get("DescendantFonts"));
  const std::vector<TPdfObject>& list = descendants.AsArray();
  const TPdfObject cidFont = list.empty() ? TPdfObject() : objects.Resolve(list[0]);
  const TPdfDict& cid = cidFont.AsDict();
  if (Vertical_) {
    const TPdfObject dw2 = objects.Resolve(cid.Get("DW2"));
    DefaultWidth_ = dw2.AsArray().size() == 2 ? objects.Resolve(dw2.AsArray()[1]).AsNumber(-1000) : -1000;
    ReadCidWidths(cid.Get("W2"), objects, true);
  } else {
    DefaultWidth_ = objects.Resolve(cid.Get("DW")).AsNumber(1000);
    ReadCidWidths(cid.Get("W"), objects, false);
  }
}

void TPdfFont::ReadCidWidths(const TPdfObject& w, IPdfObjects& objects, bool vertical) {
  // /W: "c [w1 w2 ...]" and "first last w"; /W2: "c [w1y v1x v1y ...]" and
  // "first last w1y v1x v1y", of which only the advance w1y counts here.
  const TPdfObject resolved = objects.Resolve(w);
  const std::vector<TPdfObject>& items = resolved.AsArray();
  const std::size_t group = vertical ? 3 : 1;
  for (std::size_t i = 0; i + 1 < items.size();) {
    const std::optional<std::uint32_t> first = CidOf(objects.Resolve(items[i]));
    const TPdfObject next = objects.Resolve(items[i + 1]);
    if (first && next.Type() == TPdfType::Array) {
      const std::vector<TPdfObject>& list = next.AsArray();
      const std::uint64_t count = std::min<std::uint64_t>(list.size() / group, 0x100000000ull - *first);
      if (count > 0) {
        WidthRuns_.push_back({*first, static_cast<std::uint32_t>(*first + count - 1), static_cast<std::uint32_t>(Widths_.size()), false});
        for (std::uint64_t k = 0; k < count; ++k) Widths_.push_back(objects.Resolve(list[k * group]).AsNumber(DefaultWidth_));
      }
      i += 2;
    } else if (first && next.IsNumber() && i + 2 < items.size()) {
      const std::optional<std::uint32_t> last = CidOf(next);
      const TPdfObject width = objects.Resolve(items[i + 2]);
      if (last && *last >= *first && width.IsNumber()) {
        WidthRuns_.push_back({*first, *last, static_cast<std::uint32_t>(Widths_.size()), true});
        Widths_.push_back(width.AsNumber());
      }
      i += vertical ? 5 : 3;
    } else {
      ++i;
    }
  }
  std::stable_sort(WidthRuns_.begin(), WidthRuns_.end(), [](const TWidthRun& a, const TWidthRun& b) { return a.First < b.First; });
}

double TPdfFont::CidWidth(std::optional<std::uint32_t> cid) const {
  if (!cid) return DefaultWidth_;
  auto at = std::upper_bound(WidthRuns_.begin(), WidthRuns_.end(), *cid, [](std::uint32_t c, const TWidthRun& r) { return c < r.First; });
  if (at == WidthRuns_.begin()) return DefaultWidth_;
  --at;
  if (*cid > at->Last) return DefaultWidth_;
  return Widths_[at->Start + (at->Constant ? 0 : *cid - at->First)];
}

std::vector<TPdfGlyph> TPdfFont::Decode(std::string_view bytes) const {
  std::vector<TPdfGlyph> glyphs;
  if (Kind_ != TPdfFontKind::Type0) {
    glyphs.reserve(bytes.size());
    for (char b : bytes) {
      const auto code = static_cast<std::uint8_t>(b);
      glyphs.push_back({code, 1, Simple_[code].Text, Simple_[code].Width, code == 32});
    }
    return glyphs;
  }
  const TPdfCMap& splitter = SplitByToUnicode_ ? *ToUnicode_ : Encoding_;
  while (!bytes.empty()) {
    const TPdfCMap::TCode code = splitter.NextCode(bytes);
    TPdfGlyph glyph;
    glyph.Code = code.Value;
    glyph.Bytes = code.Bytes;
    if (!ToUnicode_ || !ToUnicode_->AppendText(code, glyph.Text)) Encoding_.AppendText(code, glyph.Text);
    glyph.Width = CidWidth(Encoding_.Cid(code)) / 1000;
    glyph.IsWordSpace = code.Bytes == 1 && code.Value == 32;
    glyphs.push_back(std::move(glyph));
    bytes.remove_prefix(static_cast<std::size_t>(code.Bytes));
  }
  return glyphs;
}

}  // namespace sorvik
