#include "PdfText.h"

#include <algorithm>
#include <vector>

namespace sorvik {

namespace {

constexpr int kMaxTreeDepth = 64;

class TPdfTextReader {
 public:
  TPdfTextReader(TPdfDocument& document, IStreamSearch& find, const TPdfFontMaker& makeFont,
                 const TPdfTextString& textString, const TPdfTextOptions& options)
      : Doc_(document), Find_(find), TextString_(textString), Options_(options),
        Content_(document, makeFont, [this](std::string_view utf8) { Feed(utf8); }) {
    Content_.SetInterrupt([this] { return Stopping(); });
  }

  void ReadProperties() {
    const TPdfObject info = Doc_.Resolve(Doc_.Trailer().Get("Info"));
    std::string text;
    // As for office documents: what the document is about, not who wrote it.
    for (const char* key : {"Title", "Subject", "Keywords"}) {
      const TPdfObject value = Doc_.Resolve(info.AsDict().Get(key));
      if (value.Type() != TPdfType::String) continue;
      const std::string line = TextString_(value.AsString());
      if (!line.empty()) text.append(line).append("\n");
    }
    if (text.empty()) return;
    Begin("Properties");
    Feed(text);
    End();
  }

  void ReadPages() {
    const TPdfObject catalog = Doc_.Catalog();
    Walk(catalog.AsDict().Get("Pages"), TInherited(), 0);
  }

  std::size_t Pages() const { return Pages_; }
  bool Stopping() {
    if (!Stopped_ && (Find_.Done() || (Options_.Interrupted && Options_.Interrupted()))) Stopped_ = true;
    return Stopped_;
  }

 private:
  // What a page takes from the nodes above it when it has none of its own.
  struct TInherited {
    TPdfObject Resources, MediaBox, CropBox;
  };

  // The page tree, depth first; each node's resources and boxes pass to its kids that have none.
  void Walk(const TPdfObject& node, const TInherited& inherited, int depth) {
    if (depth > kMaxTreeDepth || Stopping()) return;
    if (node.Type() == TPdfType::Ref) {
      const std::uint32_t num = node.AsRef().Num;
      if (std::find(Visited_.begin(), Visited_.end(), num) != Visited_.end()) return;  // a tree that holds itself
      Visited_.push_back(num);
    }
    const TPdfObject object = Doc_.Resolve(node);
    const TPdfDict& dict = object.AsDict();
    if (dict.Empty()) return;
    TInherited mine = inherited;
    if (!dict.Get("Resources").IsNull()) mine.Resources = dict.Get("Resources");
    if (!dict.Get("MediaBox").IsNull()) mine.MediaBox = dict.Get("MediaBox");
    if (!dict.Get("CropBox").IsNull()) mine.CropBox = dict.Get("CropBox");
    const TPdfObject kids = Doc_.Resolve(dict.Get("Kids"));
    if (kids.Type() == TPdfType::Array && !dict.Get("Type").IsName("Page")) {
      for (const TPdfObject& kid : kids.AsArray()) Walk(kid, mine, depth + 1);
      return;
    }
    ReadPage(dict, Doc_.Resolve(mine.Resources).AsDict(), mine);
  }

  // A box's corners, left, bottom, right, top; false when it isn't a box.
  bool BoxOf(const TPdfObject& entry, double box[4]) {
    const TPdfObject array = Doc_.Resolve(entry);
    const std::vector<TPdfObject>& v = array.AsArray();
    if (v.size() != 4) return false;
    double c[4];
    for (int k = 0; k < 4; ++k) {
      const TPdfObject n = Doc_.Resolve(v[static_cast<std::size_t>(k)]);
      if (!n.IsNumber()) return false;
      c[k] = n.AsNumber();
    }
    box[0] = std::min(c[0], c[2]);
    box[1] = std::min(c[1], c[3]);
    box[2] = std::max(c[0], c[2]);
    box[3] = std::max(c[1], c[3]);
    return box[2] > box[0] && box[3] > box[1];
  }

  void ReadPage(const TPdfDict& page, const TPdfDict& resources, const TInherited& inherited) {
    ++Pages_;
    Begin("page " + std::to_string(Pages_));
    // The page's content: one stream, or an array of them read as one.
    const TPdfObject contents = Doc_.Resolve(page.Get("Contents"));
    std::string content;
    const auto add = [&](const TPdfObject& stream) {
      if (const std::optional<std::string> data = Doc_.StreamData(Doc_.Resolve(stream))) {
        content.append(*data);
        content.push_back('\n');
      }
    };
    if (contents.Type() == TPdfType::Array) {
      for (const TPdfObject& part : contents.AsArray()) {
        if (Stopping()) break;
        add(part);
      }
    } else {
      add(contents);
    }
    // What the page shows: its crop box within its media box. A page with
    // neither shows all its text.
    double media[4], crop[4];
    const bool hasMedia = BoxOf(inherited.MediaBox, media);
    if (BoxOf(inherited.CropBox, crop)) {
      if (hasMedia) {
        crop[0] = std::max(crop[0], media[0]);
        crop[1] = std::max(crop[1], media[1]);
        crop[2] = std::min(crop[2], media[2]);
        crop[3] = std::min(crop[3], media[3]);
      }
      std::copy(crop, crop + 4, media);
    }
    const bool hasBox = (hasMedia || BoxOf(inherited.CropBox, crop)) && media[2] > media[0] && media[3] > media[1];
    Content_.ReadPage(content, resources, hasBox ? media : nullptr);
    ReadAnnotations(page);
    End();
  }

  // Notes' text and form fields' values, each on a line of its own after the page's text.
  void ReadAnnotations(const TPdfDict& page) {
    const TPdfObject annots = Doc_.Resolve(page.Get("Annots"));
    std::string text;
    for (const TPdfObject& item : annots.AsArray()) {
      if (Stopping()) return;
      const TPdfObject annot = Doc_.Resolve(item);
      const TPdfDict& dict = annot.AsDict();
      const TPdfObject contents = Doc_.Resolve(dict.Get("Contents"));
      if (contents.Type() == TPdfType::String) AddLine(text, TextString_(contents.AsString()));
      if (dict.Get("Subtype").IsName("Widget")) {
        const TPdfObject value = Doc_.Resolve(dict.Get("V"));
        if (value.Type() == TPdfType::String) AddLine(text, TextString_(value.AsString()));
      }
    }
    Feed(text);
  }

  static void AddLine(std::string& text, const std::string& line) {
    if (line.empty()) return;
    text.append(line);
    text.push_back('\n');
  }

  void Begin(const std::string& name) {
    const std::string full = Options_.Prefix + name;
    if (Options_.EntryBegins) Options_.EntryBegins(full);
    Find_.BeginStream(true, full);
  }
  void Feed(std::string_view utf8) {
    if (utf8.empty() || Find_.Done()) return;
    Find_.Feed(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size());
  }
  void End() {
    if (!Find_.Done()) Find_.EndStream();
  }

  TPdfDocument& Doc_;
  IStreamSearch& Find_;
  const TPdfTextString& TextString_;
  const TPdfTextOptions& Options_;
  TPdfContentReader Content_;
  std::vector<std::uint32_t> Visited_;
  std::size_t Pages_ = 0;
  bool Stopped_ = false;
};

}  // namespace

TPdfTextResult ReadPdfText(std::string_view bytes, IStreamSearch& find, TFileBudget& budget,
                           const TPdfFontMaker& makeFont, const TPdfTextString& textString,
                           const TPdfTextOptions& options) {
  TPdfTextResult result;
  TPdfDocument document(bytes, budget);
  document.SetInterrupt(options.Interrupted);
  result.Open = document.Open();
  result.Rebuilt = document.Rebuilt();
  if (result.Open != TPdfOpen::Open) return result;
  TPdfTextReader reader(document, find, makeFont, textString, options);
  reader.ReadProperties();
  reader.ReadPages();
  result.Pages = reader.Pages();
  result.Rebuilt = document.Rebuilt();
  result.Limited = budget.Reached();
  result.Stopped = reader.Stopping() && !find.Done() ? true : document.Stopped();
  return result;
}

}  // namespace sorvik
