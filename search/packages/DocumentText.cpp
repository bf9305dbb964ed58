// A part's XML is read byte by byte by a small state machine: the bytes become
// UTF-8 (UTF-16 by its byte-order mark or its first '<'), the markup is told
// from character data, and counters of the elements that matter (the body,
// text elements, runs, a skipped subtree) decide what is text; no stack of
// elements is kept. Where the XML is wrong the reader goes on: bytes that are
// not UTF-8 pass through as they are, a character reference to what text
// can't hold (0, a surrogate, beyond U+10FFFF) gives U+FFFD, an unknown entity
// or a '&' not ended by ';' soon stays as typed, a '<' that starts no markup
// is text. Blanks are counted, not kept: a run of them costs a counter
// whatever its length.
#include "DocumentText.h"

#include <algorithm>
#include <cstring>
#include <array>
#include <initializer_list>
#include <iterator>
#include <utility>

#include "Ascii.h"
#include "UnicodeText.h"

namespace sorvik {
namespace {

constexpr std::size_t kTagCap = 1024;      // bytes of a tag kept: its name and the attributes read
constexpr std::size_t kEntityCap = 32;     // an '&' not ended by ';' within this many bytes is text
constexpr std::uint32_t kReplacement = 0xFFFD;
constexpr std::uint32_t kSoftHyphen = 0xAD;  // in UTF-8 0xC2 0xAD
constexpr char kSoftHyphenLead = '\xC2';
constexpr char kSoftHyphenTrail = '\xAD';

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }
bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// prefix + anything without '/' + suffix.
bool InFolder(std::string_view name, std::string_view prefix, std::string_view suffix) {
  if (name.size() < prefix.size() + suffix.size() || !StartsWith(name, prefix) || !EndsWith(name, suffix)) return false;
  return name.substr(prefix.size(), name.size() - prefix.size() - suffix.size()).find('/') == std::string_view::npos;
}

bool OneOf(std::string_view s, std::initializer_list<std::string_view> names) {
  return std::find(names.begin(), names.end(), s) != names.end();
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool StartsName(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || u >= 0x80;
}

bool InEntityName(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '#';
}

// Bytes that end a stretch of character data read at once: markup, white
// space, and the first byte of a soft hyphen.
constexpr std::array<bool, 256> kEndsText = [] {
  std::array<bool, 256> ends{};
  for (const char c : {'<', '&', ' ', '\t', '\r', '\n', kSoftHyphenLead}) ends[static_cast<unsigned char>(c)] = true;
  return ends;
}();

struct THtmlEntity {
  std::string_view Name;  // without its ';'
  std::uint32_t First;
  std::uint32_t Second;   // 0 for a name of one character
};
// HTML's named character references, by name.
constexpr THtmlEntity kHtmlEntities[] = {
#include "HtmlEntities.inc"
};

constexpr bool HtmlEntitiesFitTheirReader() {
  for (std::size_t i = 0; i < std::size(kHtmlEntities); ++i) {
    if (kHtmlEntities[i].Name.size() > kEntityCap) return false;
    if (i > 0 && !(kHtmlEntities[i - 1].Name < kHtmlEntities[i].Name)) return false;
  }
  return true;
}
static_assert(HtmlEntitiesFitTheirReader(), "entity names sorted, none longer than an entity read");

// The character of "#123" or "#x7B"; kReplacement for one that can't be in text, 0 for no number.
std::uint32_t NumberedCharacter(std::string_view name) {
  const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
  std::string_view digits = name.substr(hex ? 2 : 1);
  if (digits.empty()) return 0;
  std::uint32_t value = 0;
  for (char c : digits) {
    std::uint32_t digit;
    if (c >= '0' && c <= '9') digit = static_cast<std::uint32_t>(c - '0');
    else if (hex && c >= 'a' && c <= 'f') digit = static_cast<std::uint32_t>(c - 'a' + 10);
    else if (hex && c >= 'A' && c <= 'F') digit = static_cast<std::uint32_t>(c - 'A' + 10);
    else return 0;
    value = value * (hex ? 16 : 10) + digit;
    if (value > 0x10FFFF) return kReplacement;
  }
  if (value == 0 || (value >= 0xD800 && value <= 0xDFFF)) return kReplacement;
  return value;
}

}  // namespace

TPackageKind PackageKindOf(std::string_view fileName) {
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) return TPackageKind::None;
  const std::string ext = AsciiLowerCopy(fileName.substr(dot + 1));
  if (ext == "zip") return TPackageKind::Zip;
  if (ext == "epub") return TPackageKind::Epub;
  if (ext == "pdf") return TPackageKind::Pdf;
  if (OneOf(ext, {"odt", "ott", "ods", "ots", "odp", "otp"})) return TPackageKind::OpenDocument;
  if (OneOf(ext, {"docx", "docm", "dotx", "dotm", "xlsx", "xlsm", "xltx", "xltm", "pptx", "pptm", "potx", "potm",
                  "ppsx", "ppsm"}))
    return TPackageKind::OfficeOpenXml;
  return TPackageKind::None;
}

TPartText PartTextOf(TPackageKind kind, std::string_view partName) {
  const std::string name = AsciiLowerCopy(partName);
  switch (kind) {
    case TPackageKind::OfficeOpenXml:
      if (name == "docprops/core.xml") return TPartText::Properties;
      if (name == "xl/workbook.xml") return TPartText::Workbook;
      // SmartArt's own text (data); Office's drawing*.xml beside it is a rendered copy of the same.
      if (InFolder(name, "word/diagrams/data", ".xml") || InFolder(name, "ppt/diagrams/data", ".xml") ||
          InFolder(name, "xl/diagrams/data", ".xml") || InFolder(name, "xl/drawings/drawing", ".xml"))
        return TPartText::Drawing;
      if (InFolder(name, "word/charts/chart", ".xml") || InFolder(name, "xl/charts/chart", ".xml") ||
          InFolder(name, "ppt/charts/chart", ".xml"))
        return TPartText::Chart;
      if (OneOf(name, {"word/document.xml", "word/footnotes.xml", "word/endnotes.xml", "word/comments.xml",
                       "xl/sharedstrings.xml"}) ||
          InFolder(name, "word/header", ".xml") || InFolder(name, "word/footer", ".xml") ||
          InFolder(name, "xl/worksheets/sheet", ".xml") || InFolder(name, "xl/comments", ".xml") ||
          InFolder(name, "ppt/slides/slide", ".xml") || InFolder(name, "ppt/notesslides/", ".xml") ||
          InFolder(name, "ppt/comments/", ".xml"))
        return TPartText::OfficeOpenXml;
      return TPartText::None;
    case TPackageKind::OpenDocument:
      if (name == "content.xml") return TPartText::OpenDocument;
      if (name == "styles.xml") return TPartText::OpenDocumentStyles;
      if (name == "meta.xml") return TPartText::Properties;
      return TPartText::None;
    case TPackageKind::Epub:
      if (EndsWith(name, ".xhtml") || EndsWith(name, ".html") || EndsWith(name, ".htm")) return TPartText::Xhtml;
      if (EndsWith(name, ".opf")) return TPartText::Properties;
      return TPartText::None;
    case TPackageKind::None:
    case TPackageKind::Zip:
    case TPackageKind::Pdf:
      break;
  }
  return TPartText::None;
}

TDocumentText::TDocumentText(TPartText rules) : Rules_(rules) {
  Tag_.reserve(kTagCap);
  Entity_.reserve(kEntityCap);
}

void TDocumentText::SetCellWatch(TCellWatch watch) { CellWatch_ = std::move(watch); }

namespace {

// How many of p[0, n) are spaces from the start, eight at a time while they
// last (a document of blanks is passed over at memory speed).
std::size_t SpacesAt(const std::uint8_t* p, std::size_t n) {
  constexpr std::uint64_t kEight = 0x2020202020202020;
  std::size_t i = 0;
  for (std::uint64_t v; i + 8 <= n; i += 8) {
    std::memcpy(&v, p + i, 8);
    if (v != kEight) break;
  }
  return i;
}

}  // namespace

void TDocumentText::Feed(const std::uint8_t* data, std::size_t n, std::string& out) {
  if (Rules_ == TPartText::None) return;
  const auto at = [data](std::size_t i) { return static_cast<char>(data[i]); };
  std::size_t i = 0;
  while (i < n) {
    // In UTF-8, the runs that make up most of a part go whole: character data
    // up to the next markup (written at once, or passed over where it is no
    // text) and a tag up to its end. Each ends where the byte machine takes over.
    if (Encoding_ == TEncoding::Utf8 && Markup_ == TMarkup::Text && !HeldLead_) {
      std::size_t j = i;
      if (!Emitting()) {
        while (j < n && at(j) != '<' && at(j) != '&') ++j;
      } else {
        // Characters up to a blank, markup or soft hyphen go whole; a run of
        // blanks is counted at once; a soft hyphen is passed over.
        while (j < n) {
          std::size_t k = j;
          for (;;) {
            while (k < n && !kEndsText[data[k]]) ++k;
            if (k + 1 < n && at(k) == kSoftHyphenLead && at(k + 1) != kSoftHyphenTrail) ++k;
            else break;
          }
          if (k > j) Visible(std::string_view(reinterpret_cast<const char*>(data + j), k - j), out);
          j = k;
          if (j == n) break;
          if (PreDepth_ == 0 && IsBlank(at(j))) {
            std::size_t end = j + 1;
            end += SpacesAt(data + end, n - end);
            while (end < n && IsBlank(at(end))) ++end;
            SourceBlanks(end - j);
            j = end;
          } else if (at(j) == ' ') {  // preformatted: as many as there are
            std::size_t end = j + 1;
            while (end < n && at(end) == ' ') ++end;
            Spaces(end - j, out);
            j = end;
          } else if (at(j) == kSoftHyphenLead && j + 1 < n) {
            j += 2;
          } else {
            break;  // markup, a line of pre, or a lead byte whose next byte is still to come
          }
        }
      }
      i = j;
      if (i == n) break;
    } else if (Encoding_ == TEncoding::Utf8 && Markup_ == TMarkup::Tag) {
      std::size_t j = i;
      for (; j < n; ++j) {
        const char c = at(j);
        if (Quote_ != 0) {
          if (c == Quote_) Quote_ = 0;
        } else if (c == '>') {
          break;
        } else if (c == '"' || c == '\'') {
          Quote_ = c;
        }
        if (Quote_ == 0 && !IsBlank(c)) LastTagChar_ = c;
      }
      if (Tag_.size() < kTagCap)
        Tag_.append(reinterpret_cast<const char*>(data + i), std::min(j - i, kTagCap - Tag_.size()));
      i = j;
      if (i == n) break;
      Markup_ = TMarkup::Text;
      EndTag(out);
      ++i;
      continue;
    }
    Byte(data[i++], out);
  }
}

void TDocumentText::Finish(std::string& out) {
  if (Rules_ == TPartText::None) return;
  if (Encoding_ == TEncoding::Unknown) {  // too short to hold a byte-order mark
    Encoding_ = TEncoding::Utf8;
    for (std::uint8_t i = 0; i < HeadSize_; ++i) Xml(static_cast<char>(Head_[i]), out);
    HeadSize_ = 0;
  }
  if (HighSurrogate_ != 0) {
    HighSurrogate_ = 0;
    CodePoint(kReplacement, out);
  }
  HasOddByte_ = false;
  HeldLead(out);
  if (Markup_ == TMarkup::Entity) EntityAsTyped(out);
  if (Markup_ == TMarkup::CData)
    for (; Run_ > 0; --Run_) Data(']', out);
  Markup_ = TMarkup::Text;
  Break(out);
}

void TDocumentText::Byte(std::uint8_t b, std::string& out) {
  switch (Encoding_) {
    case TEncoding::Utf8:
      Xml(static_cast<char>(b), out);
      return;
    case TEncoding::Utf16Le:
    case TEncoding::Utf16Be:
      if (!HasOddByte_) {
        OddByte_ = b;
        HasOddByte_ = true;
        return;
      }
      HasOddByte_ = false;
      Unit(Encoding_ == TEncoding::Utf16Le ? (OddByte_ | b << 8) : (OddByte_ << 8 | b), out);
      return;
    case TEncoding::Unknown:
      break;
  }
  Head_[HeadSize_++] = b;
  const std::uint8_t* h = Head_;
  if (HeadSize_ == 2 && ((h[0] == 0xFF && h[1] == 0xFE) || (h[0] == 0xFE && h[1] == 0xFF))) {
    Encoding_ = h[0] == 0xFF ? TEncoding::Utf16Le : TEncoding::Utf16Be;
    HeadSize_ = 0;
    return;
  }
  if (HeadSize_ == 3 && h[0] == 0xEF && h[1] == 0xBB && h[2] == 0xBF) {
    Encoding_ = TEncoding::Utf8;
    HeadSize_ = 0;
    return;
  }
  // UTF-16 without a mark: the declaration's '<' as one unit.
  if (HeadSize_ == 2 && ((h[0] == '<' && h[1] == 0) || (h[0] == 0 && h[1] == '<'))) {
    Encoding_ = h[0] == '<' ? TEncoding::Utf16Le : TEncoding::Utf16Be;
    HeadSize_ = 0;
    Unit('<', out);
    return;
  }
  const bool maybeMore = (HeadSize_ == 1 && (b == 0xEF || b == 0xFF || b == 0xFE || b == '<' || b == 0)) ||
                         (HeadSize_ == 2 && h[0] == 0xEF && h[1] == 0xBB);
  if (maybeMore) return;
  Encoding_ = TEncoding::Utf8;
  const std::uint8_t size = HeadSize_;
  HeadSize_ = 0;
  for (std::uint8_t i = 0; i < size; ++i) Xml(static_cast<char>(Head_[i]), out);
}

void TDocumentText::Unit(std::uint32_t unit, std::string& out) {
  if (HighSurrogate_ != 0) {
    const std::uint32_t high = HighSurrogate_;
    HighSurrogate_ = 0;
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      CodePoint(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00), out);
      return;
    }
    CodePoint(kReplacement, out);
  }
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    HighSurrogate_ = unit;
    return;
  }
  CodePoint(unit >= 0xDC00 && unit <= 0xDFFF ? kReplacement : unit, out);
}

void TDocumentText::CodePoint(std::uint32_t c, std::string& out) {
  std::string bytes;  // short: no allocation
  AppendUtf8(bytes, static_cast<char32_t>(c));
  for (char b : bytes) Xml(b, out);
}

void TDocumentText::Xml(char c, std::string& out) {
  switch (Markup_) {
    case TMarkup::Text:
      if (c == '<') {
        HeldLead(out);
        Markup_ = TMarkup::Open;
      } else if (c == '&') {
        HeldLead(out);
        Markup_ = TMarkup::Entity;
        Entity_.clear();
      } else {
        Data(c, out);
      }
      return;
    case TMarkup::Entity:
      if (c == ';') {
        Markup_ = TMarkup::Text;
        Entity(out);
      } else if (InEntityName(c) && Entity_.size() < kEntityCap) {
        Entity_ += c;
      } else {  // a '&' that starts no entity: text as typed
        EntityAsTyped(out);
        Markup_ = TMarkup::Text;
        Xml(c, out);
      }
      return;
    case TMarkup::Open:
      Tag_.clear();
      Quote_ = 0;
      LastTagChar_ = 0;
      Run_ = 0;
      Mark_ = 0;
      if (c == '!') Markup_ = TMarkup::Bang;
      else if (c == '?') Markup_ = TMarkup::Instruction;
      else if (c == '/' || StartsName(c)) {
        Markup_ = TMarkup::Tag;
        Tag_ += c;
      } else {  // a '<' that starts no markup: text
        Markup_ = TMarkup::Text;
        Data('<', out);
        Xml(c, out);
      }
      return;
    case TMarkup::Tag:
      if (Quote_ != 0) {
        if (c == Quote_) Quote_ = 0;
      } else if (c == '>') {
        Markup_ = TMarkup::Text;
        EndTag(out);
        return;
      } else if (c == '"' || c == '\'') {
        Quote_ = c;
      }
      if (Quote_ == 0 && !IsBlank(c)) LastTagChar_ = c;
      if (Tag_.size() < kTagCap) Tag_ += c;
      return;
    case TMarkup::Bang: {
      Tag_ += c;
      if (Tag_ == "--") {
        Markup_ = TMarkup::Comment;
        Run_ = 0;
      } else if (Tag_ == "[CDATA[") {
        Markup_ = TMarkup::CData;
        Run_ = 0;
      } else if (!StartsWith("--", Tag_) && !StartsWith("[CDATA[", Tag_)) {
        // A declaration (DOCTYPE...): skipped to its '>' outside quotes and brackets.
        Markup_ = TMarkup::Declaration;
        const std::string read = std::move(Tag_);
        Tag_.clear();
        for (char r : read) Xml(r, out);
      }
      return;
    }
    case TMarkup::Declaration:
      Declaration(c);
      return;
    case TMarkup::SubsetComment:
      if (c == '>' && Mark_ >= 2) {
        Markup_ = TMarkup::Declaration;
        Mark_ = 0;
      } else {
        Mark_ = c == '-' ? static_cast<std::uint8_t>(std::min(Mark_ + 1, 2)) : 0;
      }
      return;
    case TMarkup::SubsetInstruction:
      if (c == '>' && Mark_ == 1) Markup_ = TMarkup::Declaration;
      Mark_ = c == '?' ? 1 : 0;
      return;
    case TMarkup::Comment:
      if (c == '>' && Run_ >= 2) Markup_ = TMarkup::Text;
      else Run_ = c == '-' ? Run_ + 1 : 0;
      if (Run_ > 2) Run_ = 2;
      return;
    case TMarkup::Instruction:
      if (c == '>' && Run_ == 1) Markup_ = TMarkup::Text;
      else Run_ = c == '?' ? 1 : 0;
      return;
    case TMarkup::CData:
      if (c == ']') {
        if (Run_ == 2) Data(']', out);
        else ++Run_;
      } else if (c == '>' && Run_ == 2) {
        Markup_ = TMarkup::Text;
      } else {
        for (; Run_ > 0; --Run_) Data(']', out);
        Data(c, out);
      }
      return;
  }
}

// A document type declaration is skipped to its '>' outside quotes and its
// internal subset ([...]). In the subset, comments and processing
// instructions are read as such: a quote in them means nothing.
void TDocumentText::Declaration(char c) {
  if (Quote_ != 0) {
    if (c == Quote_) Quote_ = 0;
    return;
  }
  if (Run_ > 0) {  // in the subset: "<!--" starts a comment, "<?" an instruction
    const std::uint8_t read = Mark_;
    Mark_ = 0;
    if (c == '<') {
      Mark_ = 1;
      return;
    }
    if (read == 1 && c == '?') {
      Markup_ = TMarkup::SubsetInstruction;
      return;
    }
    if ((read == 1 && c == '!') || (read == 2 && c == '-')) {
      Mark_ = static_cast<std::uint8_t>(read + 1);
      return;
    }
    if (read == 3 && c == '-') {
      Markup_ = TMarkup::SubsetComment;
      return;
    }
  }
  if (c == '"' || c == '\'') {
    Quote_ = c;
  } else if (c == '[') {
    ++Run_;
  } else if (c == ']') {
    if (Run_ > 0) --Run_;
  } else if (c == '>' && Run_ == 0) {
    Markup_ = TMarkup::Text;
  }
}

std::string_view TDocumentText::Attribute(std::string_view local) const {
  const std::string_view tag = Tag_;
  std::size_t i = 0;
  while (i < tag.size() && !IsBlank(tag[i]) && tag[i] != '/') ++i;  // the element's name
  while (i < tag.size()) {
    while (i < tag.size() && (IsBlank(tag[i]) || tag[i] == '/')) ++i;
    const std::size_t nameStart = i;
    while (i < tag.size() && !IsBlank(tag[i]) && tag[i] != '=' && tag[i] != '/') ++i;
    std::string_view name = tag.substr(nameStart, i - nameStart);
    if (const std::size_t colon = name.rfind(':'); colon != std::string_view::npos) name.remove_prefix(colon + 1);
    while (i < tag.size() && IsBlank(tag[i])) ++i;
    if (i >= tag.size() || tag[i] != '=') continue;
    ++i;
    while (i < tag.size() && IsBlank(tag[i])) ++i;
    if (i >= tag.size()) break;
    std::string_view value;
    if (tag[i] == '"' || tag[i] == '\'') {
      const char quote = tag[i++];
      const std::size_t end = tag.find(quote, i);
      value = tag.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i);
      i = end == std::string_view::npos ? tag.size() : end + 1;
    } else {
      const std::size_t valueStart = i;
      while (i < tag.size() && !IsBlank(tag[i])) ++i;
      value = tag.substr(valueStart, i - valueStart);
    }
    if (name == local && !name.empty()) return value;
  }
  return {};
}

void TDocumentText::EndTag(std::string& out) {
  const bool isEnd = Tag_[0] == '/';
  std::string_view tag = Tag_;
  if (isEnd) tag.remove_prefix(1);
  while (!tag.empty() && IsBlank(tag.front())) tag.remove_prefix(1);
  std::size_t nameEnd = 0;
  while (nameEnd < tag.size() && !IsBlank(tag[nameEnd]) && tag[nameEnd] != '/') ++nameEnd;
  std::string lowerName;
  std::string_view name = tag.substr(0, nameEnd);
  if (Rules_ == TPartText::Xhtml) {  // HTML names are read in any case
    lowerName = AsciiLowerCopy(name);
    name = lowerName;
  }
  std::string_view local = name;
  if (const std::size_t colon = local.rfind(':'); colon != std::string_view::npos) local.remove_prefix(colon + 1);
  if (isEnd) End(name, local, out);
  else Start(name, local, LastTagChar_ == '/', out);
}

bool TDocumentText::SkipsSubtree(std::string_view name, std::string_view local) const {
  switch (Rules_) {
    case TPartText::OfficeOpenXml:
      // Field codes, deleted and moved-away text, reading aids of shared strings, and the
      // second copy of a drawing's text kept for older readers.
      return OneOf(local, {"instrText", "delInstrText", "delText", "del", "moveFrom", "rPh", "Fallback"});
    case TPartText::OpenDocument:
    case TPartText::OpenDocumentStyles:
      return OneOf(local, {"tracked-changes", "sequence-decls", "variable-decls", "user-field-decls",
                           "dde-connection-decls", "note-citation", "binary-data", "forms"}) ||
             EndsWith(local, "-source") ||  // an index's templates: its title comes again in its body
             OneOf(name, {"dc:creator", "dc:date", "meta:creator-initials", "svg:title", "svg:desc"});
    case TPartText::Properties:
      return OneOf(local, {"manifest", "spine", "guide"});
    case TPartText::Xhtml:
      return OneOf(local, {"head", "script", "style", "template", "rt", "rp"});
    case TPartText::Drawing:
      return local == "Fallback";  // a shape for older readers, or a notice that one isn't shown
    case TPartText::Chart:
      // Series the user filtered out of the chart (filteredLineSeries, filteredSeriesTitle...).
      return local == "Fallback" || StartsWith(local, "filtered");
    case TPartText::Workbook:
    case TPartText::None:
      break;
  }
  return false;
}

bool TDocumentText::IsBlock(std::string_view local) const {
  switch (Rules_) {
    case TPartText::OfficeOpenXml:
      return OneOf(local, {"p", "tc", "si", "c", "comment", "cm", "txbxContent"});
    case TPartText::OpenDocument:
    case TPartText::OpenDocumentStyles:
      return OneOf(local, {"p", "h", "table-cell", "covered-table-cell", "list-item", "page", "note", "note-body",
                           "annotation", "region-left", "region-center", "region-right"});
    case TPartText::Properties:
      return IsContext(local);
    case TPartText::Xhtml:
      if (local.size() == 2 && local[0] == 'h' && local[1] >= '1' && local[1] <= '6') return true;
      return OneOf(local, {"body", "p", "div", "li", "dt", "dd", "td", "th", "tr", "blockquote", "pre", "section",
                           "article", "aside", "header", "footer", "nav", "figure", "figcaption", "table", "ul",
                           "ol", "dl", "hr", "address", "caption", "main"});
    case TPartText::Drawing:
      return local == "p";
    case TPartText::Chart:
      return local == "p" || local == "v";
    case TPartText::Workbook:
    case TPartText::None:
      break;
  }
  return false;
}

bool TDocumentText::IsContext(std::string_view local) const {
  switch (Rules_) {
    case TPartText::OpenDocument:
    case TPartText::Xhtml:
      return local == "body";
    case TPartText::OpenDocumentStyles:
      return OneOf(local, {"header", "footer", "header-left", "footer-left", "header-first", "footer-first"});
    case TPartText::Properties:
      return OneOf(local, {"title", "subject", "keywords", "keyword", "description"});
    case TPartText::OfficeOpenXml:
    case TPartText::Drawing:
    case TPartText::Chart:
    case TPartText::Workbook:
    case TPartText::None:
      break;
  }
  return false;
}

// A chart's values (v) are labels inside a series' name (tx) or its categories
// (cat), whether cached from the sheet (text or numbers) or written literally;
// the plotted values (val, xVal, yVal...) are drawn, not written.
bool TDocumentText::IsLabel(std::string_view local) const {
  return Rules_ == TPartText::Chart && OneOf(local, {"tx", "cat", "dlblRangeCache"});
}

bool TDocumentText::CollapsesBlanks() const {
  return Rules_ == TPartText::OpenDocument || Rules_ == TPartText::OpenDocumentStyles || Rules_ == TPartText::Xhtml;
}

bool TDocumentText::Special(std::string_view local, std::string& out) {
  if (Rules_ == TPartText::OfficeOpenXml || Rules_ == TPartText::Drawing || Rules_ == TPartText::Chart) {
    if (local == "br") {
      LineFeed(out);
      return true;
    }
    if (RunDepth_ == 0) return false;  // tab stops and such outside runs are no text
    if (local == "tab" || local == "ptab") Visible("\t", out);
    else if (local == "cr") LineFeed(out);
    else if (local == "noBreakHyphen") Visible("-", out);
    else return local == "softHyphen";
    return true;
  }
  if (Rules_ == TPartText::OpenDocument || Rules_ == TPartText::OpenDocumentStyles) {
    if (!Emitting()) return false;
    if (local == "s") {
      // As many as its count says, one when it says no number.
      const std::string_view c = Attribute("c");
      std::size_t count = 0, digits = 0;
      for (; digits < c.size() && c[digits] >= '0' && c[digits] <= '9'; ++digits)
        count = std::min(count * 10 + static_cast<std::size_t>(c[digits] - '0'), kMaxBlankRun);
      if (digits == 0) count = 1;
      Spaces(count, out);
    } else if (local == "tab") {
      Visible("\t", out);
    } else if (local == "line-break") {
      LineFeed(out);
    } else {
      return local == "soft-page-break";
    }
    return true;
  }
  if (Rules_ == TPartText::Xhtml && local == "br") {
    if (Emitting()) LineFeed(out);
    return true;
  }
  return false;
}

void TDocumentText::Start(std::string_view name, std::string_view local, bool empty, std::string& out) {
  if (SkipDepth_ > 0) {
    if (!empty && name == SkipName_) ++SkipDepth_;
    return;
  }
  if (SkipsSubtree(name, local)) {
    if (!empty) {
      SkipName_ = name;
      SkipDepth_ = 1;
    }
    return;
  }
  if (Special(local, out)) return;
  switch (Rules_) {
    case TPartText::OfficeOpenXml:
      if (local == "c") CellIsText_ = OneOf(Attribute("t"), {"", "n", "str", "e", "d"});
      if (IsBlock(local)) Break(out);
      if (local == "c" && CellWatch_ && !empty) {
        CellReference_ = Attribute("r");
        CellWatchDue_ = true;
      }
      // A shared-string table's strings go by their index, from 0.
      if (local == "si" && CellWatch_) {
        CellReference_ = std::to_string(SharedIndex_++);
        CellWatchDue_ = !empty;
      }
      if (empty) return;
      if (local == "t" || local == "text") ++TextDepth_;  // text: a slide comment's
      else if (local == "r") ++RunDepth_;
      else if (local == "v" && CellIsText_) InValue_ = true;
      return;
    case TPartText::Drawing:
    case TPartText::Chart:
      if (IsBlock(local)) Break(out);
      if (empty) return;
      if (local == "p") ++ParagraphDepth_;
      else if (local == "t" && ParagraphDepth_ > 0) ++TextDepth_;  // a:t, not the text body SmartArt names t
      else if (local == "r") ++RunDepth_;
      else if (IsLabel(local)) ++LabelDepth_;
      else if (local == "v" && LabelDepth_ > 0) InValue_ = true;
      return;
    case TPartText::Workbook:
      if (local == "sheet") SheetName(Attribute("name"), out);
      return;
    case TPartText::OpenDocument:
    case TPartText::OpenDocumentStyles:
    case TPartText::Properties:
    case TPartText::Xhtml:
    case TPartText::None:
      break;
  }
  if (IsBlock(local)) Break(out);
  // A sheet's name heads its cells; Writer's tables are named for the navigator only.
  if (Rules_ == TPartText::OpenDocument && local == "table" && SpreadsheetDepth_ > 0 && Emitting())
    SheetName(Attribute("name"), out);
  if (empty) return;
  if (IsContext(local)) ++Context_;
  if (Rules_ == TPartText::OpenDocument && local == "spreadsheet") ++SpreadsheetDepth_;
  if (Rules_ == TPartText::Xhtml && local == "pre") ++PreDepth_;
}

void TDocumentText::End(std::string_view name, std::string_view local, std::string& out) {
  if (SkipDepth_ > 0) {
    if (name == SkipName_) --SkipDepth_;
    return;
  }
  switch (Rules_) {
    case TPartText::OfficeOpenXml:
      if ((local == "t" || local == "text") && TextDepth_ > 0) --TextDepth_;
      else if (local == "r" && RunDepth_ > 0) --RunDepth_;
      else if (local == "v") InValue_ = false;
      else if (local == "c") CellIsText_ = CellWatchDue_ = false;
      break;
    case TPartText::Drawing:
    case TPartText::Chart:
      if (local == "p" && ParagraphDepth_ > 0) --ParagraphDepth_;
      else if (local == "t" && TextDepth_ > 0) --TextDepth_;
      else if (local == "r" && RunDepth_ > 0) --RunDepth_;
      else if (IsLabel(local) && LabelDepth_ > 0) --LabelDepth_;
      else if (local == "v") InValue_ = false;
      break;
    case TPartText::Xhtml:
      if (local == "pre" && PreDepth_ > 0) --PreDepth_;
      break;
    case TPartText::OpenDocument:
      if (local == "spreadsheet" && SpreadsheetDepth_ > 0) --SpreadsheetDepth_;
      break;
    case TPartText::OpenDocumentStyles:
    case TPartText::Properties:
    case TPartText::Workbook:
    case TPartText::None:
      break;
  }
  if (IsBlock(local)) Break(out);  // the last line of a context ends inside it
  if (IsContext(local) && Context_ > 0) --Context_;
}

bool TDocumentText::Emitting() const {
  if (SkipDepth_ > 0) return false;
  switch (Rules_) {
    case TPartText::OfficeOpenXml:
    case TPartText::Drawing:
    case TPartText::Chart:
      return TextDepth_ > 0 || InValue_;
    case TPartText::Workbook:
    case TPartText::None:
      return false;
    case TPartText::OpenDocument:
    case TPartText::OpenDocumentStyles:
    case TPartText::Properties:
    case TPartText::Xhtml:
      break;
  }
  return Context_ > 0;
}

TDocumentText::TCharacters TDocumentText::Reference(std::string_view name) const {
  if (!name.empty() && name[0] == '#') return {NumberedCharacter(name), 0};
  if (name == "amp") return {'&', 0};
  if (name == "lt") return {'<', 0};
  if (name == "gt") return {'>', 0};
  if (name == "quot") return {'"', 0};
  if (name == "apos") return {'\'', 0};
  if (Rules_ != TPartText::Xhtml) return {};
  const auto* end = std::end(kHtmlEntities);
  const auto* found = std::lower_bound(std::begin(kHtmlEntities), end, name,
                                       [](const THtmlEntity& entity, std::string_view n) { return entity.Name < n; });
  if (found == end || found->Name != name) return {};
  return {found->First, found->Second};
}

void TDocumentText::Entity(std::string& out) {
  const TCharacters characters = Reference(Entity_);
  if (characters.First == 0) {
    Entity_ += ';';
    EntityAsTyped(out);
    return;
  }
  if (!Emitting()) return;
  Character(characters.First, out);
  if (characters.Second != 0) Character(characters.Second, out);
}

void TDocumentText::Character(std::uint32_t c, std::string& out) {
  if (c == kSoftHyphen) return;
  if (c == '\n' || c == '\r') {
    LineFeed(out);
    return;
  }
  if (c == ' ') {
    Spaces(1, out);
    return;
  }
  std::string text;
  AppendUtf8(text, static_cast<char32_t>(c));
  Visible(text, out);
}

void TDocumentText::EntityAsTyped(std::string& out) {
  Data('&', out);
  for (char c : Entity_) Data(c, out);
  Entity_.clear();
}

// The value as XML reads it (references decoded, white space as blanks),
// without soft hyphens, on a line of its own.
void TDocumentText::SheetName(std::string_view value, std::string& out) {
  std::string text;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '&') {
      const std::size_t end = value.find(';', i + 1);
      if (end != std::string_view::npos && end - i - 1 <= kEntityCap) {
        const TCharacters characters = Reference(value.substr(i + 1, end - i - 1));
        if (characters.First != 0) {
          for (const std::uint32_t d : {characters.First, characters.Second}) {
            if (d == 0 || d == kSoftHyphen) continue;
            const bool blank = d == ' ' || d == '\t' || d == '\r' || d == '\n';
            AppendUtf8(text, static_cast<char32_t>(blank ? ' ' : d));
          }
          i = end;
          continue;
        }
      }
    }
    if (c == kSoftHyphenLead && i + 1 < value.size() && value[i + 1] == kSoftHyphenTrail) {
      ++i;
      continue;
    }
    text += IsBlank(c) ? ' ' : c;
  }
  Break(out);
  if (!text.empty()) Visible(text, out);
  Break(out);
}

void TDocumentText::Data(char c, std::string& out) {
  if (!Emitting()) return;
  if (HeldLead_) {
    if (c == kSoftHyphenTrail) {  // a soft hyphen: no character
      HeldLead_ = false;
      return;
    }
    HeldLead(out);
  }
  if (c == kSoftHyphenLead) {
    HeldLead_ = true;
    return;
  }
  if (PreDepth_ > 0 && IsBlank(c)) {  // preformatted: lines and blanks as they are
    if (c == '\n') LineFeed(out);
    else if (c == ' ') Spaces(1, out);
    else if (c == '\t') Visible("\t", out);
    return;
  }
  if (IsBlank(c)) {  // source formatting, written only when text follows on the line
    SourceBlanks(1);
    return;
  }
  const char text[1] = {c};
  Visible(std::string_view(text, 1), out);
}

void TDocumentText::HeldLead(std::string& out) {
  if (!HeldLead_) return;
  HeldLead_ = false;
  const char lead[1] = {kSoftHyphenLead};
  Visible(std::string_view(lead, 1), out);
}

void TDocumentText::SourceBlanks(std::size_t count) {
  if (CollapsesBlanks()) PendingBlanks_ = 1;
  else PendingBlanks_ = std::min(PendingBlanks_ + count, kMaxBlankRun);
}

void TDocumentText::Visible(std::string_view text, std::string& out) {
  if (CellWatchDue_) WatchCell(out);
  if (PendingBlanks_ > 0) {
    if (LineHasText_) AppendSpaces(PendingBlanks_, out);
    PendingBlanks_ = 0;
  }
  out += text;
  TrailingSpaces_ = 0;
  LineHasText_ = true;
}

void TDocumentText::Spaces(std::size_t count, std::string& out) {
  if (CellWatchDue_) WatchCell(out);
  if (PendingBlanks_ > 0) {
    if (LineHasText_) AppendSpaces(PendingBlanks_, out);
    PendingBlanks_ = 0;
  }
  AppendSpaces(count, out);
  LineHasText_ = true;
}

// A run of blanks goes on to kMaxBlankRun at most: a longer one holds no word
// that the shorter doesn't.
void TDocumentText::AppendSpaces(std::size_t count, std::string& out) {
  count = std::min(count, kMaxBlankRun - TrailingSpaces_);
  out.append(count, ' ');
  TrailingSpaces_ += count;
}

void TDocumentText::LineFeed(std::string& out) {
  if (CellWatchDue_) WatchCell(out);
  PendingBlanks_ = 0;
  TrailingSpaces_ = 0;
  out += '\n';
  LineHasText_ = false;
}

void TDocumentText::Break(std::string& out) {
  PendingBlanks_ = 0;
  TrailingSpaces_ = 0;
  if (LineHasText_) out += '\n';
  LineHasText_ = false;
}

void TDocumentText::WatchCell(std::string& out) {
  CellWatchDue_ = false;
  CellWatch_(CellReference_, out.size());
}

}  // namespace sorvik
