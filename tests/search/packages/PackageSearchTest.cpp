// Archives and documents searched by what they hold, through the whole search:
// packages made here by the test writer (documents' XML as their producers
// write it), each query run with and without helper threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "PackageSearch.h"
#include "PdfWriter.h"
#include "SearchRecorder.h"
#include "TestFolder.h"
#include "ZipWriter.h"
#include "uFindThread.h"

namespace sorvik {
namespace {

using test::BuildZip;
using test::ZipItem;

std::string Bytes(const std::vector<std::uint8_t>& v) { return {v.begin(), v.end()}; }

ZipItem Stored(std::string name, std::string data) {
  ZipItem item;
  item.Name = std::move(name);
  item.Data = std::move(data);
  return item;
}

ZipItem Deflated(std::string name, std::string data) {
  ZipItem item = Stored(std::move(name), std::move(data));
  item.Deflate = true;
  return item;
}

std::string Utf16Le(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) out += std::string{c, '\0'};
  return out;
}

const char* const kWordNs = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";

// A Word document: "The review is done." split over runs as Word splits it,
// a second paragraph, a style name and an author that are no text.
std::string WordDocument() {
  const std::string body =
      std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:document ") + kWordNs +
      "><w:body><w:p w:rsidR=\"00A1\"><w:r><w:t xml:space=\"preserve\">The revi</w:t></w:r>"
      "<w:proofErr w:type=\"spellStart\"/><w:r><w:rPr><w:b/></w:rPr><w:t>ew</w:t></w:r>"
      "<w:r><w:t xml:space=\"preserve\"> is d&amp;one</w:t></w:r></w:p>"
      "<w:p><w:r><w:t>Second paragraph</w:t></w:r></w:p></w:body></w:document>";
  return Bytes(BuildZip({
      Deflated("[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"),
      Deflated("word/document.xml", body),
      Deflated("word/styles.xml", std::string("<w:styles ") + kWordNs + "><w:style w:styleId=\"Stylezq\"/></w:styles>"),
      Deflated("docProps/core.xml",
               "<cp:coreProperties xmlns:cp=\"c\" xmlns:dc=\"d\"><dc:title>Quarterly plan</dc:title>"
               "<dc:creator>Authorzq</dc:creator></cp:coreProperties>"),
  }));
}

std::string Spreadsheet() {
  return Bytes(BuildZip({
      Deflated("xl/sharedStrings.xml",
               "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>Invoice total</t></si>"
               "</sst>"),
      Deflated("xl/worksheets/sheet1.xml",
               "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"inlineStr\">"
               "<is><t>Walrus</t></is></c></row></sheetData></worksheet>"),
  }));
}

std::string OpenDocumentText() {
  return Bytes(BuildZip({
      Stored("mimetype", "application/vnd.oasis.opendocument.text"),
      Deflated("content.xml",
               "<office:document-content xmlns:office=\"o\" xmlns:text=\"t\"><office:automatic-styles>"
               "<style:style style:name=\"Hiddenzq\"/></office:automatic-styles><office:body><office:text>"
               "<text:p>Brave<text:s text:c=\"2\"/>new <text:span>wor</text:span>ld</text:p>"
               "</office:text></office:body></office:document-content>"),
  }));
}

// An archive: a UTF-16 note, an archive inside (deflated, with a document in
// it), an encrypted entry, a bomb and an entry after it.
std::string Archive() {
  ZipItem secret = Deflated("secret.txt", "Hushword");
  secret.Encrypted = true;
  ZipItem bomb;
  bomb.Name = "zeros.bin";
  bomb.Deflate = true;
  bomb.Raw = test::RawDeflate(std::string(std::size_t{64} << 20, '\0'), 9);
  bomb.RawSize = std::uint64_t{64} << 20;
  bomb.RawCrc = test::ZipCrc(std::string(std::size_t{64} << 20, '\0'));
  const std::string inner = Bytes(BuildZip({Deflated("deep/deep.txt", "Deepword here"),
                                            Deflated("nested.odt", OpenDocumentText())}));
  return Bytes(BuildZip({
      Deflated("notes/today.txt", Utf16Le("find Alpha")),
      Deflated("inner.zip", inner),
      secret,
      bomb,
      Deflated("after.txt", "Beta after the bomb"),
  }));
}

struct TQuery {
  std::string Words;
  TMatchMode Mode = TMatchMode::Any;
  bool Whole = false;
  bool Inside = true;
};

TQuery Q(std::string words, TMatchMode mode = TMatchMode::Any, bool whole = false, bool inside = true) {
  TQuery q;
  q.Words = std::move(words);
  q.Mode = mode;
  q.Whole = whole;
  q.Inside = inside;
  return q;
}

std::vector<std::string> Found(const std::string& folder, const TQuery& q, unsigned helpers) {
  test::TSearchRecorder rec;
  TSearchRun run(rec);
  TSearchRequest request;
  request.Folder = folder;
  request.Mask = "*.*";
  request.Words = q.Words;
  request.MatchMode = q.Mode;
  request.WholeWords = q.Whole;
  request.InsideDocuments = q.Inside;
  run.Worker().SetContentHelpers(helpers);
  run.Worker().SetRequest(request);
  run.Worker().Resume();
  run.Worker().WaitFor();
  EXPECT_TRUE(run.Worker().ErrorMessage().empty()) << run.Worker().ErrorMessage();
  return rec.Names();
}

TEST(PackageSearch, DocumentsAndArchivesByWhatTheyHold) {
  test::TTestFolder dir;
  dir.File("report.docx", WordDocument());
  dir.File("sums.xlsx", Spreadsheet());
  dir.File("story.odt", OpenDocumentText());
  dir.File("bundle.zip", Archive());
  dir.File("renamed.docx", "plainword, not a package");        // searched by its bytes
  dir.File("broken.zip", "PK\x03\x04 garbage, then plainword");  // reads as no package: by its bytes
  dir.File("stored.zip", Bytes(BuildZip({Stored("a.txt", "Storedword")})));
  using V = std::vector<std::string>;
  const auto check = [&](const TQuery& query, V want) {
    for (unsigned helpers : {0u, 2u}) {
      V got = Found(dir.Root(), query, helpers);
      std::sort(got.begin(), got.end());
      std::sort(want.begin(), want.end());
      EXPECT_EQ(got, want) << "words [" << query.Words << "] helpers " << helpers;
    }
  };
  // Words split over runs, entities, OpenDocument's spaces and spans.
  check(Q("review"), {"report.docx"});
  check(Q("d&one"), {"report.docx"});
  check(Q("\"Brave  new world\""), {"story.odt", "bundle.zip"});
  check(Q("walrus invoice"), {"sums.xlsx"});
  // The title is searched; markup, a style name, the author and a
  // shared string's index are not.
  check(Q("quarterly"), {"report.docx"});
  check(Q("schemas preserve rsidR sheetData stylezq authorzq hiddenzq mimetype"), {});
  // Paragraphs apart: whole words end there, a phrase never spans two.
  check(Q("d&one", TMatchMode::Any, true), {"report.docx"});
  check(Q("d&one Second", TMatchMode::Exact), {});
  check(Q("review is", TMatchMode::Exact), {"report.docx"});
  // Archives: entries in any encoding, nested to depth 2 (a document in an
  // archive in an archive), never an encrypted entry; entries after a bomb.
  check(Q("alpha"), {"bundle.zip"});
  check(Q("deepword"), {"bundle.zip"});
  check(Q("brave"), {"story.odt", "bundle.zip"});
  check(Q("hushword"), {});
  check(Q("beta"), {"bundle.zip"});
  // All mode judges a package whole: words from different entries.
  check(Q("alpha beta deepword", TMatchMode::All), {"bundle.zip"});
  check(Q("alpha walrus", TMatchMode::All), {});
  // What doesn't read as a package is searched by its bytes.
  check(Q("plainword"), {"renamed.docx", "broken.zip"});
  check(Q("storedword"), {"stored.zip"});
  // Switched off: bytes only, so a stored entry is found and deflated text is not.
  check(Q("storedword", TMatchMode::Any, false, false), {"stored.zip"});
  check(Q("review alpha", TMatchMode::Any, false, false), {});
}

// Stop and Pause reach inside an archive between its pieces, and the finder
// tells which entry it reads, nested ones by their path through the packages.
TEST(PackageSearch, InterruptAndEntryNamesReachInside) {
  test::TTestFolder dir;
  std::vector<ZipItem> many;
  for (int i = 0; i < 40; ++i) many.push_back(Deflated("part" + std::to_string(i) + ".txt", std::string(1 << 20, 'x')));
  const std::string big = dir.File("big.zip", Bytes(BuildZip(many)));
  const std::string nested = dir.File("nested.zip", Bytes(BuildZip({Deflated("in.zip", Bytes(BuildZip({
                                                                                 Deflated("a/b.txt", "nothing"),
                                                                             })))})));
  TBMHWordsFinder finder;
  finder.SetSearchInside(true);
  finder.SetWords("needle");
  int asked = 0;
  finder.SetInterrupt([&] { return ++asked > 3; });
  std::vector<std::string> entries;
  finder.SetEntryWatch([&](const std::string& e) { entries.push_back(e); });
  finder.AttachFile(big);
  EXPECT_EQ(finder.Find(), 0);
  EXPECT_TRUE(finder.Interrupted());
  EXPECT_LE(entries.size(), 4u) << "the reading went on after the interrupt";
  finder.SetInterrupt({});
  entries.clear();
  finder.AttachFile(nested);
  EXPECT_EQ(finder.Find(), 0);
  EXPECT_FALSE(finder.Interrupted());
  EXPECT_EQ(entries, (std::vector<std::string>{"in.zip", "in.zip > a/b.txt"}));
}

// The package searched directly: the streams it gives (their names, the bytes
// fed), never done early.
class TStreamLog : public IStreamSearch {
 public:
  std::vector<std::string> Names;
  std::string Text;         // everything fed, streams apart by "|"
  std::uint64_t Bytes = 0;  // fed in all
  void BeginFile() override {}
  void BeginStream(bool, const std::string& name) override { Names.push_back(name); }
  bool Feed(const std::uint8_t* data, std::size_t n) override {
    Bytes += n;
    if (Text.size() < (1u << 16)) Text.append(reinterpret_cast<const char*>(data), std::min<std::size_t>(n, 1u << 16));
    return true;
  }
  bool EndStream() override {
    Text += "|";
    return true;
  }
  bool Done() const override { return false; }
  bool Found() const override { return false; }
  bool WantsPlaces() const override { return true; }  // as the hit lines do: parts by their names
};

class TMemoryBytes : public IRandomBytes {
 public:
  explicit TMemoryBytes(std::string bytes) : Bytes_(std::move(bytes)) {}
  std::uint64_t Size() const override { return Bytes_.size(); }
  std::size_t ReadAt(std::uint64_t offset, std::uint8_t* buf, std::size_t n) override {
    if (offset >= Bytes_.size()) return 0;
    n = std::min<std::size_t>(n, Bytes_.size() - static_cast<std::size_t>(offset));
    std::memcpy(buf, Bytes_.data() + offset, n);
    return n;
  }

 private:
  std::string Bytes_;
};

TPackageReport Search(const std::string& bytes, TPackageKind kind, TStreamLog& log, TFileBudget* budget = nullptr) {
  TMemoryBytes file(bytes);
  TPackageOptions options;
  TPackageReport report;
  options.Report = &report;
  options.Limits.Budget = budget;
  SearchPackage(file, kind, log, options);
  return report;
}

// A document's parts go by the names a person knows: sheets by the names the
// workbook gives them, notes by the slide they belong to, the rest by kind;
// a document embedded in one is searched as a document inside it.
TEST(PackageSearch, PartsByTheNamesAPersonKnowsAndEmbeddedDocuments) {
  const std::string workbook = Bytes(BuildZip({
      Deflated("xl/workbook.xml",
               "<workbook xmlns:r=\"r\"><sheets><sheet name=\"Plan\" sheetId=\"1\" r:id=\"rId7\"/>"
               "<sheet name=\"R&amp;D &#x2014; 2025\" sheetId=\"2\" r:id=\"rId3\"/></sheets></workbook>"),
      Deflated("xl/_rels/workbook.xml.rels",
               "<Relationships><Relationship Id=\"rId3\" Type=\"t/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
               "<Relationship Id=\"rId7\" Type=\"t/worksheet\" Target=\"/xl/worksheets/sheet2.xml\"/></Relationships>"),
      Deflated("xl/worksheets/sheet1.xml", "<worksheet><sheetData><row><c r=\"A1\" t=\"inlineStr\"><is><t>Walrus</t>"
                                           "</is></c></row></sheetData></worksheet>"),
      Deflated("xl/worksheets/sheet2.xml", "<worksheet><sheetData><row><c r=\"B2\"><v>42</v></c></row></sheetData>"
                                           "</worksheet>"),
      Deflated("xl/worksheets/sheet3.xml", "<worksheet><sheetData/></worksheet>"),
      Deflated("xl/sharedStrings.xml", "<sst><si><t>Total</t></si></sst>"),
  }));
  TStreamLog sheets;
  Search(workbook, TPackageKind::OfficeOpenXml, sheets);
  EXPECT_EQ(sheets.Names, (std::vector<std::string>{"Sheet names", "R&D \xE2\x80\x94 2025", "Plan", "Sheet3",
                                                    "Shared strings"}));
  EXPECT_NE(sheets.Text.find("Walrus"), std::string::npos);

  const std::string deck = Bytes(BuildZip({
      Deflated("ppt/slides/slide2.xml", "<p:sld><a:t>Second</a:t></p:sld>"),
      Deflated("ppt/notesSlides/notesSlide1.xml", "<p:notes><a:t>Say hello</a:t></p:notes>"),
      Deflated("ppt/notesSlides/_rels/notesSlide1.xml.rels",
               "<Relationships><Relationship Id=\"rId1\" Type=\"t/notesMaster\" Target=\"../notesMasters/m1.xml\"/>"
               "<Relationship Id=\"rId2\" Type=\"http://x/relationships/slide\" Target=\"../slides/slide2.xml\"/>"
               "</Relationships>"),
      Deflated("ppt/notesSlides/notesSlide4.xml", "<p:notes><a:t>Orphan</a:t></p:notes>"),
      Deflated("ppt/comments/comment1.xml", "<p:cmLst><p:cm><p:text>Nice</p:text></p:cm></p:cmLst>"),
  }));
  TStreamLog slides;
  Search(deck, TPackageKind::OfficeOpenXml, slides);
  EXPECT_EQ(slides.Names,
            (std::vector<std::string>{"Slide 2", "Notes (slide 2)", "Notes (slide 4)", "Comments"}));

  const std::string letter = Bytes(BuildZip({
      Deflated("word/document.xml", std::string("<w:document ") + kWordNs +
                                        "><w:body><w:p><w:r><w:t>Dear</w:t></w:r></w:p></w:body></w:document>"),
      Deflated("word/header2.xml", std::string("<w:hdr ") + kWordNs + "><w:p><w:r><w:t>Top</w:t></w:r></w:p></w:hdr>"),
      Deflated("word/footnotes.xml", std::string("<w:footnotes ") + kWordNs + "/>"),
      Deflated("word/embeddings/Microsoft_Excel_Worksheet.xlsx", workbook),
      Deflated("word/embeddings/oleObject1.bin", "Walrus as bytes of an object: no text"),
      Deflated("docProps/core.xml", "<cp:coreProperties xmlns:dc=\"d\"><dc:title>T</dc:title></cp:coreProperties>"),
  }));
  TStreamLog letters;
  Search(letter, TPackageKind::OfficeOpenXml, letters);
  const std::string embedded = "word/embeddings/Microsoft_Excel_Worksheet.xlsx > ";
  EXPECT_EQ(letters.Names,
            (std::vector<std::string>{"Body", "Header", "Footnotes", embedded + "Sheet names", embedded + "Sheet1",
                                      embedded + "Sheet2", embedded + "Sheet3", embedded + "Shared strings",
                                      "Properties"}));
  EXPECT_NE(letters.Text.find("Walrus"), std::string::npos);

  // An archive's entries keep their paths, and so does a document inside it.
  TStreamLog archive;
  Search(Bytes(BuildZip({Deflated("docs/deck.pptx", deck), Deflated("docs/a.txt", "x")})), TPackageKind::Zip, archive);
  EXPECT_EQ(archive.Names.front(), "docs/deck.pptx > Slide 2");
  EXPECT_EQ(archive.Names.back(), "docs/a.txt");
}

// However a package nests, repeats and compresses its data, every reader of
// the file spends from one budget: the bytes made never pass it, and the
// reading says when it ended there. Under the budget everything is read.
TEST(PackageSearch, OneBudgetBoundsEveryReaderOfAFile) {
  std::mt19937 random(38);
  for (int round = 0; round < 24; ++round) {
    // Highly compressible entries, some inside packages inside packages.
    std::uint64_t made = 0;  // bytes every reader makes when nothing ends them
    const auto entries = [&](int count, std::uint64_t& total) {
      std::vector<ZipItem> items;
      for (int k = 0; k < count; ++k) {
        const std::size_t size = std::size_t{1} << (10 + random() % 11);  // 1 KiB to 1 MiB
        items.push_back(Deflated("e" + std::to_string(k) + ".txt", std::string(size, static_cast<char>('a' + k % 26))));
        total += size;
      }
      return items;
    };
    std::uint64_t innerMade = 0;
    std::vector<ZipItem> innerItems = entries(1 + static_cast<int>(random() % 12), innerMade);
    const std::string inner = Bytes(BuildZip(innerItems));
    std::vector<ZipItem> outer = entries(1 + static_cast<int>(random() % 6), made);
    const int copies = 1 + static_cast<int>(random() % 3);
    for (int k = 0; k < copies; ++k) {
      outer.push_back(Deflated("inner" + std::to_string(k) + ".zip", inner));
      made += inner.size() + innerMade;
    }
    outer.push_back(Deflated("last.txt", "zqlast"));
    made += 6;
    const std::string file = Bytes(BuildZip(outer));
    const std::uint64_t cap = round % 3 == 0 ? made + 1 : made / (2 + random() % 8);
    TFileBudget budget = TFileBudget::WithCap(cap);
    TStreamLog log;
    const TPackageReport report = Search(file, TPackageKind::Zip, log, &budget);
    SCOPED_TRACE(round);
    EXPECT_LE(log.Bytes, cap);
    EXPECT_LE(budget.Used(), cap);
    if (made <= cap) {
      EXPECT_FALSE(report.Limited);
      EXPECT_EQ(log.Bytes, made - copies * inner.size());  // the inner packages' own bytes are no stream
      EXPECT_EQ(log.Names.back(), "last.txt");
    } else {
      EXPECT_TRUE(report.Limited);
      EXPECT_EQ(LeftOutNote(report), "A limit on the work one file may cost ended the reading.");
    }
  }
}

// What a reading left out is said, one sentence a kind.
TEST(PackageSearch, TheNoteSaysWhatWasLeftOut) {
  ZipItem secret = Deflated("secret.txt", "x");
  secret.Encrypted = true;
  ZipItem secret2 = secret;
  secret2.Name = "secret2.txt";
  const std::string deep = Bytes(BuildZip({Deflated("d.zip", Bytes(BuildZip({Deflated(
                                                                   "e.zip", Bytes(BuildZip({Stored("f.txt", "z")})))})))}));
  std::string bytes = Bytes(BuildZip({secret, secret2, Deflated("deep.zip", deep), Stored("ok.txt", "fine")}));
  TStreamLog log;
  const TPackageReport report = Search(bytes, TPackageKind::Zip, log);
  EXPECT_EQ(report.Encrypted, 2u);
  EXPECT_EQ(report.TooDeep, 1u);
  EXPECT_EQ(LeftOutNote(report),
            "2 encrypted entries were not read. 1 package nested too deep was searched by its bytes.");
  EXPECT_EQ(LeftOutNote({}), "");
}

}  // namespace
}  // namespace sorvik

namespace sorvik {
namespace {

// A PDF (with the standard fonts' widths) that shows the words, on one page.
std::string PdfShowing(const std::string& words, const std::string& encrypt = {}) {
  test::TPdfWriter w;
  w.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  w.AddStream("", "BT /F1 12 Tf 72 700 Td (" + words + ") Tj ET", true);
  w.Add("<< /Type /Page /Parent 4 0 R /MediaBox [0 0 612 792] /Contents 2 0 R /Resources << /Font << /F1 1 0 R >> >> >>");
  w.Add("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  const int catalog = w.Add("<< /Type /Catalog /Pages 4 0 R >>");
  return w.Finish(catalog, test::TPdfWriter::TXref::Stream, encrypt);
}

// A PDF is read by the text its pages show, on its own or inside an archive
// (its pages named under it); one that asks for a password is said to; a file
// named .pdf that isn't one is no PDF.
TEST(PackageSearch, PdfsByTheirPagesAndInArchives) {
  TStreamLog own;
  const TPackageReport plain = Search(PdfShowing("Quarterly figures"), TPackageKind::Pdf, own);
  EXPECT_EQ(own.Names, (std::vector<std::string>{"page 1"}));
  EXPECT_EQ(own.Text, "Quarterly figures\n|");
  EXPECT_EQ(LeftOutNote(plain), "");
  TStreamLog inside;
  Search(Bytes(BuildZip({Deflated("docs/report.pdf", PdfShowing("inner words")), Stored("a.txt", "plain")})),
         TPackageKind::Zip, inside);
  EXPECT_EQ(inside.Names, (std::vector<std::string>{"docs/report.pdf > page 1", "a.txt"}));
  EXPECT_EQ(inside.Text, "inner words\n|plain|");
  // The standard handler, and a user password the empty one isn't.
  const std::string locked = PdfShowing(
      "secret", "/Encrypt << /Filter /Standard /V 2 /R 3 /Length 128 /P -4 /O <" + std::string(64, 'A') + "> /U <" +
                    std::string(64, '7') + "> >> /ID [<0123456789ABCDEF0123456789ABCDEF> <0123456789ABCDEF0123456789ABCDEF>]");
  TStreamLog none;
  EXPECT_EQ(LeftOutNote(Search(locked, TPackageKind::Pdf, none)), "This PDF is protected by a password.");
  EXPECT_TRUE(none.Names.empty());
  TStreamLog nested;
  EXPECT_EQ(LeftOutNote(Search(Bytes(BuildZip({Stored("x.pdf", locked)})), TPackageKind::Zip, nested)),
            "1 PDF protected by a password was not read.");
  TStreamLog foreign;
  EXPECT_EQ(LeftOutNote(Search(PdfShowing("x", "/Encrypt << /Filter /FOPN_foweb /V 1 >>"), TPackageKind::Pdf, foreign)),
            "1 PDF encrypted in a way that isn't read was not read.");
  TMemoryBytes notPdf("just text, named .pdf");
  TStreamLog bytes;
  EXPECT_EQ(SearchPackage(notPdf, TPackageKind::Pdf, bytes, {}), TPackageVerdict::NotPackage);
}

}  // namespace
}  // namespace sorvik
