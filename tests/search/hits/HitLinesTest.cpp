// The hit lines of files made here, whose lines, endings and planted words the
// test chose: the numbers and texts expected are known by construction, and the
// test's own encoders write the bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "HitLines.h"
#include "TestFolder.h"
#include "ZipWriter.h"

namespace sorvik {
namespace {

enum class TEnc { Utf8, Ansi, Utf16Le, Utf16Be };

// Code points as the encoding writes them (the ANSI code page of the native
// tests is Windows-1252: only ASCII and U+00E9 are used there).
std::string Encode(const std::u32string& text, TEnc enc) {
  std::string out;
  for (char32_t c : text) {
    switch (enc) {
      case TEnc::Ansi:
        out += static_cast<char>(c == U'\u00E9' ? 0xE9 : c);
        break;
      case TEnc::Utf8:
        if (c < 0x80) {
          out += static_cast<char>(c);
        } else if (c < 0x800) {
          out += static_cast<char>(0xC0 | (c >> 6));
          out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
          out += static_cast<char>(0xE0 | (c >> 12));
          out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
          out += static_cast<char>(0x80 | (c & 0x3F));
        }
        break;
      case TEnc::Utf16Le:
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
        break;
      case TEnc::Utf16Be:
        out += static_cast<char>(c >> 8);
        out += static_cast<char>(c & 0xFF);
        break;
    }
  }
  return out;
}

std::string Utf8(const std::u32string& text) { return Encode(text, TEnc::Utf8); }

struct TExpected {
  std::int64_t Number;
  std::string Text;
};

// A file written line by line, with the lines that hold the word noted.
class TLinesFile {
 public:
  explicit TLinesFile(TEnc enc) : Enc_(enc) {
    if (enc == TEnc::Utf16Le) Bytes_ = "\xFF\xFE";
    if (enc == TEnc::Utf16Be) Bytes_ = "\xFE\xFF";
  }
  void Line(const std::u32string& text, std::u32string ending, bool holdsWord) {
    ++Number_;
    if (holdsWord) Expected_.push_back({Number_, Utf8(text)});
    // An empty line ended by LF right after a lone CR would read as one CR LF.
    if (text.empty() && LastEnding_ == U"\r" && ending == U"\n") ending = U"\r\n";
    Bytes_ += Encode(text + ending, Enc_);
    LastEnding_ = ending;
  }
  // A line of filler that brings the next line's end (of `ending`) to byte `at`.
  void EndLineAt(std::size_t at, const std::u32string& ending) {
    const std::size_t unit = Enc_ == TEnc::Utf16Le || Enc_ == TEnc::Utf16Be ? 2 : 1;
    const std::size_t chars = (at - Bytes_.size()) / unit;
    Line(std::u32string(chars, U'f'), ending, false);
  }
  const std::string& Bytes() const { return Bytes_; }
  const std::vector<TExpected>& Expected() const { return Expected_; }

 private:
  TEnc Enc_;
  std::string Bytes_;
  std::int64_t Number_ = 0;
  std::u32string LastEnding_;
  std::vector<TExpected> Expected_;
};

std::vector<THitLine> LinesOf(const std::string& path, const TWordQuery& query, bool inside = false,
                              THitLineLimits limits = {}, THitLinesEnd* end = nullptr) {
  THitLineFinder finder(std::make_shared<const TWordSet>(query));
  finder.SetSearchInside(inside);
  finder.SetLimits(limits);
  std::vector<THitLine> lines;
  const THitLinesEnd e = finder.Run(path, [&](const THitLine& line) {
    lines.push_back(line);
    return true;
  });
  if (end) *end = e;
  EXPECT_EQ(finder.Lines(), lines.size());
  return lines;
}

std::string Marked(const THitLine& line) {
  std::string out;
  for (const THitMark& m : line.Marks) out += "[" + line.Text.substr(m.Begin, m.End - m.Begin) + "]";
  return out;
}

// Line ends of every kind in every encoding, over a file several read pieces
// long: CR LF pairs and words cut by the pieces' and the window's edges, hits on
// the first line (after a byte-order mark) and on the last (with no line end).
TEST(HitLines, NumbersAndTextsOfEveryEndingInEveryEncoding) {
  test::TTestFolder folder;
  const std::u32string endings[] = {U"\n", U"\r\n", U"\r"};
  const std::u32string word = U"qzv\u00E9k";
  for (TEnc enc : {TEnc::Utf8, TEnc::Ansi, TEnc::Utf16Le, TEnc::Utf16Be}) {
    SCOPED_TRACE(static_cast<int>(enc));
    std::mt19937 random(7);
    TLinesFile file(enc);
    file.Line(U"first " + word + U" line", U"\r\n", true);
    const std::size_t unit = enc == TEnc::Utf16Le || enc == TEnc::Utf16Be ? 2 : 1;
    // Where the reading is cut (the 256 KiB pieces): a CR LF pair split there,
    // or a word.
    const std::size_t edges[] = {std::size_t{1} << 18, std::size_t{2} << 18, std::size_t{3} << 18,
                                 std::size_t{4} << 18};
    std::size_t edge = 0;
    while (file.Bytes().size() < (std::size_t{5} << 18)) {
      if (edge < std::size(edges) && file.Bytes().size() + 600 > edges[edge]) {
        if (edge % 2 == 0) {
          file.EndLineAt(edges[edge] - unit, U"\r\n");
        } else {
          file.EndLineAt(edges[edge] - 6 * unit, U"\n");
          file.Line(U"ab " + word + U" cd", U"\r", true);
        }
        ++edge;
        continue;
      }
      std::u32string text;
      const int length = static_cast<int>(random() % 90);
      for (int i = 0; i < length; ++i) text += U"abcdefghijklm \u00E9"[random() % 15];
      const bool hold = random() % 40 == 0;
      if (hold) text.insert(random() % (text.size() + 1), U" " + word + U" ");
      file.Line(text, endings[random() % 3], hold);
      if (random() % 97 == 0) file.Line(U"", endings[random() % 3], false);  // empty lines count too
    }
    file.Line(word + U" last", U"", true);
    const std::string path = folder.File("lines.txt", file.Bytes());
    const std::vector<THitLine> lines = LinesOf(path, {Utf8(word), true, false, TMatchMode::Any});
    ASSERT_EQ(lines.size(), file.Expected().size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].Number, file.Expected()[i].Number) << i;
      EXPECT_EQ(lines[i].Text, file.Expected()[i].Text) << i;
      EXPECT_EQ(Marked(lines[i]), "[" + Utf8(word) + "]") << i;
      EXPECT_TRUE(lines[i].Entry.empty());
      EXPECT_FALSE(lines[i].MoreBefore || lines[i].MoreAfter) << i;
    }
  }
}

// A line far wider than any pane: its text is kept around the hit, and a pane
// shows it cut around the first hit with an ellipsis on each side.
TEST(HitLines, LongLinesAreCutAroundTheFirstHit) {
  test::TTestFolder folder;
  const std::string middle = std::string(10000, 'x') + " qzvk and qzvk " + std::string(10000, 'y') + "\n";
  const std::string nearEnd = std::string(5000, 'a') + " qzvk end\n";
  const std::string path = folder.File("long.txt", middle + nearEnd + "short qzvk\n");
  const std::vector<THitLine> lines = LinesOf(path, {"qzvk", true, false, TMatchMode::Any});
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(Marked(lines[0]), "[qzvk][qzvk]");
  EXPECT_TRUE(lines[0].MoreBefore && lines[0].MoreAfter);
  // 200 characters on each side of the first hit.
  EXPECT_EQ(lines[0].Text, std::string(199, 'x') + " qzvk and qzvk " + std::string(190, 'y'));

  const std::string ellipsis = "\xE2\x80\xA6";
  const THitLine cut = CutHitLine(lines[0], 40);
  EXPECT_EQ(cut.Text, ellipsis + std::string(11, 'x') + " qzvk and qzvk " + std::string(12, 'y') + ellipsis);
  EXPECT_EQ(Marked(cut), "[qzvk][qzvk]");
  // Near the line's end the cut fills the width from the left, with no ellipsis after the end.
  const THitLine end = CutHitLine(lines[1], 30);
  EXPECT_EQ(end.Text, ellipsis + std::string(19, 'a') + " qzvk end");
  EXPECT_EQ(Marked(end), "[qzvk]");
  // A line that fits is shown whole; a hit wider than the pane keeps its start.
  EXPECT_EQ(CutHitLine(lines[2], 40).Text, "short qzvk");
  const THitLine narrow = CutHitLine(lines[2], 3);
  EXPECT_EQ(narrow.Text.find("q"), ellipsis.size());

  // A wide context keeps the long line whole until the lines' text passes
  // the budget; the lines after it keep the usual 200 characters.
  THitLineLimits wide;
  wide.Context = 12000;
  wide.TextBudget = 15000;
  const std::vector<THitLine> kept = LinesOf(path, {"qzvk", true, false, TMatchMode::Any}, false, wide);
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_EQ(kept[0].Text + "\n", middle);
  EXPECT_FALSE(kept[0].MoreBefore || kept[0].MoreAfter);
  EXPECT_EQ(kept[1].Text, std::string(199, 'a') + " qzvk end");
  EXPECT_TRUE(kept[1].MoreBefore);
}

// Binary bytes show only the printable run around a hit; in a text line, tabs
// and control characters show as blanks. Two words' hits in all mode mark one
// line once; the limit ends the lines with a note that there are more.
TEST(HitLines, BinaryRunsControlsMarksAndTheLimit) {
  test::TTestFolder folder;
  using namespace std::string_literals;
  const std::string binary = "\x00\x01zz\x02 the qzvk word\x00\x03zz\xFF\xFE\x00\x04\x1B[plain\tqzvk\x07 tail\n"s;
  const std::string bin = folder.File("data.bin", binary + "a\tb\x07 qzvk\x1B" "c\n");
  std::vector<THitLine> lines = LinesOf(bin, {"qzvk", true, false, TMatchMode::Any});
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].Text, " the qzvk word");
  EXPECT_FALSE(lines[0].MoreBefore || lines[0].MoreAfter);
  EXPECT_EQ(lines[1].Text, "[plain qzvk");
  EXPECT_EQ(lines[1].Number, 1);
  EXPECT_EQ(lines[2].Text, "a b  qzvk c");
  EXPECT_EQ(lines[2].Number, 2);

  std::string many;
  for (int i = 0; i < 10; ++i) many += "lmn qzvk x qzvk lmnqzvk\n";
  const std::string path = folder.File("many.txt", many);
  THitLinesEnd end{};
  lines = LinesOf(path, {"qzvk lmn", true, true, TMatchMode::All}, false, {3, 200}, &end);
  EXPECT_EQ(end, THitLinesEnd::Limit);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2].Number, 3);
  EXPECT_EQ(Marked(lines[0]), "[lmn][qzvk][qzvk]");  // whole words: not inside "lmnqzvk"
  lines = LinesOf(path, {"x qzvk", true, false, TMatchMode::Exact}, false, {}, &end);
  EXPECT_EQ(end, THitLinesEnd::Done);
  EXPECT_EQ(lines.size(), 10u);
  EXPECT_EQ(Marked(lines[9]), "[x qzvk]");
  EXPECT_EQ(LinesOf(folder.Path("missing.txt"), {"qzvk"}, false, {}, &end).size(), 0u);
  EXPECT_EQ(end, THitLinesEnd::Unreadable);
}

// UTF-16 text whose characters' high bytes are 0 reads, one byte along, as
// text of the other byte order: the hit is taken in the reading that is the
// text, whatever offset it starts at.
TEST(HitLines, Utf16ReadOneByteAlongIsNoSecondHit) {
  test::TTestFolder folder;
  const auto le = [](const std::u32string& t) { return Encode(t, TEnc::Utf16Le); };
  const auto be = [](const std::u32string& t) { return Encode(t, TEnc::Utf16Be); };
  struct TCase {
    std::string Bytes;
    bool Whole;
    std::int64_t Number;
    std::string Text;
  };
  const TCase cases[] = {
      // Cyrillic before the line ends: only the text's reading sees them.
      {std::string(1, '\0') + le(U"\u0436\u0436\n\u0436\u0436\nab qzvk x\n"), false, 3, "ab qzvk x"},
      {std::string(1, '\0') + be(U"\u0436\u0436\n\u0436\u0436\nab qzvk x\n"), false, 3, "ab qzvk x"},
      // The other reading glues the word to a letter: the text's, at an odd offset, is the hit.
      {std::string(1, '\0') + le(U"\u0416 qzvk x"), true, 1, "\xD0\x96 qzvk x"},
      // Latin-1 big-endian text from offset 0, without a mark: its own reading.
      {be(U"one\r\ntw\u00F6 \u00E9\n\nthree qzvk\n"), false, 4, "three qzvk"},
  };
  for (const TCase& c : cases) {
    const std::vector<THitLine> lines =
        LinesOf(folder.File("odd.bin", c.Bytes), {"qzvk", true, c.Whole, TMatchMode::Any});
    ASSERT_EQ(lines.size(), 1u) << c.Text;
    EXPECT_EQ(lines[0].Number, c.Number) << c.Text;
    EXPECT_EQ(lines[0].Text, c.Text);
  }
}

// Marked UTF-16 text whose characters, read one byte along, make line ends and
// the word in the other byte order (U+4E0A, U+4E0D; a Latin letter before the
// word): each line holding the word is given once, in the mark's reading.
TEST(HitLines, MarkedUtf16GivesEachLineOnceInItsOwnReading) {
  test::TTestFolder folder;
  const std::u32string pieces[] = {U"abc", U"x", U"\u4E0A\u6728", U"\u4E2D\u6587", U"-", U"\u4E0D", U"the", U"qzvk"};
  std::mt19937 random(11);
  for (int round = 0; round < 60; ++round) {
    const TEnc enc = round % 2 ? TEnc::Utf16Be : TEnc::Utf16Le;
    TLinesFile file(enc);
    const int lines = 1 + static_cast<int>(random() % 30);
    for (int n = 0; n < lines; ++n) {
      std::u32string text;
      bool holds = false;
      for (int k = static_cast<int>(random() % 9); k > 0; --k) {
        const std::u32string& piece = pieces[random() % std::size(pieces)];
        holds = holds || piece == U"qzvk";
        text += (text.empty() ? U"" : U" ") + piece;
      }
      file.Line(text, random() % 2 ? U"\n" : U"\r\n", holds);
    }
    const std::vector<THitLine> found =
        LinesOf(folder.File("marked.txt", file.Bytes()), {"qzvk", true, false, TMatchMode::Any});
    ASSERT_EQ(found.size(), file.Expected().size()) << round;
    for (std::size_t i = 0; i < found.size(); ++i) {
      EXPECT_EQ(found[i].Number, file.Expected()[i].Number) << round;
      EXPECT_EQ(found[i].Text, file.Expected()[i].Text) << round;
    }
  }
}

// Archives give each entry's lines under its name, nested ones too, and a
// document gives the lines of the text a reader sees (a line a paragraph).
TEST(HitLines, PackagesGiveTheirEntriesLines) {
  test::TTestFolder folder;
  using test::ZipItem;
  const std::string ns = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
  ZipItem document;
  document.Name = "word/document.xml";
  document.Data = "<w:document " + ns + "><w:body><w:p><w:r><w:t>Intro</w:t></w:r></w:p><w:p><w:r><w:t>The q</w:t>"
                   "</w:r><w:r><w:t>zvk plan</w:t></w:r></w:p></w:body></w:document>";
  document.Deflate = true;
  const std::vector<std::uint8_t> docx = test::BuildZip({document});
  ZipItem inner;
  inner.Name = "inner.docx";
  inner.Data.assign(docx.begin(), docx.end());
  ZipItem notes;
  notes.Name = "notes/a.txt";
  notes.Data = "one\r\ntwo qzvk\r\n";
  notes.Deflate = true;
  const std::vector<std::uint8_t> zip = test::BuildZip({notes, inner});
  const std::string path = folder.File("bundle.zip", std::string(zip.begin(), zip.end()));
  std::vector<THitLine> lines = LinesOf(path, {"qzvk", true, false, TMatchMode::Any}, true);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].Entry, "notes/a.txt");
  EXPECT_EQ(lines[0].Number, 2);
  EXPECT_EQ(lines[1].Entry, "inner.docx > Body");
  EXPECT_EQ(lines[1].Number, 2);
  EXPECT_EQ(lines[1].Text, "The qzvk plan");
  // Searched by its bytes, the archive's deflated entries hold no line of the word.
  EXPECT_TRUE(LinesOf(path, {"qzvk", true, false, TMatchMode::Any}, false).empty());
}

// A workbook's lines go by sheet and cell, numbered by the cell's row: a shared
// string's line under every cell that shows it (empty strings counted in the
// table's order), an inline string's under its own. A file read in part says so.
TEST(HitLines, WorkbookLinesGoBySheetAndCell) {
  test::TTestFolder folder;
  const auto deflated = [](std::string name, std::string data) {
    test::ZipItem item;
    item.Name = std::move(name);
    item.Data = std::move(data);
    item.Deflate = true;
    return item;
  };
  test::ZipItem secret = deflated("xl/media/secret.txt", "x");
  secret.Encrypted = true;
  const std::vector<std::uint8_t> book = test::BuildZip({
      deflated("xl/workbook.xml", "<workbook xmlns:r=\"r\"><sheets><sheet name=\"Budget\" r:id=\"rId1\"/>"
                                  "<sheet name=\"R&amp;D\" r:id=\"rId2\"/></sheets></workbook>"),
      deflated("xl/_rels/workbook.xml.rels",
               "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
               "<Relationship Id=\"rId2\" Target=\"worksheets/sheet2.xml\"/></Relationships>"),
      deflated("xl/sharedStrings.xml", "<sst><si><t>Head</t></si><si><t></t></si><si/><si><r><t>the qzvk</t></r>"
                                       "<r><t xml:space=\"preserve\"> here</t></r></si><si><t>qzvk two</t></si></sst>"),
      deflated("xl/worksheets/sheet1.xml",
               "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>3</v></c>"
               "</row><row r=\"7\"><c r=\"C7\" t=\"inlineStr\"><is><t>inline qzvk</t></is></c><c r=\"D7\" t=\"s\">"
               "<v>4</v></c></row></sheetData></worksheet>"),
      deflated("xl/worksheets/sheet2.xml",
               "<worksheet><sheetData><row r=\"30\"><c r=\"AB30\" t=\"s\"><v>3</v></c></row></sheetData></worksheet>"),
      secret,
  });
  const std::string path = folder.File("book.xlsx", std::string(book.begin(), book.end()));
  THitLineFinder finder(std::make_shared<const TWordSet>(TWordQuery{"qzvk", true, false, TMatchMode::Any}));
  finder.SetSearchInside(true);
  std::vector<std::string> got;
  finder.Run(path, [&](const THitLine& line) {
    got.push_back(line.Entry + " " + std::to_string(line.Number) + " " + line.Text);
    return true;
  });
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<std::string>{"Budget!B1 1 the qzvk here", "Budget!C7 7 inline qzvk",
                                           "Budget!D7 7 qzvk two", "R&D!AB30 30 the qzvk here"}));
  EXPECT_EQ(LeftOutNote(finder.Report()), "1 encrypted entry was not read.");
}

}  // namespace
}  // namespace sorvik
