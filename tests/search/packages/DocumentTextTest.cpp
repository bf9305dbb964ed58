// The text a reader sees in documents' parts: which files and parts are read,
// and parts written as their producers write them, fed whole, cut at every
// byte, in UTF-16, and hostile.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
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

// The text of `xml` must be `text` fed whole, cut before every byte (or every
// `cutStep`th), byte by byte, after a UTF-8 byte-order mark, and in UTF-16.
void ExpectTextHoweverFed(TPartText rules, const std::string& xml, const std::string& text, std::size_t cutStep = 1) {
  EXPECT_EQ(Extract(rules, xml), text);
  for (std::size_t k = 0; k <= xml.size(); k += cutStep) {
    const std::string cut = ExtractCut(rules, xml, k);
    if (cut != text) {
      ADD_FAILURE() << "cut before byte " << k << ": " << cut;
      break;
    }
  }
  EXPECT_EQ(ExtractByteByByte(rules, xml), text);

  EXPECT_EQ(Extract(rules, "\xEF\xBB\xBF" + xml), text);
  for (const bool littleEndian : {true, false}) {
    const std::string utf16 = Utf16Bytes(xml, littleEndian, true);
    EXPECT_EQ(Extract(rules, utf16), text) << (littleEndian ? "UTF-16 LE" : "UTF-16 BE");
    EXPECT_EQ(ExtractByteByByte(rules, utf16), text) << (littleEndian ? "UTF-16 LE" : "UTF-16 BE");
    // Without the mark, known from the first '<'.
    EXPECT_EQ(Extract(rules, Utf16Bytes(xml, littleEndian, false)), text);
  }
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
      "Chapitre\xC2\xA0" "1\nLe caf\xC3\xA9 est tr\xC3\xA8s bon.\n"
      "Caract\xC3\xA8re chinois\xC2\xA0: \xE4\xB8\xAD\xE6\x96\x87 & plus\xE2\x80\xA6\nNouvelle ligne\n"
      "line one\n  line two\n\xC2\xA9 2024 &unknown; x &amp y <kept>\nun\ndeux\n",
      {"Chapitre 1", "text-indent", "hidden", "style.css", "bodymatter", "epub", "a note", "ch1"}});
  parts.push_back({"Word chart", TPartText::Chart,
      R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
      "\r\n"
      R"(<c:chartSpace xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart" xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" xmlns:c16r2="http://schemas.microsoft.com/office/drawing/2015/06/chart"><c:date1904 val="0"/><c:lang val="en-US"/><c:roundedCorners val="0"/><mc:AlternateContent xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006"><mc:Choice Requires="c14" xmlns:c14="http://schemas.microsoft.com/office/drawing/2007/8/2/chart"><c14:style val="102"/></mc:Choice><mc:Fallback><c:style val="2"/></mc:Fallback></mc:AlternateContent>)"
      R"(<c:chart><c:title><c:tx><c:rich><a:bodyPr rot="0" spcFirstLastPara="1" vertOverflow="ellipsis" vert="horz" wrap="square" anchor="ctr" anchorCtr="1"/><a:lstStyle/><a:p><a:pPr><a:defRPr sz="1400" b="0"><a:solidFill><a:schemeClr val="tx1"/></a:solidFill><a:latin typeface="+mn-lt"/></a:defRPr></a:pPr><a:r><a:rPr lang="en-US"/><a:t>Sales by </a:t></a:r><a:r><a:rPr lang="en-US" b="1"/><a:t>region</a:t></a:r></a:p></c:rich></c:tx><c:overlay val="0"/></c:title><c:autoTitleDeleted val="0"/>)"
      R"(<c:plotArea><c:layout/><c:barChart><c:barDir val="col"/><c:grouping val="clustered"/><c:varyColors val="0"/><c:ser><c:idx val="0"/><c:order val="0"/><c:tx><c:strRef><c:f>Sheet1!$B$1</c:f><c:strCache><c:ptCount val="1"/><c:pt idx="0"><c:v>Revenue</c:v></c:pt></c:strCache></c:strRef></c:tx><c:spPr><a:solidFill><a:schemeClr val="accent1"/></a:solidFill></c:spPr><c:invertIfNegative val="0"/>)"
      R"(<c:cat><c:strRef><c:f>Sheet1!$A$2:$A$3</c:f><c:strCache><c:ptCount val="2"/><c:pt idx="0"><c:v>North</c:v></c:pt><c:pt idx="1"><c:v>South &amp; West</c:v></c:pt></c:strCache></c:strRef></c:cat><c:val><c:numRef><c:f>Sheet1!$B$2:$B$3</c:f><c:numCache><c:formatCode>General</c:formatCode><c:ptCount val="2"/><c:pt idx="0"><c:v>4.3</c:v></c:pt><c:pt idx="1"><c:v>2.5</c:v></c:pt></c:numCache></c:numRef></c:val><c:extLst><c:ext uri="{C3380CC4-5D6E-409C-BE32-E72D297353CC}" xmlns:c16="http://schemas.microsoft.com/office/drawing/2014/chart"><c16:uniqueId val="{00000000-0001-0000-0000-000000000000}"/></c:ext></c:extLst></c:ser>)"
      R"(<c:dLbls><c:showLegendKey val="0"/><c:showVal val="0"/></c:dLbls><c:gapWidth val="219"/><c:axId val="1"/><c:axId val="2"/></c:barChart><c:catAx><c:axId val="1"/><c:scaling><c:orientation val="minMax"/></c:scaling><c:delete val="0"/><c:axPos val="b"/><c:numFmt formatCode="General" sourceLinked="1"/><c:txPr><a:bodyPr/><a:lstStyle/><a:p><a:pPr><a:defRPr sz="900"/></a:pPr><a:endParaRPr lang="en-US"/></a:p></c:txPr><c:crossAx val="2"/></c:catAx>)"
      R"(<c:valAx><c:axId val="2"/><c:title><c:tx><c:rich><a:bodyPr/><a:lstStyle/><a:p><a:r><a:rPr lang="en-US"/><a:t>Millions</a:t></a:r></a:p></c:rich></c:tx></c:title><c:numFmt formatCode="General" sourceLinked="1"/><c:crossAx val="1"/></c:valAx></c:plotArea><c:legend><c:legendPos val="b"/></c:legend><c:plotVisOnly val="1"/></c:chart><c:externalData r:id="rId3"><c:autoUpdate val="0"/></c:externalData></c:chartSpace>)",
      "Sales by region\nRevenue\nNorth\nSouth & West\nMillions\n",
      {"Sheet1", "$B$1", "General", "4.3", "2.5", "uniqueId", "{00000000", "minMax", "rId3"}});
  parts.push_back({"PowerPoint chart", TPartText::Chart,
      R"(<c:chartSpace xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart" xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"><c:chart><c:plotArea><c:lineChart><c:grouping val="standard"/>)"
      R"(<c:ser><c:idx val="0"/><c:order val="0"/><c:tx><c:v>Literal name</c:v></c:tx><c:cat><c:numRef><c:f>Sheet1!$A$2:$A$3</c:f><c:numCache><c:formatCode>General</c:formatCode><c:ptCount val="2"/><c:pt idx="0"><c:v>2023</c:v></c:pt><c:pt idx="1"><c:v>2024</c:v></c:pt></c:numCache></c:numRef></c:cat><c:val><c:numLit><c:formatCode>0.0</c:formatCode><c:ptCount val="2"/><c:pt idx="0"><c:v>17.25</c:v></c:pt><c:pt idx="1"><c:v>18.5</c:v></c:pt></c:numLit></c:val></c:ser>)"
      R"(<c:ser><c:idx val="1"/><c:order val="1"/><c:cat><c:multiLvlStrRef><c:f>Sheet1!$A$2:$B$3</c:f><c:multiLvlStrCache><c:ptCount val="2"/><c:lvl><c:pt idx="0"><c:v>Jan</c:v></c:pt><c:pt idx="1"><c:v>Feb</c:v></c:pt></c:lvl><c:lvl><c:pt idx="0"><c:v>Q1</c:v></c:pt></c:lvl></c:multiLvlStrCache></c:multiLvlStrRef></c:cat><c:val><c:numRef><c:f>Sheet1!$C$2:$C$3</c:f><c:numCache><c:formatCode>General</c:formatCode><c:ptCount val="2"/><c:pt idx="0"><c:v>99.5</c:v></c:pt></c:numCache></c:numRef></c:val></c:ser>)"
      R"(<c:extLst><c:ext uri="{02D57815-91ED-43cb-92C2-25804820EDAC}" xmlns:c15="http://schemas.microsoft.com/office/drawing/2012/chart"><c15:filteredLineSeries><c15:ser><c:idx val="2"/><c:order val="2"/><c:tx><c:strRef><c:extLst><c:ext uri="{02D57815-91ED-43cb-92C2-25804820EDAC}"><c15:formulaRef><c15:sqref>Sheet1!$D$1</c15:sqref></c15:formulaRef></c:ext></c:extLst><c:strCache><c:ptCount val="1"/><c:pt idx="0"><c:v>Hidden series</c:v></c:pt></c:strCache></c:strRef></c:tx></c15:ser></c15:filteredLineSeries></c:ext></c:extLst>)"
      R"(<c:axId val="5"/></c:lineChart></c:plotArea></c:chart></c:chartSpace>)",
      "Literal name\n2023\n2024\nJan\nFeb\nQ1\n", {"17.25", "18.5", "99.5", "Hidden", "0.0", "Sheet1"}});
  parts.push_back({"SmartArt data", TPartText::Drawing,
      R"(<dgm:dataModel xmlns:dgm="http://schemas.openxmlformats.org/drawingml/2006/diagram" xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"><dgm:ptLst>)"
      R"(<dgm:pt modelId="{6A1B5A2E-0D4A-4C5B-9E37-2F0A1C3D4E5F}" type="doc"><dgm:prSet loTypeId="urn:microsoft.com/office/officeart/2005/8/layout/default" loCatId="list" qsTypeId="urn:microsoft.com/office/officeart/2005/8/quickstyle/simple1" qsCatId="simple" csTypeId="urn:microsoft.com/office/officeart/2005/8/colors/accent1_2" csCatId="accent1" phldr="1"/><dgm:spPr/><dgm:t><a:bodyPr/><a:lstStyle/><a:p><a:endParaRPr lang="en-US"/></a:p></dgm:t></dgm:pt>)"
      R"(<dgm:pt modelId="{1}"><dgm:prSet phldrT="[Text]"/><dgm:spPr/><dgm:t><a:bodyPr/><a:lstStyle/><a:p><a:r><a:rPr lang="en-US" dirty="0"/><a:t>Plan</a:t></a:r></a:p></dgm:t></dgm:pt>)"
      R"(<dgm:pt modelId="{2}" type="parTrans" cxnId="{7}"><dgm:prSet/><dgm:spPr/><dgm:t><a:bodyPr/><a:lstStyle/><a:p><a:endParaRPr lang="en-US"/></a:p></dgm:t></dgm:pt>)"
      "<dgm:pt modelId=\"{4}\"><dgm:prSet phldrT=\"[Text]\"/><dgm:spPr/><dgm:t>\n  <a:bodyPr/>\n  <a:lstStyle/>\n  <a:p>\n    <a:r><a:rPr lang=\"en-US\"/><a:t>Build and </a:t></a:r>\n"
      "    <a:r><a:rPr lang=\"en-US\" i=\"1\"/><a:t>ship</a:t></a:r>\n  </a:p>\n</dgm:t></dgm:pt>"
      R"(<dgm:pt modelId="{5}" type="pres"><dgm:prSet presAssocID="{1}" presName="node" presStyleLbl="node1" presStyleIdx="0" presStyleCnt="2"><dgm:presLayoutVars><dgm:bulletEnabled val="1"/></dgm:presLayoutVars></dgm:prSet><dgm:spPr/></dgm:pt></dgm:ptLst>)"
      R"(<dgm:cxnLst><dgm:cxn modelId="{7}" srcId="{6A1B5A2E-0D4A-4C5B-9E37-2F0A1C3D4E5F}" destId="{1}" srcOrd="0" destOrd="0" parTransId="{2}" sibTransId="{3}"/></dgm:cxnLst><dgm:bg/><dgm:whole/><dgm:extLst><a:ext uri="http://schemas.microsoft.com/office/drawing/2008/diagram"><dsp:dataModelExt xmlns:dsp="http://schemas.microsoft.com/office/drawing/2008/diagram" relId="rId6" minVer="http://schemas.openxmlformats.org/drawingml/2006/diagram"/></a:ext></dgm:extLst></dgm:dataModel>)",
      "Plan\nBuild and ship\n", {"[Text]", "node1", "layout", "rId6", "Build and  ", "ship "}});
  parts.push_back({"Excel drawing", TPartText::Drawing,
      R"(<xdr:wsDr xmlns:xdr="http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing" xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"><xdr:twoCellAnchor><xdr:from><xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>2</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>4</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>6</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to>)"
      R"(<xdr:sp macro="" textlink=""><xdr:nvSpPr><xdr:cNvPr id="2" name="TextBox 1" descr="alt words"/><xdr:cNvSpPr txBox="1"/></xdr:nvSpPr><xdr:spPr><a:xfrm><a:off x="609600" y="381000"/><a:ext cx="1828800" cy="762000"/></a:xfrm><a:prstGeom prst="rect"><a:avLst/></a:prstGeom></xdr:spPr>)"
      R"(<xdr:txBody><a:bodyPr vertOverflow="clip" horzOverflow="clip" wrap="square" rtlCol="0" anchor="t"/><a:lstStyle/><a:p><a:r><a:rPr lang="en-US" sz="1100"/><a:t>Checked by</a:t></a:r><a:br><a:rPr lang="en-US" sz="1100"/></a:br><a:r><a:rPr lang="en-US" sz="1100"/><a:t>audit</a:t></a:r></a:p><a:p><a:r><a:rPr lang="en-US" sz="1100"/><a:t>Second paragraph</a:t></a:r></a:p></xdr:txBody></xdr:sp><xdr:clientData/></xdr:twoCellAnchor>)"
      R"(<mc:AlternateContent xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006"><mc:Choice xmlns:sle15="http://schemas.microsoft.com/office/drawing/2012/slicer" Requires="sle15"><xdr:graphicFrame macro=""><xdr:nvGraphicFramePr><xdr:cNvPr id="3" name="Region"/><xdr:cNvGraphicFramePr/></xdr:nvGraphicFramePr><a:graphic><a:graphicData uri="http://schemas.microsoft.com/office/drawing/2010/slicer"><sle:slicer xmlns:sle="http://schemas.microsoft.com/office/drawing/2010/slicer" name="Region"/></a:graphicData></a:graphic></xdr:graphicFrame></mc:Choice>)"
      R"(<mc:Fallback><xdr:sp macro="" textlink=""><xdr:nvSpPr><xdr:cNvPr id="0" name=""/><xdr:cNvSpPr><a:spLocks noTextEdit="1"/></xdr:cNvSpPr></xdr:nvSpPr><xdr:spPr/><xdr:txBody><a:bodyPr/><a:p><a:r><a:rPr lang="en-US" sz="1100"/><a:t>This shape represents a table slicer.</a:t></a:r></a:p></xdr:txBody></xdr:sp></mc:Fallback></mc:AlternateContent></xdr:wsDr>)",
      "Checked by\naudit\nSecond paragraph\n", {"TextBox", "alt words", "slicer", "Region", "609600"}});
  parts.push_back({"Excel workbook", TPartText::Workbook,
      R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
      "\r\n"
      R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><fileVersion appName="xl" lastEdited="7" lowestEdited="7" rupBuild="27328"/><workbookPr defaultThemeVersion="166925"/><bookViews><workbookView xWindow="-120" yWindow="-120" windowWidth="29040" windowHeight="15840"/></bookViews>)"
      R"(<sheets><sheet name="Budget 2024" sheetId="1" r:id="rId1"/><sheet name="R&amp;D &#x4E2D;" sheetId="2" state="hidden" r:id="rId2"/><sheet sheetId="3" r:id="rId3" name='Its "plan"'/></sheets><definedNames><definedName name="_xlnm.Print_Area" localSheetId="0">'Budget 2024'!$A$1:$C$9</definedName></definedNames><calcPr calcId="191029"/></workbook>)",
      "Budget 2024\nR&D \xE4\xB8\xAD\nIts \"plan\"\n", {"Print_Area", "$A$1", "rId", "xl", "191029", "hidden"}});
  parts.push_back({"OpenDocument spreadsheet", TPartText::OpenDocument,
      R"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.3"><office:body><office:spreadsheet><table:calculation-settings table:automatic-find-labels="false"/>)"
      R"(<table:table table:name="Q1 &amp; Q2" table:style-name="ta1"><table:table-column table:style-name="co1" table:default-cell-style-name="Default"/><table:table-row table:style-name="ro1"><table:table-cell office:value-type="string" calcext:value-type="string"><text:p>North</text:p></table:table-cell><table:table-cell office:value-type="float" office:value="1250.5" calcext:value-type="float"><text:p>1250.5</text:p></table:table-cell></table:table-row></table:table>)"
      R"(<table:table table:name="Notes" table:style-name="ta1"><table:table-row><table:table-cell/></table:table-row></table:table><table:named-expressions><table:named-range table:name="Totals" table:base-cell-address="$Notes.$A$1" table:cell-range-address="$Notes.$A$1"/></table:named-expressions></office:spreadsheet></office:body></office:document-content>)",
      "Q1 & Q2\nNorth\n1250.5\nNotes\n", {"ta1", "co1", "Default", "Totals", "$A$1"}});
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
    ExpectTextHoweverFed(part.Rules, part.Xml, part.Text);
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
            "a" + std::string(TDocumentText::kMaxBlankRun, ' ') + "b c\n");

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

TEST(DocumentText, SoftHyphensBlanksTabsDeclarationsAndReferencesReadAsAReaderSeesThem) {
  const struct {
    const char* Name;
    TPartText Rules;
    std::string Xml;
    std::string Text;
  } cases[] = {
      // A soft hyphen is no character, however it is typed.
      {"soft hyphens in content.xml", TPartText::OpenDocument,
       "<office:body><office:text><text:p>lsoft\xC2\xADhyphenword and \xC2\xAD x</text:p>"
       "<text:p>a&#173;b&#xAD;c&#xad;d</text:p></office:text></office:body>",
       "lsofthyphenword and x\nabcd\n"},
      {"soft hyphens in a chapter", TPartText::Xhtml,
       "<html><body><p>soft&shy;hyphen &#173;x&#xAD;y\xC2\xAD \xC2\xADz</p><pre>p\xC2\xADre</pre></body></html>",
       "softhyphen xy z\npre\n"},
      {"soft hyphens beside other Latin-1 characters in w:t", TPartText::OfficeOpenXml,
       "<w:body><w:p><w:r><w:t>ab\xC2\xAD" "cd\xC2\xA0" "e\xC2\xA9&#xAD;f</w:t></w:r></w:p></w:body>",
       "abcd\xC2\xA0" "e\xC2\xA9" "f\n"},
      {"soft hyphen in a title", TPartText::Properties,
       "<cp:coreProperties><dc:title>Hyphen\xC2\xAD" "ated</dc:title></cp:coreProperties>", "Hyphenated\n"},
      {"soft hyphen in SmartArt", TPartText::Drawing,
       "<dgm:dataModel><dgm:pt><dgm:t><a:p><a:r><a:t>Smart\xC2\xAD" "Art</a:t></a:r></a:p></dgm:t></dgm:pt></dgm:dataModel>",
       "SmartArt\n"},
      {"soft hyphens in a sheet name", TPartText::Workbook,
       "<workbook><sheets><sheet name=\"Q1&#173;Q2\xC2\xAD" "x\"/></sheets></workbook>", "Q1Q2x\n"},

      // White space of the source is one blank where the format says so.
      {"content.xml wrapped by a pretty printer", TPartText::OpenDocument,
       "<office:body>\n  <office:text>\n    <text:p>zpretty\n      collapse</text:p>\n    <text:p>\n"
       "      a \t\r\n b <text:span> c </text:span>  d\n    </text:p>\n  </office:text>\n</office:body>",
       "zpretty collapse\na b c d\n"},
      {"spaces, tabs and line breaks of OpenDocument among source blanks", TPartText::OpenDocument,
       "<office:body><text:p>a <text:s/> b<text:s text:c=\"2\"/>c <text:tab/> d<text:line-break/>  e</text:p>"
       "<text:p> <text:s/> x </text:p></office:body>",
       "a   b  c \t d\ne\n  x\n"},
      {"a wrapped header", TPartText::OpenDocumentStyles,
       "<style:master-page><style:header><text:p>Company\n      Confidential</text:p></style:header></style:master-page>",
       "Company Confidential\n"},
      {"a hard-wrapped chapter", TPartText::Xhtml,
       "<html><body>\n<p>The quick brown\n      fox</p>\n<p>a<em> b </em> c\t\td</p><pre>a   b\n  c</pre></body></html>",
       "The quick brown fox\na b c d\na   b\n  c\n"},
      {"blanks of w:t as Word stores them", TPartText::OfficeOpenXml,
       "<w:body><w:p><w:r><w:t xml:space=\"preserve\">two  blanks</w:t></w:r><w:r><w:t xml:space=\"preserve\">"
       "   three</w:t></w:r></w:p></w:body>",
       "two  blanks   three\n"},
      {"blanks of a property as written", TPartText::Properties,
       "<cp:coreProperties><dc:title>a  b</dc:title></cp:coreProperties>", "a  b\n"},

      // Word's positional tab is a tab.
      {"w:ptab", TPartText::OfficeOpenXml,
       "<w:body><w:p><w:r><w:t>zptab</w:t><w:ptab w:relativeTo=\"margin\" w:alignment=\"right\" w:leader=\"none\"/>"
       "<w:t>next</w:t></w:r></w:p></w:body>",
       "zptab\tnext\n"},

      // Quotes in a document type's subset count only in its declarations.
      {"a quote in a comment of the subset", TPartText::Xhtml,
       "<!DOCTYPE x [ <!-- it's > ] --> ]><html><body>visible</body></html>", "visible\n"},
      {"declarations, instructions and comments in the subset", TPartText::Xhtml,
       "<!DOCTYPE html [\n<!ENTITY e \"a]>b\">\n<!ENTITY f 'it\"s'>\n<?pi it's ]> ?>\n<!-- \"quoted\" -- - -->\n"
       "<!ATTLIST p x CDATA \"]]>\">\n]>\n<html><body><p>shown</p></body></html>",
       "shown\n"},
      {"a subset before a Word body", TPartText::OfficeOpenXml,
       "<?xml version=\"1.0\"?><!DOCTYPE w:document [ <!-- don't --> ]><w:document><w:body><w:p><w:r><w:t>kept</w:t>"
       "</w:r></w:p></w:body></w:document>",
       "kept\n"},

      // A chapter knows HTML's names; other parts XML's five.
      {"HTML's named references", TPartText::Xhtml,
       "<html><body><p>&alpha;&NotNestedGreaterGreater;&amp;&AElig;&zwnj;&CounterClockwiseContourIntegral;&nbsp;"
       "&hellip;&fjlig;</p><p>&alphax; &ALPHA; &Counterclockwisecontourintegral; &#x3B1;</p><p>a&Tab;b&NewLine;c</p>"
       "</body></html>",
       "\xCE\xB1" "\xE2\xAA\xA2\xCC\xB8" "&" "\xC3\x86" "\xE2\x80\x8C" "\xE2\x88\xB3" "\xC2\xA0" "\xE2\x80\xA6" "fj\n"
       "&alphax; &ALPHA; &Counterclockwisecontourintegral; \xCE\xB1\na\tb\nc\n"},
      {"XML's references only in Word", TPartText::OfficeOpenXml,
       "<w:body><w:p><w:r><w:t>&alpha; &amp; &nbsp;&apos;</w:t></w:r></w:p></w:body>", "&alpha; & &nbsp;'\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    ExpectTextHoweverFed(c.Rules, c.Xml, c.Text);
  }
}

// Paragraphs of words and blanks as each format's producers may write them:
// source white space split by tags, OpenDocument's counted spaces, runs far
// longer than any word, soft hyphens and references inside words.
TEST(DocumentText, GeneratedParagraphsKeepTheirBlanksByEachFormatsRule) {
  constexpr std::size_t kMaxRun = TDocumentText::kMaxBlankRun;
  static_assert(kMaxRun >= 257, "a run keeps any word of 255 bytes with a blank on either side");
  enum class TKind { Word, Source, Spaces, Split };
  struct TItem {
    TKind Kind;
    std::string Text;     // a word as the reader sees it
    std::size_t Count = 0;  // blanks of the source or of text:s
  };
  std::mt19937 random(7031);
  const auto below = [&random](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };

  for (int round = 0; round < 150; ++round) {
    for (const TPartText rules : {TPartText::OfficeOpenXml, TPartText::OpenDocument, TPartText::Xhtml}) {
      std::string xml;
      std::vector<TItem> items;
      const std::size_t itemCount = 1 + below(12);
      for (std::size_t i = 0; i < itemCount; ++i) {
        const std::size_t pick = below(20);
        if (pick < 7) {
          TItem word{TKind::Word, {}};
          const std::size_t pieces = 1 + below(6);
          for (std::size_t p = 0; p < pieces; ++p) {
            const std::size_t form = p == 0 ? 0 : below(8);
            if (form <= 2) {
              const char letter = static_cast<char>('a' + below(26));
              word.Text += letter;
              xml += letter;
            } else if (form == 3) {
              word.Text += "\xC3\xA9";
              xml += "\xC3\xA9";
            } else if (form == 4) {
              word.Text += "&";
              xml += "&amp;";
            } else {  // a soft hyphen, typed one way or another
              const char* const typed[] = {"\xC2\xAD", "&#173;", "&#xAD;", "&shy;"};
              xml += typed[below(rules == TPartText::Xhtml ? 4 : 3)];
            }
          }
          items.push_back(word);
        } else if (pick < 14 || (pick < 17 && rules != TPartText::OpenDocument)) {
          const std::size_t count = below(8) == 0 ? 200 + below(1300) : 1 + below(4);
          for (std::size_t k = 0; k < count; ++k) xml += rules == TPartText::OfficeOpenXml ? ' ' : " \t\r\n"[below(4)];
          items.push_back({TKind::Source, {}, count});
        } else if (pick < 17) {
          const std::size_t count = below(6) == 0 ? 300 + below(900) : 1 + below(3);
          xml += count == 1 && below(2) == 0 ? "<text:s/>" : "<text:s text:c=\"" + std::to_string(count) + "\"/>";
          items.push_back({TKind::Spaces, {}, count});
        } else {
          xml += rules == TPartText::OfficeOpenXml ? "</w:t></w:r><w:r><w:rPr><w:b/></w:rPr><w:t xml:space=\"preserve\">"
                 : rules == TPartText::OpenDocument ? "<text:bookmark text:name=\"m\"/>"
                                                    : "<a id=\"m\"></a>";
          items.push_back({TKind::Split, {}});
        }
      }
      if (rules == TPartText::OfficeOpenXml)
        xml = "<w:document><w:body><w:p><w:r><w:t xml:space=\"preserve\">" + xml + "</w:t></w:r></w:p></w:body></w:document>";
      else if (rules == TPartText::OpenDocument)
        xml = "<office:body><office:text><text:p>" + xml + "</text:p></office:text></office:body>";
      else
        xml = "<html><body><p>" + xml + "</p></body></html>";

      // What a reader sees: source blanks between tags are one stretch, written
      // only between visible characters, as they are (Word) or as one blank.
      const auto visible = [](const TItem& item) { return item.Kind == TKind::Word || item.Kind == TKind::Spaces; };
      std::string line;
      for (std::size_t i = 0; i < items.size();) {
        if (items[i].Kind != TKind::Source) {
          if (items[i].Kind == TKind::Word) line += items[i].Text;
          if (items[i].Kind == TKind::Spaces) line += std::string(items[i].Count, ' ');
          ++i;
          continue;
        }
        std::size_t end = i, blanks = 0;
        for (; end < items.size() && (items[end].Kind == TKind::Source || items[end].Kind == TKind::Split); ++end)
          blanks += items[end].Count;
        const bool before = std::any_of(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(i), visible);
        const bool after = std::any_of(items.begin() + static_cast<std::ptrdiff_t>(end), items.end(), visible);
        if (before && after) line += std::string(rules == TPartText::OfficeOpenXml ? blanks : 1, ' ');
        i = end;
      }
      std::string text;  // runs of blanks beyond the most kept
      std::size_t run = 0;
      for (char c : line) {
        run = c == ' ' ? run + 1 : 0;
        if (run <= kMaxRun) text += c;
      }
      if (!text.empty()) text += '\n';

      SCOPED_TRACE(xml.substr(0, 300));
      ExpectTextHoweverFed(rules, xml, text, xml.size() / 13 + 1);
      if (HasFailure()) return;
    }
  }
}

// 8 MiB of blanks, or of spaces asked for, cost no more than a line can hold:
// each feed of 64 KiB writes about what its bytes stand for.
TEST(DocumentText, LongRunsOfBlanksCostBoundedOutput) {
  constexpr std::size_t kMaxRun = TDocumentText::kMaxBlankRun;
  const std::string blanks(4096, ' ');
  const struct {
    const char* Name;
    TPartText Rules;
    std::string Xml;
    std::string Text;
  } cases[] = {
      {"preserved blanks in Word", TPartText::OfficeOpenXml,
       [&] {
         std::string xml = "<w:body><w:p><w:r><w:t>a</w:t></w:r>";
         for (int i = 0; i < 2048; ++i) xml += "<w:r><w:t xml:space=\"preserve\">" + blanks + "</w:t></w:r>";
         return xml + "<w:r><w:t>b</w:t></w:r></w:p></w:body>";
       }(),
       "a" + std::string(kMaxRun, ' ') + "b\n"},
      {"counted spaces", TPartText::OpenDocument,
       [] {
         std::string xml = "<office:body><text:p>a";
         for (int i = 0; i < 200000; ++i) xml += "<text:s text:c=\"1024\"/>";
         xml += "b";
         for (int i = 0; i < 20000; ++i) xml += "<text:s text:c=\"1024\"/>x";
         return xml + "</text:p></office:body>";
       }(),
       [] {
         std::string text = "a" + std::string(kMaxRun, ' ') + "b";
         for (int i = 0; i < 20000; ++i) text += std::string(kMaxRun, ' ') + "x";
         return text + "\n";
       }()},
      {"source white space in a chapter", TPartText::Xhtml,
       "<html><body><p>a" + std::string(8 << 20, '\n') + "<i>" + blanks + "</i>b</p></body></html>", "a b\n"},
      {"preformatted blanks", TPartText::Xhtml,
       "<html><body><pre>a" + std::string(8 << 20, ' ') + "b</pre></body></html>",
       "a" + std::string(kMaxRun, ' ') + "b\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TDocumentText reader(c.Rules);
    std::string text, piece;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(c.Xml.data());
    for (std::size_t at = 0; at < c.Xml.size(); at += 64 << 10) {
      const std::size_t size = std::min<std::size_t>(64 << 10, c.Xml.size() - at);
      piece.clear();
      reader.Feed(bytes + at, size, piece);
      const auto tags = static_cast<std::size_t>(std::count(c.Xml.begin() + static_cast<std::ptrdiff_t>(at),
                                                            c.Xml.begin() + static_cast<std::ptrdiff_t>(at + size), '<'));
      ASSERT_LE(piece.size(), 2 * size + kMaxRun * (tags + 1)) << "feed at " << at;
      text += piece;
    }
    reader.Finish(text);
    EXPECT_TRUE(text == c.Text) << text.size() << " bytes against " << c.Text.size();
  }
}

TEST(DocumentText, ACellWatchLearnsWhereEachSheetCellsTextBegins) {
  const std::string xml =
      R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)"
      R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1"><v>12.5</v></c><c r="C1" t="inlineStr"><is><t>typed</t></is></c>)"
      R"(<c r="D1" t="b"><v>1</v></c><c r="E1" s="3"/><c r="F1" t="str"><f>A1&amp;"th"</f><v>North</v></c></row>)"
      R"(<row r="2"><c r="A2" t="inlineStr"><is><r><t>two</t></r><r><t xml:space="preserve"> runs</t></r></is></c>)"
      R"(<c r="B2" s="1"><v>-3</v></c><c r="C2" t="inlineStr"><is><t></t></is></c><c r="D2" t="e"><v>#N/A</v></c></row>)"
      R"(</sheetData></worksheet>)";
  const std::string text = "12.5\ntyped\nNorth\ntwo runs\n-3\n#N/A\n";
  const std::vector<std::pair<std::string, std::size_t>> cells = {
      {"B1", 0}, {"C1", 5}, {"F1", 11}, {"A2", 17}, {"B2", 26}, {"D2", 29}};

  // Fed in pieces of every size, each into an output string of its own: the
  // offsets are within that piece's output, and add up to the cells' places.
  for (const std::string& bytes : {xml, Utf16Bytes(xml, true, true), Utf16Bytes(xml, false, false)}) {
    for (std::size_t size = 1; size <= bytes.size(); size = size < 16 ? size + 1 : size * 3) {
      SCOPED_TRACE(size);
      TDocumentText reader(TPartText::OfficeOpenXml);
      const std::string earlier = "(earlier)";  // what the caller's string holds before each feed
      std::vector<std::pair<std::string, std::size_t>> seen;
      std::string all, piece;
      reader.SetCellWatch([&](std::string_view reference, std::size_t at) {
        EXPECT_EQ(at, piece.size());
        EXPECT_GE(at, earlier.size());
        seen.emplace_back(std::string(reference), all.size() + at - earlier.size());
      });
      for (std::size_t at = 0; at < bytes.size(); at += size) {
        piece = earlier;
        reader.Feed(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at, std::min(size, bytes.size() - at), piece);
        all += piece.substr(earlier.size());
      }
      piece = earlier;
      reader.Finish(piece);
      all += piece.substr(earlier.size());
      EXPECT_EQ(all, text);
      EXPECT_EQ(seen, cells);
    }
  }
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
      {TPackageKind::OfficeOpenXml, "word/diagrams/data1.xml", TPartText::Drawing},
      {TPackageKind::OfficeOpenXml, "ppt/diagrams/data12.xml", TPartText::Drawing},
      {TPackageKind::OfficeOpenXml, "xl/diagrams/data1.xml", TPartText::Drawing},
      {TPackageKind::OfficeOpenXml, "ppt/diagrams/drawing12.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "word/diagrams/drawing1.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "word/diagrams/layout1.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "ppt/diagrams/quickStyle1.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "ppt/diagrams/colors1.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "word/charts/chart1.xml", TPartText::Chart},
      {TPackageKind::OfficeOpenXml, "xl/charts/chart2.xml", TPartText::Chart},
      {TPackageKind::OfficeOpenXml, "ppt/charts/Chart3.xml", TPartText::Chart},
      {TPackageKind::OfficeOpenXml, "word/charts/style1.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "xl/charts/colors1.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "ppt/charts/_rels/chart3.xml.rels", TPartText::None},
      {TPackageKind::OfficeOpenXml, "word/charts/embeddings/chart1.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "xl/drawings/drawing1.xml", TPartText::Drawing},
      {TPackageKind::OfficeOpenXml, "xl/drawings/vmlDrawing1.vml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "xl/drawings/_rels/drawing1.xml.rels", TPartText::None},
      {TPackageKind::OfficeOpenXml, "word/drawings/drawing1.xml", TPartText::None},
      {TPackageKind::OfficeOpenXml, "xl/workbook.xml", TPartText::Workbook},
      {TPackageKind::OfficeOpenXml, "xl/workbook2.xml", TPartText::None},
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
