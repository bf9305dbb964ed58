// The content-stream reader over any bytes: operators with odd operands,
// unbalanced saves and text objects, inline images without end, forms drawn
// by Do (one that draws itself, forms nested). The reading ends, gives each
// glyph's text at most once per drawing (so no more text than the drawings'
// bytes allow), puts lines out whole, and reads the same bytes alike twice.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "PdfContent.h"

namespace {

using namespace sorvik;

// Latin-1 glyphs of varied widths (a byte's low bits), some blank, some with no text.
class TBytesFont : public IPdfGlyphs {
 public:
  void Decode(std::string_view bytes, std::vector<TPdfShownGlyph>& out, std::u32string& text) const override {
    for (const char c : bytes) {
      const auto b = static_cast<unsigned char>(c);
      TPdfShownGlyph g;
      g.TextAt = static_cast<std::uint32_t>(text.size());
      if (b != 0) {
        text.push_back(b);
        g.TextLength = 1;
      }
      g.Width = (b & 7) / 8.0;
      g.WordSpace = b == 32;
      out.push_back(g);
    }
  }
};

// Object 1: a form drawing these bytes again (itself, through its own resources).
class TObjects : public IPdfObjects {
 public:
  explicit TObjects(std::string_view content) : Content_(content) {
    Resources_ = TPdfDict({{"Font", TPdfObject::Dict(TPdfDict({{"F1", TPdfObject::Dict(TPdfDict({{"Type", TPdfObject::Name("Font")}}))}}))},
                           {"XObject", TPdfObject::Dict(TPdfDict({{"Fm1", TPdfObject::Ref(1, 0)}}))}});
  }
  TPdfObject Resolve(const TPdfObject& object) override {
    if (object.Type() != TPdfType::Ref) return object;
    if (object.AsRef().Num != 1) return {};
    return TPdfObject::Stream(TPdfDict({{"Subtype", TPdfObject::Name("Form")},
                                        {"Matrix", TPdfObject::Array({TPdfObject::Int(1), TPdfObject::Int(0),
                                                                      TPdfObject::Int(0), TPdfObject::Int(1),
                                                                      TPdfObject::Int(5), TPdfObject::Int(-5)})},
                                        {"Resources", TPdfObject::Dict(Resources_)}}),
                              TPdfStreamData{});
  }
  std::optional<std::string> StreamData(const TPdfObject&) override { return std::string(Content_); }
  const TPdfDict& Resources() const { return Resources_; }

 private:
  std::string_view Content_;
  TPdfDict Resources_;
};

std::string Read(std::string_view content) {
  TObjects objects(content);
  std::string out;
  std::size_t pieces = 0;
  TPdfContentReader reader(
      objects, [](IPdfObjects&, const TPdfObject&) { return std::make_shared<TBytesFont>(); },
      [&](std::string_view utf8) {
        FUZZ_CHECK(!utf8.empty() && utf8.back() == '\n');  // whole lines
        out.append(utf8);
        ++pieces;
      });
  const double box[4] = {-1000, -1000, 1000, 1000};
  reader.ReadPage(content, objects.Resources(), content.size() % 2 ? box : nullptr);
  // A form draws itself at most once inside itself: the text of two drawings
  // of these bytes at most, each character a glyph of them, a blank or a line feed.
  FUZZ_CHECK(out.size() <= 4 * (2 * content.size() + 1) * 3);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  const std::string first = Read(content);
  FUZZ_CHECK(Read(content) == first);
  return 0;
}
