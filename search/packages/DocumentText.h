// The text a reader sees in a document that is a zip package of XML (Office
// Open XML, OpenDocument, EPUB): which files are such packages, which of their
// parts hold text, and the text of a part's XML, extracted as a stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
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
  Pdf,           // .pdf: the text its pages show (not a zip package)
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
  Drawing,           // text of shapes outside the body: SmartArt data, Excel's drawings (a:t of paragraphs)
  Chart,             // a chart's titles (a:t), series names and category labels (their cached or literal values)
  Workbook,          // the sheet names of xl/workbook.xml, one line each
};
// The part named `partName` (its path inside the package, '/'-separated) of a document of this kind.
TPartText PartTextOf(TPackageKind kind, std::string_view partName);

// Turns one part's XML, fed in pieces of any size, into the text a reader sees,
// in UTF-8: runs joined as the reader sees them, entities and character
// references decoded, OpenDocument's spaces, tabs and line breaks as the
// characters they stand for, soft hyphens dropped, never markup. Paragraphs,
// headings, table cells, list items, slides, properties and sheet names end in
// a line feed. White space of the XML source inside a paragraph is one blank
// in OpenDocument and XHTML (but in pre), kept as written in Office Open XML's
// text elements; a run of more than kMaxBlankRun blanks is written as
// kMaxBlankRun. The XML may be UTF-8 or UTF-16 (by its byte-order mark).
// Memory stays within a few kilobytes, whatever the input, and one Feed writes
// at most a bounded multiple of its bytes (about kMaxBlankRun per tag).
class TDocumentText {
 public:
  // Blanks written for a longer run: more than a word (255 bytes at most) can hold.
  static constexpr std::size_t kMaxBlankRun = 512;

  // Told when a sheet cell's text begins (`reference` its r attribute, `at` the
  // size of the output string just before the cell's first character goes in).
  using TCellWatch = std::function<void(std::string_view reference, std::size_t at)>;

  explicit TDocumentText(TPartText rules);

  // In a sheet part (Office Open XML rules), calls `watch` for every cell whose
  // text is written; in a shared-string table, for every string written, its
  // index (from 0, empty strings counted) as the reference.
  void SetCellWatch(TCellWatch watch);

  // Appends the text of these bytes to `out`.
  void Feed(const std::uint8_t* data, std::size_t n, std::string& out);
  // Appends what is left (the end of the part ends its last paragraph).
  void Finish(std::string& out);

 private:
  // How the bytes encode characters: known from the first bytes.
  enum class TEncoding : std::uint8_t { Unknown, Utf8, Utf16Le, Utf16Be };
  // Where the reader is in the markup.
  enum class TMarkup : std::uint8_t {
    Text, Open, Tag, Bang, Comment, CData, Declaration, Instruction, Entity,
    SubsetComment, SubsetInstruction,  // a comment or processing instruction in a document type's internal subset
  };
  struct TCharacters {  // what a reference stands for: one or two characters, First 0 when nothing
    std::uint32_t First = 0;
    std::uint32_t Second = 0;
  };

  void Byte(std::uint8_t b, std::string& out);        // one byte of the part, as stored
  void Unit(std::uint32_t unit, std::string& out);    // one UTF-16 code unit
  void CodePoint(std::uint32_t c, std::string& out);  // one character, into the markup reader
  void Xml(char c, std::string& out);                 // one UTF-8 byte of the XML
  void Declaration(char c);                           // a byte of a document type declaration
  void EndTag(std::string& out);                      // a tag has been read whole
  void Start(std::string_view name, std::string_view local, bool empty, std::string& out);
  void End(std::string_view name, std::string_view local, std::string& out);
  bool Special(std::string_view local, std::string& out);  // an element that stands for characters
  bool SkipsSubtree(std::string_view name, std::string_view local) const;
  bool IsBlock(std::string_view local) const;
  bool IsContext(std::string_view local) const;
  bool IsLabel(std::string_view local) const;         // a chart's element whose values are labels
  bool CollapsesBlanks() const;                       // a run of source white space is one blank
  std::string_view Attribute(std::string_view local) const;  // of the tag just read
  TCharacters Reference(std::string_view name) const; // "amp", "#38": what it stands for
  void Entity(std::string& out);                      // an entity's name has ended with ';'
  void EntityAsTyped(std::string& out);
  void Character(std::uint32_t c, std::string& out);  // a character a reference stands for
  void SheetName(std::string_view value, std::string& out);  // an attribute's value as a line of its own
  bool Emitting() const;
  void Data(char c, std::string& out);                // character data from the XML
  void HeldLead(std::string& out);                    // writes a held 0xC2 that starts no soft hyphen
  void SourceBlanks(std::size_t count);               // white space of the XML source in text
  void Visible(std::string_view text, std::string& out);  // characters the reader sees, ending a run of blanks
  void Spaces(std::size_t count, std::string& out);   // blanks the reader sees
  void AppendSpaces(std::size_t count, std::string& out);
  void LineFeed(std::string& out);                    // a line break inside a paragraph
  void Break(std::string& out);                       // a paragraph or cell ends (or starts)
  void WatchCell(std::string& out);                   // a watched cell's first character comes

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
  std::uint8_t Mark_ = 0;  // in a declaration's subset: bytes read of "<!--" or "<?", then of "--" or "?" before '>'
  std::string Entity_;   // an entity's name, up to a fixed size

  std::string SkipName_;      // the element whose subtree is being skipped
  std::size_t SkipDepth_ = 0; // its nesting (elements of that name)
  std::size_t Context_ = 0;   // depth in elements whose text is read (body, header...)
  std::size_t TextDepth_ = 0; // depth in text elements (t)
  std::size_t RunDepth_ = 0;  // depth in runs (r)
  std::size_t PreDepth_ = 0;  // depth in preformatted text (pre)
  std::size_t ParagraphDepth_ = 0;   // depth in DrawingML paragraphs (p)
  std::size_t LabelDepth_ = 0;       // depth in a chart's labels (tx, cat, dlblRangeCache)
  std::size_t SpreadsheetDepth_ = 0; // depth in office:spreadsheet
  bool CellIsText_ = false;   // the sheet cell being read holds its text in its value
  bool InValue_ = false;      // in such a cell's value (v), or in a chart label's (v)

  TCellWatch CellWatch_;
  std::uint64_t SharedIndex_ = 0;  // strings of a shared-string table begun so far
  std::string CellReference_;  // the r of the watched cell whose first character is still to come
  bool CellWatchDue_ = false;

  bool HeldLead_ = false;          // a 0xC2 of text held: with 0xAD it is a soft hyphen, no character
  std::size_t PendingBlanks_ = 0;  // blanks of the XML source not yet written (at most kMaxBlankRun)
  std::size_t TrailingSpaces_ = 0; // blanks written since the last other character of the line
  bool LineHasText_ = false;       // text since the last line feed
};

}  // namespace sorvik
