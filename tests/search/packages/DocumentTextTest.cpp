// The text a reader sees in documents' parts: which files and parts are read,
// and parts written as their producers write them, fed whole, cut at every
// byte, in UTF-16, and hostile.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "DocumentText.h"

namespace sorvik {
namespace {

std::string Extract(TPartText rules, const std::string& xml) {
  TDocumentText reader(rules);
  std::string out;
  reader.Feed(reinterpret_cast<const std::uint8_t*>(xml.data()), xml.size(), out);
  reader.Finish(out);
  return out;
}

// The XML in two feeds, cut before byte k.
std::string ExtractCut(TPartText rules, const std::string& xml, std::size_t k) {
  TDocumentText reader(rules);
  std::string out;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(xml.data());
  reader.Feed(bytes, k, out);
  reader.Feed(bytes + k, xml.size() - k, out);
  reader.Finish(out);
  return out;
}

std::string ExtractByteByByte(TPartText rules, const std::string& xml) {
  TDocumentText reader(rules);
  std::string out;
  for (char c : xml) {
    const auto b = static_cast<std::uint8_t>(c);
    reader.Feed(&b, 1, out);
  }
  reader.Finish(out);
  return out;
}

// UTF-8 to UTF-16 code units, written out here (valid input only).
std::u16string Utf16Of(const std::string& utf8) {
  std::u16string units;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    std::uint32_t c = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
    for (std::size_t k = 1; k < length; ++k) c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += length;
    if (c >= 0x10000) {
      units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      units += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      units += static_cast<char16_t>(c);
    }
  }
  return units;
}

std::string Utf16Bytes(const std::string& utf8, bool littleEndian, bool mark) {
  std::u16string units = Utf16Of(utf8);
  if (mark) units.insert(units.begin(), u'\xFEFF');
  std::string bytes;
  for (char16_t u : units) {
    const char low = static_cast<char>(u & 0xFF), high = static_cast<char>(u >> 8);
    bytes += littleEndian ? low : high;
    bytes += littleEndian ? high : low;
  }
  return bytes;
}

struct TPart {
  const char* Name;
  TPartText Rules;
  std::string Xml;
  std::string Text;                  // what a reader sees
  std::vector<std::string> Hidden;   // what the part holds that no reader sees
};

std::vector<TPart> ProducersParts() {
  std::vector<TPart> parts;
  parts.push_back({"Word body", TPartText::OfficeOpenXml,
      R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
      "\r\n"
      R"(<w:document xmlns:wpc="http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas" xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" xmlns:wps="http://schemas.microsoft.com/office/word/2010/wordprocessingShape" xmlns:v="urn:schemas-microsoft-com:vml" mc:Ignorable="w14"><w:body>)"
      R"(<w:p w:rsidR="00B4523F" w:rsidRDefault="00B4523F"><w:pPr><w:pStyle w:val="Heading1"/><w:tabs><w:tab w:val="left" w:pos="720"/></w:tabs></w:pPr><w:r><w:t>Quarterly</w:t></w:r><w:r w:rsidR="00C1A2B3"><w:t xml:space="preserve"> revi</w:t></w:r><w:proofErr w:type="spellStart"/><w:r><w:t>ew</w:t></w:r><w:proofErr w:type="spellEnd"/></w:p>)"
      "\r\n"
      R"(<w:p><w:r><w:t>Name</w:t></w:r><w:r><w:tab/><w:t>Value</w:t></w:r><w:r><w:br/><w:t>e</w:t></w:r><w:r><w:noBreakHyphen/><w:t>mail</w:t><w:softHyphen/><w:t>box</w:t></w:r></w:p>)"
      R"(<w:tbl><w:tblPr><w:tblStyle w:val="TableGrid"/></w:tblPr><w:tr><w:tc><w:tcPr><w:tcW w:w="4675" w:type="dxa"/></w:tcPr><w:p><w:r><w:t>Left</w:t></w:r></w:p></w:tc><w:tc><w:p><w:r><w:t>Right</w:t></w:r></w:p></w:tc></w:tr></w:tbl>)"
      R"(<w:p><w:r><w:t>See note</w:t></w:r><w:r><w:rPr><w:rStyle w:val="FootnoteReference"/></w:rPr><w:footnoteReference w:id="1"/></w:r><w:r><w:t xml:space="preserve"> and </w:t></w:r><w:del w:id="3" w:author="Ann Other" w:date="2024-01-02T10:00:00Z"><w:r><w:delText>removed</w:delText></w:r></w:del><w:ins w:id="4" w:author="Ann Other"><w:r><w:t>added</w:t></w:r></w:ins><w:r><w:fldChar w:fldCharType="begin"/></w:r><w:r><w:instrText xml:space="preserve"> PAGE </w:instrText></w:r><w:r><w:fldChar w:fldCharType="separate"/></w:r><w:r><w:t>7</w:t></w:r><w:r><w:fldChar w:fldCharType="end"/></w:r></w:p>)"
      R"(<w:p><w:r><w:t>Before</w:t></w:r><w:r><mc:AlternateContent><mc:Choice Requires="wps"><w:drawing><wps:txbx><w:txbxContent><w:p><w:r><w:t>Boxed</w:t></w:r></w:p></w:txbxContent></wps:txbx></w:drawing></mc:Choice><mc:Fallback><w:pict><v:textbox><w:txbxContent><w:p><w:r><w:t>Boxed</w:t></w:r></w:p></w:txbxContent></v:textbox></w:pict></mc:Fallback></mc:AlternateContent></w:r><w:r><w:t xml:space="preserve"> after &lt;x&gt;</w:t></w:r></w:p>)"
      R"(<w:sectPr w:rsidR="00B4523F"><w:pgSz w:w="12240" w:h="15840"/></w:sectPr></w:body></w:document>)",
      "Quarterly review\nName\tValue\ne-mailbox\nLeft\nRight\nSee note and added7\nBefore\nBoxed\nafter <x>\n",
      {"removed", "PAGE", "Ann", "Heading1", "TableGrid", "Boxed\nBoxed"}});
  parts.push_back({"Word footnotes", TPartText::OfficeOpenXml,
      R"(<w:footnotes xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:footnote w:type="separator" w:id="-1"><w:p><w:pPr><w:spacing w:after="0"/></w:pPr><w:r><w:separator/></w:r></w:p></w:footnote><w:footnote w:id="1"><w:p><w:pPr><w:pStyle w:val="FootnoteText"/></w:pPr><w:r><w:rPr><w:rStyle w:val="FootnoteReference"/></w:rPr><w:footnoteRef/></w:r><w:r><w:t xml:space="preserve"> Source: survey.</w:t></w:r></w:p></w:footnote></w:footnotes>)",
      "Source: survey.\n", {"FootnoteText"}});
  parts.push_back({"Excel shared strings", TPartText::OfficeOpenXml,
      R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
      "\r\n"
      R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="3" uniqueCount="3"><si><t>Region</t></si><si><r><rPr><b/><sz val="11"/><color theme="1"/><rFont val="Calibri"/><family val="2"/><scheme val="minor"/></rPr><t>Tot</t></r><r><rPr><sz val="11"/></rPr><t xml:space="preserve">al sales </t></r></si><si><t>)"
      "\xE6\x9D\xB1\xE4\xBA\xAC"  // Tokyo
      R"(</t><rPh sb="0" eb="2"><t>)"
      "\xE3\x83\x88\xE3\x82\xA6"  // its reading
      R"(</t></rPh><phoneticPr fontId="1"/></si></sst>)",
      "Region\nTotal sales\n\xE6\x9D\xB1\xE4\xBA\xAC\n", {"Calibri", "minor", "\xE3\x83\x88"}});
  parts.push_back({"Excel sheet", TPartText::OfficeOpenXml,
      R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><dimension ref="A1:G1"/><sheetViews><sheetView workbookViewId="0"/></sheetViews><sheetFormatPr defaultRowHeight="15"/><sheetData>)"
      R"(<row r="1" spans="1:7"><c r="A1" t="s"><v>0</v></c><c r="B1" s="1"><v>1250.5</v></c><c r="C1" t="str"><f>A1&amp;"x"</f><v>Northx</v></c><c r="D1" t="inlineStr"><is><t>typed here</t></is></c><c r="E1" t="b"><v>1</v></c><c r="F1" t="e"><v>#DIV/0!</v></c><c r="G1" s="2"/></row>)"
      R"(</sheetData><pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/></worksheet>)",
      "1250.5\nNorthx\ntyped here\n#DIV/0!\n", {"0\n", "1\n", "A1", "&"}});
  parts.push_back({"PowerPoint slide", TPartText::OfficeOpenXml,
      R"(<p:sld xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main"><p:cSld><p:spTree><p:nvGrpSpPr><p:cNvPr id="1" name=""/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr><p:grpSpPr/>)"
      R"(<p:sp><p:nvSpPr><p:cNvPr id="2" name="Title 1"/><p:cNvSpPr><a:spLocks noGrp="1"/></p:cNvSpPr><p:nvPr><p:ph type="title"/></p:nvPr></p:nvSpPr><p:spPr/><p:txBody><a:bodyPr/><a:lstStyle/><a:p><a:pPr><a:tabLst><a:tab pos="457200" algn="l"/></a:tabLst></a:pPr><a:r><a:rPr lang="en-US" dirty="0"/><a:t>Road</a:t></a:r><a:r><a:rPr lang="en-US" b="1" dirty="0"/><a:t>map</a:t></a:r><a:br><a:rPr lang="en-US"/></a:br><a:r><a:rPr lang="en-US"/><a:t>2025 &amp; beyond )"
      "\xF0\x9F\x9A\x80"  // a rocket: a pair of surrogates in UTF-16
      R"(</a:t></a:r><a:endParaRPr lang="en-US"/></a:p><a:p><a:pPr lvl="1"/><a:r><a:rPr lang="en-US"/><a:t>Second</a:t></a:r></a:p></p:txBody></p:sp>)"
      R"(</p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sld>)",
      "Roadmap\n2025 & beyond \xF0\x9F\x9A\x80\nSecond\n", {"Title 1", "en-US", "\t"}});
  parts.push_back({"OpenDocument text", TPartText::OpenDocument,
      R"(<?xml version="1.0" encoding="UTF-8"?>)"
      "\n"
      R"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0" xmlns:dc="http://purl.org/dc/elements/1.1/" office:version="1.3"><office:scripts/>)"
      R"(<office:font-face-decls><style:font-face style:name="Liberation Serif" svg:font-family="&apos;Liberation Serif&apos;"/></office:font-face-decls><office:automatic-styles><style:style style:name="T1" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style><number:date-style style:name="N37"><number:text>Hidden Style Text</number:text></number:date-style></office:automatic-styles>)"
      R"(<office:body><office:text><text:sequence-decls><text:sequence-decl text:display-outline-level="0" text:name="Illustration"/></text:sequence-decls>)"
      R"(<text:tracked-changes><text:changed-region text:id="ct1"><text:deletion><office:change-info><dc:creator>Ann Other</dc:creator><dc:date>2024-01-02T10:00:00</dc:date></office:change-info><text:p>deleted words</text:p></text:deletion></text:changed-region></text:tracked-changes>)"
      R"(<text:table-of-content text:name="Table of Contents1"><text:table-of-content-source text:outline-level="10"><text:index-title-template text:style-name="Contents_20_Heading">Contents</text:index-title-template><text:table-of-content-entry-template text:outline-level="1" text:style-name="Contents_20_1"><text:index-entry-text/></text:table-of-content-entry-template></text:table-of-content-source><text:index-body><text:index-title text:name="Table of Contents1_Head"><text:p text:style-name="Contents_20_Heading">Contents</text:p></text:index-title><text:p text:style-name="Contents_20_1"><text:a xlink:type="simple" xlink:href="#__RefHeading___Toc1_1">Intro<text:tab/>1</text:a></text:p></text:index-body></text:table-of-content>)"
      R"(<text:h text:style-name="P1" text:outline-level="1">Intro</text:h><text:p text:style-name="Standard">a<text:s text:c="3"/>b<text:tab/>c<text:line-break/>d <text:span text:style-name="T1">bo</text:span>ld<text:change text:change-id="ct1"/><text:soft-page-break/> end<text:s/>.</text:p>)"
      R"(<text:p>Fact<text:note text:id="ftn1" text:note-class="footnote"><text:note-citation>1</text:note-citation><text:note-body><text:p text:style-name="Footnote">Footnote text</text:p></text:note-body></text:note> more</text:p>)"
      R"(<text:p><office:annotation><dc:creator>Bob Roe</dc:creator><dc:date>2024-03-01T09:00:00</dc:date><text:p>Check this</text:p></office:annotation>Reviewed<office:annotation-end/></text:p>)"
      R"(<table:table table:name="Table1"><table:table-column/><table:table-row><table:table-cell office:value-type="string"><text:p>Cell one</text:p></table:table-cell><table:table-cell office:value-type="float" office:value="3"><text:p>3</text:p></table:table-cell></table:table-row></table:table>)"
      R"(<text:list><text:list-item><text:p>item</text:p></text:list-item></text:list></office:text></office:body></office:document-content>)",
      "Contents\nIntro\t1\nIntro\na   b\tc\nd bold end .\nFact\nFootnote text\nmore\nCheck this\nReviewed\nCell one\n3\nitem\n",
      {"Hidden Style Text", "deleted words", "Ann", "Bob", "2024", "Liberation", "Illustration", "Table1", "Fact1", "Contents\nContents", "RefHeading"}});
  parts.push_back({"OpenDocument styles", TPartText::OpenDocumentStyles,
      R"(<office:document-styles xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"><office:styles><style:style style:name="Header" style:family="paragraph"/><text:notes-configuration text:citation-style-name="Footnote_20_Symbol"/><text:p>Not shown</text:p></office:styles>)"
      R"(<office:automatic-styles><style:page-layout style:name="pm1"><style:header-style><style:header-footer-properties fo:min-height="0in"/></style:header-style></style:page-layout></office:automatic-styles>)"
      R"(<office:master-styles><style:master-page style:name="Standard" style:page-layout-name="pm1"><style:header><text:p text:style-name="Header">Company <text:span>Confidential</text:span></text:p></style:header><style:footer><text:p text:style-name="Footer">Page <text:page-number text:select-page="current">1</text:page-number></text:p></style:footer></style:master-page></office:master-styles></office:document-styles>)",
      "Company Confidential\nPage 1\n", {"Not shown", "Standard", "pm1"}});
  parts.push_back({"Office properties", TPartText::Properties,
      R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
      "\r\n"
      R"(<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:dcterms="http://purl.org/dc/terms/" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"><dc:title>Annual Report</dc:title><dc:subject>Finance</dc:subject><dc:creator>Jane Doe</dc:creator><cp:keywords>budget; forecast</cp:keywords><dc:description>Draft for the board</dc:description><cp:lastModifiedBy>John Roe</cp:lastModifiedBy><cp:revision>3</cp:revision><dcterms:created xsi:type="dcterms:W3CDTF">2024-01-01T00:00:00Z</dcterms:created></cp:coreProperties>)",
      "Annual Report\nFinance\nbudget; forecast\nDraft for the board\n", {"Jane", "John", "2024", "3\n"}});
  parts.push_back({"OpenDocument properties", TPartText::Properties,
      R"(<office:document-meta xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:meta="urn:oasis:names:tc:opendocument:xmlns:meta:1.0" xmlns:dc="http://purl.org/dc/elements/1.1/" office:version="1.3"><office:meta><meta:generator>LibreOffice/7.4</meta:generator><dc:title>Plan</dc:title><meta:keyword>alpha</meta:keyword><meta:keyword>beta</meta:keyword><meta:initial-creator>Ann Other</meta:initial-creator><meta:document-statistic meta:page-count="1"/></office:meta></office:document-meta>)",
      "Plan\nalpha\nbeta\n", {"LibreOffice", "Ann"}});
  parts.push_back({"EPUB package", TPartText::Properties,
      R"(<?xml version="1.0" encoding="UTF-8"?>)"
      "\n"
      R"(<package xmlns="http://www.idpf.org/2007/opf" version="3.0" unique-identifier="uid"><metadata xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:identifier id="uid">urn:uuid:12345678</dc:identifier><dc:title>Moby-Dick</dc:title><dc:creator>Herman Melville</dc:creator><dc:language>en</dc:language><dc:subject>Whaling</dc:subject><meta property="dcterms:modified">2012-01-01T00:00:00Z</meta></metadata>)"
      R"(<manifest><item id="c1" href="chapter1.xhtml" media-type="application/xhtml+xml"/></manifest><spine><itemref idref="c1"/></spine></package>)",
      "Moby-Dick\nWhaling\n", {"Herman", "uuid", "2012", "chapter1"}});
  parts.push_back({"EPUB chapter", TPartText::Xhtml,
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE html>\n"
      "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\" xml:lang=\"fr\">\n"
      "<head>\n"
      "  <meta charset=\"utf-8\"/>\n"
      "  <title>Chapitre 1</title>\n"
      "  <link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\"/>\n"
      "  <style type=\"text/css\">p { text-indent: 1em; }</style>\n"
      "  <script type=\"text/javascript\"><![CDATA[ if (a < b) { hidden(); } ]]></script>\n"
      "</head>\n"
      "<body epub:type=\"bodymatter\">\n"
      "  <section id=\"ch1\" epub:type=\"chapter\">\n"
      "    <h1 class=\"title\">Chapitre&nbsp;1</h1>\n"
      "    <div class=\"outer\"><div class=\"inner\"><p>Le caf&eacute; est <em>tr&egrave;s</em>\n   bon.</p></div>\n"
      "    <p>Caract&#xE8;re chinois&#160;: &#x4E2D;&#25991; &amp; plus&hellip;<br/>Nouvelle ligne</p></div>\n"
      "    <pre>line one\n  line two</pre>\n"
      "    <p>&copy; 2024 &unknown; x &amp y <!-- a note --><![CDATA[<kept>]]></p>\n"
      "    <ul><li>un</li><li>deux</li></ul>\n"
      "  </section>\n"
      "</body>\n"
      "</html>\n",
      "Chapitre\xC2\xA0" "1\nLe caf\xC3\xA9 est tr\xC3\xA8s    bon.\n"
      "Caract\xC3\xA8re chinois\xC2\xA0: \xE4\xB8\xAD\xE6\x96\x87 & plus\xE2\x80\xA6\nNouvelle ligne\n"
      "line one\n  line two\n\xC2\xA9 2024 &unknown; x &amp y <kept>\nun\ndeux\n",
      {"Chapitre 1", "text-indent", "hidden", "style.css", "bodymatter", "epub", "a note", "ch1"}});
  return parts;
}

// Names of markup that text never holds.
const char* const kMarkup[] = {"xmlns", "schemas", "preserve", "rsidR", "sheetData", "urn:", "http", "w:",
                               "a:", "text:", "office:", "style:", "dc:", "=\"", "</"};

TEST(DocumentText, ProducersPartsGiveTheTextAReaderSeesHoweverTheyAreFed) {
  for (const TPart& part : ProducersParts()) {
    SCOPED_TRACE(part.Name);
    const std::string text = Extract(part.Rules, part.Xml);
    EXPECT_EQ(text, part.Text);
    for (const char* markup : kMarkup) EXPECT_EQ(text.find(markup), std::string::npos) << markup;
    for (const std::string& hidden : part.Hidden) EXPECT_EQ(text.find(hidden), std::string::npos) << hidden;

    // Every cut between feeds: in a tag, a name, an entity, a comment's end, a character.
    for (std::size_t k = 0; k <= part.Xml.size(); ++k) {
      const std::string cut = ExtractCut(part.Rules, part.Xml, k);
      if (cut != text) {
        ADD_FAILURE() << "cut before byte " << k << ": " << cut;
        break;
      }
    }
    EXPECT_EQ(ExtractByteByByte(part.Rules, part.Xml), text);

    // The same XML stored with a byte-order mark.
    EXPECT_EQ(Extract(part.Rules, "\xEF\xBB\xBF" + part.Xml), text);
    for (const bool littleEndian : {true, false}) {
      const std::string utf16 = Utf16Bytes(part.Xml, littleEndian, true);
      EXPECT_EQ(Extract(part.Rules, utf16), text) << (littleEndian ? "UTF-16 LE" : "UTF-16 BE");
      EXPECT_EQ(ExtractByteByByte(part.Rules, utf16), text) << (littleEndian ? "UTF-16 LE" : "UTF-16 BE");
      // Without the mark, known from the first '<'.
      EXPECT_EQ(Extract(part.Rules, Utf16Bytes(part.Xml, littleEndian, false)), text);
    }
  }
}

TEST(DocumentText, HostileXmlGivesBoundedTextAndWhatCanBeRead) {
  // A tag of 10 MB with '>' in a quoted value, then more text.
  std::string xml = R"(<w:document><w:body><w:p><w:r><w:t>ok</w:t></w:r><w:bookmarkStart w:name=")";
  for (int i = 0; i < 10 * 1024 * 1024 / 8; ++i) xml += "a>b<c'd ";
  xml += R"("/><w:r><w:t>still</w:t></w:r></w:p></w:body></w:document>)";
  EXPECT_EQ(Extract(TPartText::OfficeOpenXml, xml), "okstill\n");

  // 1M nested elements, which a reader with a stack of them would not survive.
  xml = "<office:body><text:p>";
  for (int i = 0; i < 1000000; ++i) xml += "<text:span>";
  xml += "deep";
  for (int i = 0; i < 1000000; ++i) xml += "</text:span>";
  xml += "</text:p><text:p>next</text:p></office:body>";
  EXPECT_EQ(Extract(TPartText::OpenDocument, xml), "deep\nnext\n");

  // Blanks asked for by the billion: as many as a line can sensibly hold.
  EXPECT_EQ(Extract(TPartText::OpenDocument,
                    R"(<office:body><text:p>a<text:s text:c="999999999"/>b<text:s text:c="x"/>c</text:p></office:body>)"),
            "a" + std::string(1024, ' ') + "b c\n");

  // Unterminated comment, CDATA, entity, tag: the text before them, the end of the part ends the line.
  EXPECT_EQ(Extract(TPartText::Xhtml, "<body><p>a<!-- never " + std::string(100000, '-')), "a\n");
  EXPECT_EQ(Extract(TPartText::Xhtml, "<body><p>x<![CDATA[abc]]"), "xabc]]\n");
  EXPECT_EQ(Extract(TPartText::Xhtml, "<body><p>fish &chips"), "fish &chips\n");
  EXPECT_EQ(Extract(TPartText::Xhtml, "<body><p>cut <span class=\"a"), "cut\n");

  // Stray '<' and '&', an '&' with no ';' for long, end tags without a start, bytes after the root.
  EXPECT_EQ(Extract(TPartText::Xhtml, "<body><p>1 < 2 && 3 <4 &" + std::string(40, 'a') + ";</p></body>"),
            "1 < 2 && 3 <4 &" + std::string(40, 'a') + ";\n");
  EXPECT_EQ(Extract(TPartText::Xhtml, "<html><body></body></body></body><p>after</p><BODY><P>shown</P></BODY></html>"),
            "shown\n");
  EXPECT_EQ(Extract(TPartText::OpenDocument,
                    "<office:document-content><office:body><text:p>x</text:p></office:body></office:document-content>"
                    "trailing<text:p>y</text:p>"),
            "x\n");

  // Character references to what no text may hold.
  EXPECT_EQ(Extract(TPartText::Xhtml, "<body><p>&#0;&#xD800;&#x110000;&#99999999999;&#65;</p></body>"),
            "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD" "A\n");
  // UTF-16 with a lone surrogate and an odd last byte.
  const std::string lone = std::string("\xFF\xFE<\0b\0o\0d\0y\0>\0x\0\x00\xD8y\0", 20) + "\x01";
  EXPECT_EQ(Extract(TPartText::Xhtml, lone), "x\xEF\xBF\xBDy\n");
}

TEST(DocumentText, PackagesAndThePartsThatHoldText) {
  EXPECT_EQ(PackageKindOf("Report.DOCX"), TPackageKind::OfficeOpenXml);
  for (const char* name : {"a.docm", "a.dotx", "a.dotm", "a.xlsx", "a.xlsm", "a.xltx", "a.xltm", "a.pptx",
                           "a.pptm", "a.potx", "a.potm", "a.ppsx", "a.PPSM"})
    EXPECT_EQ(PackageKindOf(name), TPackageKind::OfficeOpenXml) << name;
  for (const char* name : {"a.odt", "a.ott", "a.ods", "a.ots", "a.ODP", "a.otp"})
    EXPECT_EQ(PackageKindOf(name), TPackageKind::OpenDocument) << name;
  EXPECT_EQ(PackageKindOf("book.Epub"), TPackageKind::Epub);
  EXPECT_EQ(PackageKindOf("old.ZIP"), TPackageKind::Zip);
  for (const char* name : {"a.doc", "a.xls", "docx", "a.docx.txt", "a.", "", "a.odtx", "dir.docx/file"})
    EXPECT_EQ(PackageKindOf(name), TPackageKind::None) << name;

  const struct {
    TPackageKind Kind;
    const char* Part;
    TPartText Text;
  } cases[] = {
      {TPackageKind::OfficeOpenXml, "word/document.xml", TPartText::OfficeOpenXml},
      {TPackageKind::OfficeOpenXml, "Word/Document.XML", TPartText::OfficeOpenXml},
      {TPackageKind::OfficeOpenXml, "word/header2.xml", TPartText::OfficeOpenXml},
      {TPackageKind::OfficeOpenXml, "word/footer1.xml", TPartText::OfficeOpenXml},
      {TPackageKind::OfficeOpenXml, "word/footnotes.xml", TPartText::OfficeOpenXml},
      {TPackageKind::OfficeOpenXml, "word/endnotes.xml", TPartText::OfficeOpenXml},
      {TPackageKind::OfficeOpenXml, "word/comments.xml", TPartText::OfficeOpenXml},
      {TPackageKind::OfficeOpenXml, "xl/sharedStrings.xml", TPartText::OfficeOpenXml},
      {TPackageKind::OfficeOpenXml, "xl/worksheets/sheet12.xml", TPartText::OfficeOpenXml},
      {TPackageKind::OfficeOpenXml, "xl/comments1.xml", TPartText::OfficeOpenXml},
      {TPackageKind::OfficeOpenXml, "ppt/slides/slide3.xml", TPartText::OfficeOpenXml},
      {TPackageKind::OfficeOpenXml, "ppt/notesSlides/notesSlide1.xml", TPartText::OfficeOpenXml},
      {TPackageKind::OfficeOpenXml, "ppt/comments/comment1.xml", TPartText::OfficeOpenXml},
      {TPackageKind::OfficeOpenXml, "docProps/core.xml", TPartText::Properties},
      {TPackageKind::OfficeOpenXml, "docProps/app.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "word/styles.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "word/settings.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "word/theme/theme1.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "word/_rels/document.xml.rels", TPartText::None},
      {TPackageKind::OfficeOpenXml, "word/glossary/document.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "word/header/x.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "word/media/header1.png", TPartText::None},
      {TPackageKind::OfficeOpenXml, "[Content_Types].xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "xl/worksheets/_rels/sheet1.xml.rels", TPartText::None},
      {TPackageKind::OfficeOpenXml, "xl/worksheets/sub/sheet1.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "xl/styles.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "ppt/slideLayouts/slideLayout1.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "ppt/slideMasters/slideMaster1.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "ppt/notesMasters/notesMaster1.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "ppt/slides/_rels/slide1.xml.rels", TPartText::None},
      {TPackageKind::OpenDocument, "content.xml", TPartText::OpenDocument},
      {TPackageKind::OpenDocument, "styles.xml", TPartText::OpenDocumentStyles},
      {TPackageKind::OpenDocument, "meta.xml", TPartText::Properties},
      {TPackageKind::OpenDocument, "settings.xml", TPartText::None},
      {TPackageKind::OpenDocument, "Object 1/content.xml", TPartText::None},
      {TPackageKind::OpenDocument, "word/document.xml", TPartText::None},
      {TPackageKind::Epub, "OEBPS/Text/chapter1.xhtml", TPartText::Xhtml},
      {TPackageKind::Epub, "OEBPS/intro.HTML", TPartText::Xhtml},
      {TPackageKind::Epub, "notes.htm", TPartText::Xhtml},
      {TPackageKind::Epub, "OEBPS/content.opf", TPartText::Properties},
      {TPackageKind::Epub, "mimetype", TPartText::None},
      {TPackageKind::Epub, "META-INF/container.xml", TPartText::None},
      {TPackageKind::Epub, "OEBPS/toc.ncx", TPartText::None},
      {TPackageKind::Epub, "OEBPS/style.css", TPartText::None},
      {TPackageKind::Epub, "OEBPS/cover.jpg", TPartText::None},
      {TPackageKind::Zip, "word/document.xml", TPartText::None},
      {TPackageKind::None, "content.xml", TPartText::None},
  };
  for (const auto& c : cases) EXPECT_EQ(PartTextOf(c.Kind, c.Part), c.Text) << c.Part;
}

}  // namespace
}  // namespace sorvik
