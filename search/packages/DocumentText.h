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
  // How the bytes encode characters: known from the first bytes.
  enum class TEncoding : std::uint8_t { Unknown, Utf8, Utf16Le, Utf16Be };
  // Where the reader is in the markup.
  enum class TMarkup : std::uint8_t { Text, Open, Tag, Bang, Comment, CData, Declaration, Instruction, Entity };

  void Byte(std::uint8_t b, std::string& out);        // one byte of the part, as stored
  void Unit(std::uint32_t unit, std::string& out);    // one UTF-16 code unit
  void CodePoint(std::uint32_t c, std::string& out);  // one character, into the markup reader
  void Xml(char c, std::string& out);                 // one UTF-8 byte of the XML
  void EndTag(std::string& out);                      // a tag has been read whole
  void Start(std::string_view name, std::string_view local, bool empty, std::string& out);
  void End(std::string_view name, std::string_view local, std::string& out);
  bool Special(std::string_view local, std::string& out);  // an element that stands for characters
  bool SkipsSubtree(std::string_view name, std::string_view local) const;
  bool IsBlock(std::string_view local) const;
  bool IsContext(std::string_view local) const;
  std::string_view Attribute(std::string_view local) const;  // of the tag just read
  void Entity(std::string& out);                      // an entity's name has ended with ';'
  void EntityAsTyped(std::string& out);
  bool Emitting() const;
  void Data(char c, std::string& out);                // character data from the XML
  void Visible(std::string_view text, std::string& out);  // characters the reader sees
  void LineFeed(std::string& out);                    // a line break inside a paragraph
  void Break(std::string& out);                       // a paragraph or cell ends (or starts)

  TPartText Rules_;
  TEncoding Encoding_ = TEncoding::Unknown;
  std::uint8_t Head_[3] = {};  // first bytes, until they tell the encoding
  std::uint8_t HeadSize_ = 0;
  std::uint8_t OddByte_ = 0;   // first byte of a UTF-16 unit cut by a feed
  bool HasOddByte_ = false;
  std::uint32_t HighSurrogate_ = 0;

  TMarkup Markup_ = TMarkup::Text;
  std::string Tag_;      // the tag being read, up to a fixed size
  char Quote_ = 0;       // the quote of an attribute value being read
  char LastTagChar_ = 0; // last character of the tag outside quotes ('/' for an empty element)
  std::uint32_t Run_ = 0;  // ']' or '-' just read; '[' depth of a declaration
  std::string Entity_;   // an entity's name, up to a fixed size

  std::string SkipName_;      // the element whose subtree is being skipped
  std::size_t SkipDepth_ = 0; // its nesting (elements of that name)
  std::size_t Context_ = 0;   // depth in elements whose text is read (body, header...)
  std::size_t TextDepth_ = 0; // depth in text elements (t)
  std::size_t RunDepth_ = 0;  // depth in runs (r)
  std::size_t PreDepth_ = 0;  // depth in preformatted text (pre)
  bool CellIsText_ = false;   // the sheet cell being read holds its text in its value
  bool InValue_ = false;      // in such a cell's value (v)

  std::size_t PendingBlanks_ = 0;  // blanks of the XML source not yet written
  bool LineHasText_ = false;       // text since the last line feed
};

}  // namespace sorvik
