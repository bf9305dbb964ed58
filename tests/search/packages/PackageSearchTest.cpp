// Archives and documents searched by what they hold, through the whole search:
// packages made here by the test writer (documents' XML as their producers
// write it), each query run with and without helper threads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
}  // namespace sorvik
