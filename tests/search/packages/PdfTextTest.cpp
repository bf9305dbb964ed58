// A PDF's text as the search reads it: where words and lines part, which
// objects hold the pages and their text, and what damage is survived.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "PdfText.h"
#include "PdfWriter.h"

namespace sorvik {
namespace {

using test::TPdfWriter;

// Every stream's name and text, as the search is given them.
class TCollect : public IStreamSearch {
 public:
  void BeginFile() override {}
  void BeginStream(bool, const std::string& name) override { Streams.push_back({name, ""}); }
  bool Feed(const std::uint8_t* data, std::size_t n) override {
    Streams.back().second.append(reinterpret_cast<const char*>(data), n);
    return true;
  }
  bool EndStream() override { return true; }
  bool Done() const override { return false; }
  bool Found() const override { return false; }
  std::string Text(const std::string& name) const {
    for (const auto& [n, t] : Streams)
      if (n == name) return t;
    return "(no " + name + ")";
  }
  std::vector<std::pair<std::string, std::string>> Streams;
};

// Latin-1 glyphs half the font's size wide, a blank a quarter.
class TFixedFont : public IPdfGlyphs {
 public:
  void Decode(std::string_view bytes, std::vector<TPdfShownGlyph>& out, std::u32string& text) const override {
    for (const char c : bytes) {
      TPdfShownGlyph g;
      g.TextAt = static_cast<std::uint32_t>(text.size());
      g.TextLength = 1;
      text.push_back(static_cast<char32_t>(static_cast<unsigned char>(c)));
      g.Width = c == ' ' ? 0.25 : 0.5;
      g.WordSpace = c == ' ';
      out.push_back(g);
    }
  }
};

TPdfTextResult Read(const std::string& file, TCollect& out) {
  TFileBudget budget(file.size());
  const TPdfFontMaker fonts = [](IPdfObjects&, const TPdfObject& dict) -> std::shared_ptr<const IPdfGlyphs> {
    return dict.AsDict().Empty() ? nullptr : std::make_shared<TFixedFont>();
  };
  const TPdfTextString latin1 = [](std::string_view bytes) { return std::string(bytes); };
  return ReadPdfText(file, out, budget, fonts, latin1, {});
}

// One page of the given content, with a font F1.
std::string OnePage(const std::string& content, TPdfWriter::TXref xref = TPdfWriter::TXref::Table) {
  TPdfWriter w;
  const int font = w.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  const int stream = w.AddStream("", content);
  const int page = w.Add("<< /Type /Page /Parent 4 0 R /Contents " + std::to_string(stream) +
                         " 0 R /Resources << /Font << /F1 " + std::to_string(font) + " 0 R >> >> >>");
  w.Add("<< /Type /Pages /Kids [" + std::to_string(page) + " 0 R] /Count 1 >>");
  const int catalog = w.Add("<< /Type /Catalog /Pages 4 0 R >>");
  return w.Finish(catalog, xref);
}

TEST(PdfText, WordsAndLinesPartWhereTheGlyphsStand) {
  TCollect out;
  const TPdfTextResult r = Read(OnePage(
      // Kerning inside a word, a word drawn a glyph at a time, words 3 points apart.
      "BT /F1 10 Tf 72 700 Td [(Dif) -28 (ference)] TJ ET\n"
      "BT /F1 10 Tf 72 680 Td (g) Tj 5 0 Td (l) Tj 5 0 Td (y) Tj ET\n"
      "BT /F1 10 Tf 100 660 Td (two) Tj ET BT /F1 10 Tf 118 660 Td (words) Tj ET\n"
      // A TJ gap wide enough for a blank, a blank glyph, a new line by T*.
      "BT /F1 10 Tf 14 TL 72 640 Td [(wide) -300 (gap)] TJ (and one) ' T* (last) Tj ET\n"
      // Word spacing widens the blank glyph only; an inline image is no text.
      "BT /F1 10 Tf 3 Tw 72 600 Td (a b) Tj ET BI /W 4 /H 4 ID \x01(xx) Tj EI Q\nEI\n"
      "BT /F1 10 Tf 72 580 Td (after) Tj ET"), out);
  EXPECT_EQ(r.Open, TPdfOpen::Open);
  EXPECT_EQ(r.Pages, 1u);
  EXPECT_EQ(out.Text("page 1"), "Difference\ngly\ntwo words\nwide gap\nand one\nlast\na b\nafter\n");
}

// Pages in the tree's order with inherited resources; a tree that holds itself
// and an object that names itself end quietly; forms drawn, annotations and
// the document's title read.
TEST(PdfText, ThePageTreeFormsAnnotationsAndProperties) {
  TPdfWriter w;
  const int font = w.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");                      // 1
  const int form = w.AddStream("/Type /XObject /Subtype /Form /BBox [0 0 100 100] /Matrix [1 0 0 1 0 -50]",
                               "BT /F1 10 Tf 0 0 Td (formtext) Tj ET /Fm1 Do");                               // 2
  const int first = w.AddStream("", "BT /F1 10 Tf 72 700 Td (first page) Tj ET q /Fm1 Do Q");          // 3
  const int second = w.AddStream("", "BT /F1 10 Tf 72 700 Td (second) Tj ET");                          // 4
  const int third = w.AddStream("", "BT /F1 10 Tf 72 700 Td (third) Tj ET");                            // 5
  w.Add("<< /Type /Page /Parent 9 0 R /Contents [3 0 R 4 0 R] /Annots [7 0 R 8 0 R] >>");                // 6
  w.Add("<< /Type /Annot /Subtype /Text /Contents (a note) >>");                                         // 7
  w.Add("<< /Type /Annot /Subtype /Widget /FT /Tx /V (field value) /Contents 8 0 R >>");                 // 8
  w.Add("<< /Type /Pages /Kids [6 0 R 10 0 R 9 0 R] /Count 2 /Parent 11 0 R >>");                        // 9: holds itself
  w.Add("<< /Type /Page /Parent 9 0 R /Contents 5 0 R >>");                                              // 10
  w.Add("<< /Type /Pages /Kids [9 0 R] /Count 2 /Resources << /Font << /F1 1 0 R >> /XObject << /Fm1 2 0 R >> >> >>");  // 11
  const int catalog = w.Add("<< /Type /Catalog /Pages 11 0 R >>");                                      // 12
  const int info = w.Add("<< /Title (The Title) /Author (Not Searched) /Subject 14 0 R /Keywords 13 0 R >>");  // 13
  w.Add("(subject text)");                                                                               // 14
  (void)font, (void)form, (void)first, (void)second, (void)third;
  for (const auto xref : {TPdfWriter::TXref::Table, TPdfWriter::TXref::None}) {
    TCollect out;
    const TPdfTextResult r = Read(w.Finish(catalog, xref, "/Info " + std::to_string(info) + " 0 R"), out);
    ASSERT_EQ(r.Open, TPdfOpen::Open);
    EXPECT_EQ(r.Rebuilt, xref == TPdfWriter::TXref::None);
    ASSERT_EQ(out.Streams.size(), 3u);
    EXPECT_EQ(out.Streams[0].first, "Properties");
    EXPECT_EQ(out.Text("Properties"), "The Title\nsubject text\n");
    // In the content's order; the form draws itself too, which is passed over.
    EXPECT_EQ(out.Text("page 1"), "first page\nformtext\nsecond\na note\nfield value\n");
    EXPECT_EQ(out.Text("page 2"), "third\n");
  }
}

// A damaged cross-reference (wrong offsets, a /Prev loop, a stream's wrong
// /Length, a file cut short) is rebuilt from the objects the file holds; an
// incremental update's object is the one read.
TEST(PdfText, DamageIsSurvivedAndTheNewestRevisionCounts) {
  const std::string good = OnePage("BT /F1 10 Tf 72 700 Td (original words) Tj ET");
  TCollect plain;
  Read(good, plain);
  EXPECT_EQ(plain.Text("page 1"), "original words\n");
  // Every offset in the table moved by 7.
  std::string shifted = good;
  const std::size_t table = shifted.find("xref\n");
  shifted.insert(table, "garbage");
  {
    TCollect out;
    const TPdfTextResult r = Read(shifted, out);
    EXPECT_TRUE(r.Rebuilt);
    EXPECT_EQ(out.Text("page 1"), "original words\n");
  }
  // An update appended: object 2 (the content) again, a table of that one, /Prev to the first.
  const std::size_t prev = good.find("xref\n");
  std::string updated = good;
  const std::size_t at = updated.size();
  updated += "2 0 obj\n<< /Length 44 >>\nstream\nBT /F1 10 Tf 72 700 Td (updated words) Tj ET\nendstream\nendobj\n";
  const std::size_t xref = updated.size();
  char entry[32];
  std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", at);
  updated += "xref\n2 1\n" + std::string(entry) + "trailer\n<< /Size 6 /Root 5 0 R /Prev " + std::to_string(prev) +
             " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  {
    TCollect out;
    const TPdfTextResult r = Read(updated, out);
    EXPECT_FALSE(r.Rebuilt);
    EXPECT_EQ(out.Text("page 1"), "updated words\n");
  }
  // The /Prev chain loops back on itself: read once.
  {
    std::string looped = updated;
    looped.replace(looped.find("/Prev " + std::to_string(prev)), 6 + std::to_string(prev).size(),
                   "/Prev " + std::to_string(xref));
    TCollect out;
    Read(looped, out);
    EXPECT_EQ(out.Text("page 1"), "updated words\n");
  }
  // A stream's /Length too long: the data ends at "endstream".
  {
    std::string wrong = good;
    const std::size_t length = wrong.find("/Length ");
    wrong.replace(length, wrong.find(" >>", length) - length, "/Length 9999");
    TCollect out;
    Read(wrong, out);
    EXPECT_EQ(out.Text("page 1"), "original words\n");
  }
  // Cut short inside the cross-reference: still the page.
  {
    TCollect out;
    const TPdfTextResult r = Read(good.substr(0, good.find("xref\n") + 20), out);
    EXPECT_TRUE(r.Rebuilt);
    EXPECT_EQ(out.Text("page 1"), "original words\n");
  }
  // Nothing but bytes: no PDF.
  TCollect none;
  EXPECT_EQ(Read("%PDF-1.4 nothing here", none).Open, TPdfOpen::NotPdf);
  // An object that names itself, and arrays nested ten thousand deep, end quietly.
  TPdfWriter w;
  w.Add("1 0 R");
  w.Add(std::string(10000, '[') + std::string(10000, ']'));
  const int catalog = w.Add("<< /Type /Catalog /Pages 1 0 R /Deep 2 0 R >>");
  TCollect loops;
  EXPECT_EQ(Read(w.Finish(catalog), loops).Pages, 0u);
}

}  // namespace
}  // namespace sorvik

namespace sorvik {
namespace {

// Right-to-left words drawn left to right, as most producers place them, are
// read from their right end, numbers inside kept; drawn from the right they
// stay; text placed off the page is never seen.
TEST(PdfText, RightToLeftRunsAndTextOffThePage) {
  const auto order = [](const std::u32string& shown, bool fromTheLeft) {
    std::u32string line = shown;
    std::vector<double> at;
    for (std::size_t i = 0; i < line.size(); ++i) at.push_back(fromTheLeft ? double(i) : -double(i));
    PutInReadingOrder(line, at);
    return line;
  };
  // "שלום עולם" as it shows, then in its order.
  EXPECT_EQ(order(U"\u05DD\u05DC\u05D5\u05E2 \u05DD\u05D5\u05DC\u05E9", true), U"\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD");
  EXPECT_EQ(order(U"\u05E9\u05DC\u05D5\u05DD", false), U"\u05E9\u05DC\u05D5\u05DD");
  // Latin around stays; a number inside keeps its digits' order.
  EXPECT_EQ(order(U"see \u05D1 2024 \u05D0 here", true), U"see \u05D0 2024 \u05D1 here");
  TCollect out;
  TPdfWriter w;
  w.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  w.AddStream("", "BT /F1 10 Tf 72 700 Td (shown) Tj ET BT /F1 10 Tf 700 700 Td (beyond) Tj ET "
                  "BT /F1 10 Tf 72 -20 Td (below) Tj ET");
  w.Add("<< /Type /Page /Parent 4 0 R /Contents 2 0 R /Resources << /Font << /F1 1 0 R >> >> >>");
  w.Add("<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 612 792] >>");
  Read(w.Finish(w.Add("<< /Type /Catalog /Pages 4 0 R >>")), out);
  EXPECT_EQ(out.Text("page 1"), "shown\n");
}

}  // namespace
}  // namespace sorvik
