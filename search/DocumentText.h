// The text a reader sees in a document that is a zip package of XML (Office
// Open XML, OpenDocument, EPUB): which files are such packages, which of their
// parts hold text, and the text of a part's XML, extracted as a stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sorvik {

// What a package file is, by its name's extension (any case).
enum class TPackageKind : std::uint8_t {
  None,          // not a package
  Zip,           // .zip: every entry is searched as a file
  OfficeOpenXml, // .docx .docm .dotx .dotm .xlsx .xlsm .xltx .xltm .pptx .pptm .potx .potm .ppsx .ppsm
  OpenDocument,  // .odt .ott .ods .ots .odp .otp
  Epub,          // .epub
};
TPackageKind PackageKindOf(std::string_view fileName);

// How one part of a document holds text a reader sees.
enum class TPartText : std::uint8_t {
  None,              // no text a reader sees (styles, settings, images, layouts, masters...)
  OfficeOpenXml,     // text in the text elements (w:t, a:t, t...) of a body, header, footer, notes, comments, slide or workbook part
  OpenDocument,      // the character data of office:body (content.xml)
  OpenDocumentStyles,// headers and footers of the master pages (styles.xml)
  Properties,        // the title, subject, keywords and description of docProps/core.xml, meta.xml or an EPUB's .opf
  Xhtml,             // an EPUB chapter: the character data of body
};
// The part named `partName` (its path inside the package, '/'-separated) of a document of this kind.
TPartText PartTextOf(TPackageKind kind, std::string_view partName);

// Turns one part's XML, fed in pieces of any size, into the text a reader sees,
// in UTF-8: runs joined as the reader sees them, entities and character
// references decoded, OpenDocument's spaces, tabs and line breaks as the
// characters they stand for, never markup. Paragraphs, headings, table cells,
// list items, slides and properties end in a line feed. The XML may be UTF-8
// or UTF-16 (by its byte-order mark). Memory stays within a few kilobytes,
// whatever the input.
class TDocumentText {
 public:
  explicit TDocumentText(TPartText rules);

  // Appends the text of these bytes to `out`.
  void Feed(const std::uint8_t* data, std::size_t n, std::string& out);
  // Appends what is left (the end of the part ends its last paragraph).
  void Finish(std::string& out);

 private:
  struct TState;
  TPartText Rules_;
};

}  // namespace sorvik
