#include "PartNames.h"

#include <vector>

#include "Ascii.h"
#include "UnicodeText.h"
#include "XmlTag.h"

namespace sorvik {
namespace {

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }
bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// The digits of prefix + digits + suffix ("ppt/slides/slide" "10" ".xml"); empty when it isn't one.
std::string_view NumberIn(std::string_view name, std::string_view prefix, std::string_view suffix) {
  if (!StartsWith(name, prefix) || !EndsWith(name, suffix) || name.size() <= prefix.size() + suffix.size()) return {};
  const std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  for (char c : digits)
    if (c < '0' || c > '9') return {};
  return digits;
}

// The tags of an XML text, as the text between '<' and '>' (quotes kept whole);
// end tags, declarations and instructions left out.
std::vector<std::string_view> StartTags(std::string_view xml) {
  std::vector<std::string_view> tags;
  for (std::size_t i = 0; (i = xml.find('<', i)) != std::string_view::npos;) {
    std::size_t end = i + 1;
    char quote = 0;
    for (; end < xml.size(); ++end) {
      const char c = xml[end];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        break;
      }
    }
    if (end >= xml.size()) break;
    const std::string_view tag = xml.substr(i + 1, end - i - 1);
    if (!tag.empty() && tag[0] != '/' && tag[0] != '?' && tag[0] != '!') tags.push_back(tag);
    i = end + 1;
  }
  return tags;
}

// An attribute value's text: XML's five entities and character references decoded.
std::string Decoded(std::string_view value) {
  std::string text;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const std::size_t semi = value[i] == '&' ? value.find(';', i) : std::string_view::npos;
    if (semi == std::string_view::npos || semi - i > 12) {
      text += value[i];
      continue;
    }
    const std::string_view entity = value.substr(i + 1, semi - i - 1);
    char32_t c = 0;
    if (entity == "amp") c = '&';
    else if (entity == "lt") c = '<';
    else if (entity == "gt") c = '>';
    else if (entity == "quot") c = '"';
    else if (entity == "apos") c = '\'';
    else if (entity.size() > 1 && entity[0] == '#') {
      const bool hex = entity[1] == 'x' || entity[1] == 'X';
      std::uint32_t v = 0;
      bool ok = entity.size() > (hex ? 2u : 1u);
      for (char d : entity.substr(hex ? 2 : 1)) {
        std::uint32_t digit = 16;
        if (d >= '0' && d <= '9') digit = static_cast<std::uint32_t>(d - '0');
        else if (hex && d >= 'a' && d <= 'f') digit = static_cast<std::uint32_t>(d - 'a' + 10);
        else if (hex && d >= 'A' && d <= 'F') digit = static_cast<std::uint32_t>(d - 'A' + 10);
        if (digit >= (hex ? 16u : 10u) || v > 0x10FFFF) ok = false;
        else v = v * (hex ? 16 : 10) + digit;
      }
      if (ok && v > 0 && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) c = v;
    }
    if (c == 0) {
      text += value[i];
      continue;
    }
    AppendUtf8(text, c);
    i = semi;
  }
  return text;
}

// A relationship's target as a path from the package's root: relative to the
// folder of the part whose relationships they are.
std::string Resolved(std::string_view folder, std::string_view target) {
  std::string path = StartsWith(target, "/") ? std::string(target.substr(1)) : std::string(folder) + std::string(target);
  // "a/b/../c" -> "a/c"
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t slash = std::min(path.find('/', start), path.size());
    const std::string part = path.substr(start, slash - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = slash + 1;
  }
  std::string joined;
  for (const std::string& part : parts) joined += (joined.empty() ? "" : "/") + part;
  return AsciiLowerCopy(joined);
}

}  // namespace

bool TPartNames::Tells(std::string_view partName) {
  const std::string name = AsciiLowerCopy(partName);
  return name == "xl/workbook.xml" || name == "xl/_rels/workbook.xml.rels" ||
         !NumberIn(name, "ppt/notesslides/_rels/notesslide", ".xml.rels").empty();
}

void TPartNames::Learn(std::string_view partName, std::string_view xml) {
  const std::string name = AsciiLowerCopy(partName);
  if (name == "xl/workbook.xml") {
    for (std::string_view tag : StartTags(xml))
      if (TagLocalName(tag) == "sheet") SheetByRelation_[std::string(TagAttribute(tag, "id"))] = Decoded(TagAttribute(tag, "name"));
  } else if (name == "xl/_rels/workbook.xml.rels") {
    for (std::string_view tag : StartTags(xml))
      if (TagLocalName(tag) == "Relationship")
        SheetTargets_[std::string(TagAttribute(tag, "Id", true))] = Resolved("xl/", Decoded(TagAttribute(tag, "Target", true)));
  } else if (const std::string_view notes = NumberIn(name, "ppt/notesslides/_rels/notesslide", ".xml.rels");
             !notes.empty()) {
    for (std::string_view tag : StartTags(xml)) {
      if (TagLocalName(tag) != "Relationship" || !EndsWith(TagAttribute(tag, "Type", true), "/slide")) continue;
      const std::string target = Resolved("ppt/notesslides/", Decoded(TagAttribute(tag, "Target", true)));
      const std::string_view slide = NumberIn(target, "ppt/slides/slide", ".xml");
      if (!slide.empty()) NotesSlide_["ppt/notesslides/notesslide" + std::string(notes) + ".xml"] = std::string(slide);
    }
  }
}

std::string TPartNames::Label(TPackageKind kind, std::string_view partName) const {
  const std::string name = AsciiLowerCopy(partName);
  std::string_view n;
  switch (kind) {
    case TPackageKind::OfficeOpenXml:
      if (name == "word/document.xml") return "Body";
      if (!NumberIn(name, "word/header", ".xml").empty() || name == "word/header.xml") return "Header";
      if (!NumberIn(name, "word/footer", ".xml").empty() || name == "word/footer.xml") return "Footer";
      if (name == "word/footnotes.xml") return "Footnotes";
      if (name == "word/endnotes.xml") return "Endnotes";
      if (name == "word/comments.xml" || StartsWith(name, "ppt/comments/") || !NumberIn(name, "xl/comments", ".xml").empty())
        return "Comments";
      if (name == "docprops/core.xml") return "Properties";
      if (name == "xl/sharedstrings.xml") return "Shared strings";
      if (name == "xl/workbook.xml") return "Sheet names";
      if (n = NumberIn(name, "ppt/slides/slide", ".xml"); !n.empty()) return "Slide " + std::string(n);
      if (n = NumberIn(name, "ppt/notesslides/notesslide", ".xml"); !n.empty()) {
        const auto slide = NotesSlide_.find(name);
        return "Notes (slide " + (slide != NotesSlide_.end() ? slide->second : std::string(n)) + ")";
      }
      if (n = NumberIn(name, "xl/worksheets/sheet", ".xml"); !n.empty()) {
        for (const auto& [relation, target] : SheetTargets_) {
          if (target != name) continue;
          const auto sheet = SheetByRelation_.find(relation);
          if (sheet != SheetByRelation_.end() && !sheet->second.empty()) return sheet->second;
        }
        return "Sheet" + std::string(n);
      }
      for (std::string_view app : {"word/", "xl/", "ppt/"}) {
        if (!StartsWith(name, app)) continue;
        const std::string folder = std::string(app);
        if (n = NumberIn(name, folder + "charts/chart", ".xml"); !n.empty()) return "Chart " + std::string(n);
        if (n = NumberIn(name, folder + "diagrams/data", ".xml"); !n.empty()) return "SmartArt " + std::string(n);
        if (n = NumberIn(name, folder + "drawings/drawing", ".xml"); !n.empty()) return "Drawing " + std::string(n);
      }
      break;
    case TPackageKind::OpenDocument:
      if (name == "content.xml") return "Body";
      if (name == "styles.xml") return "Header and footer";
      if (name == "meta.xml") return "Properties";
      break;
    case TPackageKind::Epub:
      if (EndsWith(name, ".opf")) return "Properties";
      break;
    case TPackageKind::None:
    case TPackageKind::Zip:
    case TPackageKind::Pdf:
      break;
  }
  return std::string(partName);
}

}  // namespace sorvik
