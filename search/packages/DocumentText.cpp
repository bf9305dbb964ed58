// A part's XML is read byte by byte by a small state machine: the bytes become
// UTF-8 (UTF-16 by its byte-order mark or its first '<'), the markup is told
// from character data, and counters of the elements that matter (the body,
// text elements, runs, a skipped subtree) decide what is text; no stack of
// elements is kept. Where the XML is wrong the reader goes on: bytes that are
// not UTF-8 pass through as they are, a character reference to what text
// can't hold (0, a surrogate, beyond U+10FFFF) gives U+FFFD, an unknown entity
// or a '&' not ended by ';' soon stays as typed, a '<' that starts no markup
// is text.
#include "DocumentText.h"

#include <algorithm>
#include <array>
#include <initializer_list>

#include "UnicodeText.h"

namespace sorvik {
namespace {

constexpr std::size_t kTagCap = 1024;      // bytes of a tag kept: its name and the attributes read
constexpr std::size_t kEntityCap = 32;     // an '&' not ended by ';' within this many bytes is text
constexpr std::size_t kMaxBlanks = 1024;   // most blanks one text:s stands for
constexpr std::uint32_t kReplacement = 0xFFFD;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerCopy(std::string_view s) {
  std::string lower(s);
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

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

// The HTML names of U+00A0..U+00FF, in order.
constexpr std::array<std::string_view, 96> kLatin1Names = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
    "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
    "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
    "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
    "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
    "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
    "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
    "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

struct TNamedCharacter {
  std::string_view Name;
  std::uint32_t Code;
};
// Other HTML names common in books: punctuation, quotes, a few letters and signs.
constexpr std::array<TNamedCharacter, 33> kHtmlNames = {{
    {"OElig", 0x152},  {"oelig", 0x153},  {"Scaron", 0x160}, {"scaron", 0x161}, {"Yuml", 0x178},
    {"fnof", 0x192},   {"circ", 0x2C6},   {"tilde", 0x2DC},  {"ensp", 0x2002},  {"emsp", 0x2003},
    {"thinsp", 0x2009}, {"zwnj", 0x200C}, {"zwj", 0x200D},   {"lrm", 0x200E},   {"rlm", 0x200F},
    {"ndash", 0x2013}, {"mdash", 0x2014}, {"lsquo", 0x2018}, {"rsquo", 0x2019}, {"sbquo", 0x201A},
    {"ldquo", 0x201C}, {"rdquo", 0x201D}, {"bdquo", 0x201E}, {"dagger", 0x2020}, {"Dagger", 0x2021},
    {"bull", 0x2022},  {"hellip", 0x2026}, {"permil", 0x2030}, {"lsaquo", 0x2039}, {"rsaquo", 0x203A},
    {"euro", 0x20AC},  {"trade", 0x2122}, {"minus", 0x2212},
}};

// The character an entity name stands for, 0 when unknown.
std::uint32_t NamedCharacter(std::string_view name, bool html) {
  if (name == "amp") return '&';
  if (name == "lt") return '<';
  if (name == "gt") return '>';
  if (name == "quot") return '"';
  if (name == "apos") return '\'';
  if (!html) return 0;
  for (std::size_t i = 0; i < kLatin1Names.size(); ++i)
    if (kLatin1Names[i] == name) return static_cast<std::uint32_t>(0xA0 + i);
  for (const TNamedCharacter& named : kHtmlNames)
    if (named.Name == name) return named.Code;
  return 0;
}

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
  const std::string ext = LowerCopy(fileName.substr(dot + 1));
  if (ext == "zip") return TPackageKind::Zip;
  if (ext == "epub") return TPackageKind::Epub;
  if (OneOf(ext, {"odt", "ott", "ods", "ots", "odp", "otp"})) return TPackageKind::OpenDocument;
  if (OneOf(ext, {"docx", "docm", "dotx", "dotm", "xlsx", "xlsm", "xltx", "xltm", "pptx", "pptm", "potx", "potm",
                  "ppsx", "ppsm"}))
    return TPackageKind::OfficeOpenXml;
  return TPackageKind::None;
}

TPartText PartTextOf(TPackageKind kind, std::string_view partName) {
  const std::string name = LowerCopy(partName);
  switch (kind) {
    case TPackageKind::OfficeOpenXml:
      if (name == "docprops/core.xml") return TPartText::Properties;
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
      break;
  }
  return TPartText::None;
}

TDocumentText::TDocumentText(TPartText rules) : Rules_(rules) {
  Tag_.reserve(kTagCap);
  Entity_.reserve(kEntityCap);
}

void TDocumentText::Feed(const std::uint8_t* data, std::size_t n, std::string& out) {
  if (Rules_ == TPartText::None) return;
  const auto at = [data](std::size_t i) { return static_cast<char>(data[i]); };
  std::size_t i = 0;
  while (i < n) {
    // In UTF-8, the runs that make up most of a part go whole: character data
    // up to the next markup (written at once, or passed over where it is no
    // text) and a tag up to its end. Each ends where the byte machine takes over.
    if (Encoding_ == TEncoding::Utf8 && Markup_ == TMarkup::Text) {
      std::size_t j = i;
      if (!Emitting()) {
        while (j < n && at(j) != '<' && at(j) != '&') ++j;
      } else {
        while (j < n && at(j) != '<' && at(j) != '&' && !IsBlank(at(j))) ++j;
        if (j > i) Visible(std::string_view(reinterpret_cast<const char*>(data + i), j - i), out);
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
      if (c == '<') Markup_ = TMarkup::Open;
      else if (c == '&') {
        Markup_ = TMarkup::Entity;
        Entity_.clear();
      } else Data(c, out);
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
      if (Quote_ != 0) {
        if (c == Quote_) Quote_ = 0;
      } else if (c == '"' || c == '\'') {
        Quote_ = c;
      } else if (c == '[') {
        ++Run_;
      } else if (c == ']') {
        if (Run_ > 0) --Run_;
      } else if (c == '>' && Run_ == 0) {
        Markup_ = TMarkup::Text;
      }
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
    lowerName = LowerCopy(name);
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
    case TPartText::None:
      break;
  }
  return false;
}

bool TDocumentText::Special(std::string_view local, std::string& out) {
  if (Rules_ == TPartText::OfficeOpenXml) {
    if (local == "br") {
      LineFeed(out);
      return true;
    }
    if (RunDepth_ == 0) return false;  // tab stops and such outside runs are no text
    if (local == "tab") Visible("\t", out);
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
        count = std::min(count * 10 + static_cast<std::size_t>(c[digits] - '0'), kMaxBlanks);
      if (digits == 0) count = 1;
      Visible(std::string(count, ' '), out);
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
  if (Rules_ == TPartText::OfficeOpenXml) {
    if (local == "c") CellIsText_ = OneOf(Attribute("t"), {"", "n", "str", "e", "d"});
    if (IsBlock(local)) Break(out);
    if (empty) return;
    if (local == "t" || local == "text") ++TextDepth_;  // text: a slide comment's
    else if (local == "r") ++RunDepth_;
    else if (local == "v" && CellIsText_) InValue_ = true;
    return;
  }
  if (IsBlock(local)) Break(out);
  if (empty) return;
  if (IsContext(local)) ++Context_;
  if (Rules_ == TPartText::Xhtml && local == "pre") ++PreDepth_;
}

void TDocumentText::End(std::string_view name, std::string_view local, std::string& out) {
  if (SkipDepth_ > 0) {
    if (name == SkipName_) --SkipDepth_;
    return;
  }
  if (Rules_ == TPartText::OfficeOpenXml) {
    if ((local == "t" || local == "text") && TextDepth_ > 0) --TextDepth_;
    else if (local == "r" && RunDepth_ > 0) --RunDepth_;
    else if (local == "v") InValue_ = false;
    else if (local == "c") CellIsText_ = false;
  } else if (Rules_ == TPartText::Xhtml && local == "pre" && PreDepth_ > 0) {
    --PreDepth_;
  }
  if (IsBlock(local)) Break(out);  // the last line of a context ends inside it
  if (IsContext(local) && Context_ > 0) --Context_;
}

bool TDocumentText::Emitting() const {
  if (SkipDepth_ > 0) return false;
  if (Rules_ == TPartText::OfficeOpenXml) return TextDepth_ > 0 || InValue_;
  return Context_ > 0;
}

void TDocumentText::Entity(std::string& out) {
  const std::string_view name = Entity_;
  std::uint32_t c = 0;
  if (!name.empty() && name[0] == '#') c = NumberedCharacter(name);
  else c = NamedCharacter(name, Rules_ == TPartText::Xhtml);
  if (c == 0) {
    Entity_ += ';';
    EntityAsTyped(out);
    return;
  }
  if (!Emitting()) return;
  if (c == '\n' || c == '\r') {
    LineFeed(out);
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

void TDocumentText::Data(char c, std::string& out) {
  if (!Emitting()) return;
  if (PreDepth_ > 0 && IsBlank(c)) {  // preformatted: lines and blanks as they are
    if (c == '\n') LineFeed(out);
    else if (c != '\r') Visible(std::string_view(&c, 1), out);
    return;
  }
  if (IsBlank(c)) {  // source formatting, written only when text follows on the line
    ++PendingBlanks_;
    return;
  }
  const char text[1] = {c};
  Visible(std::string_view(text, 1), out);
}

void TDocumentText::Visible(std::string_view text, std::string& out) {
  if (PendingBlanks_ > 0) {
    if (LineHasText_) out.append(PendingBlanks_, ' ');
    PendingBlanks_ = 0;
  }
  out += text;
  LineHasText_ = true;
}

void TDocumentText::LineFeed(std::string& out) {
  PendingBlanks_ = 0;
  out += '\n';
  LineHasText_ = false;
}

void TDocumentText::Break(std::string& out) {
  PendingBlanks_ = 0;
  if (LineHasText_) out += '\n';
  LineHasText_ = false;
}

}  // namespace sorvik
