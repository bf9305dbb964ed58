// Fonts as a page's text is read with them: where each code's text comes
// from, in order; widths by /Widths, the standard fonts' metrics (Adobe's
// published widths), Type3 matrices and CID widths; composite fonts' codes;
// damaged and hostile dictionaries.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "PdfFont.h"
#include "search/packages/PdfTestObjects.h"

namespace sorvik {
namespace {

using test::Array;
using test::Dict;
using test::Int;
using test::Name;
using test::Numbers;
using test::Real;
using test::Str;
using test::TTestObjects;

using TEntries = std::vector<std::pair<std::string, TPdfObject>>;

std::u32string Text(const std::vector<TPdfGlyph>& glyphs) {
  std::u32string text;
  for (const TPdfGlyph& g : glyphs) text += g.Text;
  return text;
}

// The glyphs' widths, each rounded to a millionth.
std::vector<double> Widths(const std::vector<TPdfGlyph>& glyphs) {
  std::vector<double> widths;
  for (const TPdfGlyph& g : glyphs) widths.push_back(std::round(g.Width * 1e6) / 1e6);
  return widths;
}

// Each glyph's text, "|" between them.
std::u32string Texts(const std::vector<TPdfGlyph>& glyphs) {
  std::u32string text;
  for (std::size_t i = 0; i < glyphs.size(); ++i) text += (i ? U"|" : U"") + glyphs[i].Text;
  return text;
}

TPdfFont Simple(TTestObjects& objects, const char* subtype, TEntries entries) {
  entries.insert(entries.begin(), {"Subtype", Name(subtype)});
  entries.insert(entries.begin(), {"Type", Name("Font")});
  return TPdfFont::Read(objects.Add(Dict(std::move(entries))), objects);
}

TPdfFont Composite(TTestObjects& objects, TPdfObject encoding, TEntries cidFont, TEntries font = {}) {
  cidFont.insert(cidFont.begin(), {"Subtype", Name("CIDFontType2")});
  font.push_back({"Subtype", Name("Type0")});
  font.push_back({"Encoding", std::move(encoding)});
  font.push_back({"DescendantFonts", Array({objects.Add(Dict(std::move(cidFont)))})});
  return TPdfFont::Read(Dict(std::move(font)), objects);
}

std::string ToUnicode(const std::string& body, const std::string& codespace = "<00> <FF>") {
  return "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n1 begincodespacerange " + codespace +
         " endcodespacerange\n" + body + "\nendcmap CMapName currentdict /CMap defineresource pop end end";
}

TEST(PdfFont, StandardFontsWithoutWidthsAreMeasuredByTheirMetrics) {
  TTestObjects objects;
  const TPdfFont helvetica = Simple(objects, "Type1", {{"BaseFont", Name("Helvetica")}, {"Encoding", Name("WinAnsiEncoding")}});
  const std::vector<TPdfGlyph> hello = helvetica.Decode("Hello fi\x80");
  EXPECT_EQ(Text(hello), U"Hello fi\u20AC");
  EXPECT_EQ(Widths(hello), (std::vector<double>{0.722, 0.556, 0.222, 0.222, 0.556, 0.278, 0.278, 0.222, 0.556}));
  for (const TPdfGlyph& g : hello) {
    EXPECT_EQ(g.Bytes, 1);
    EXPECT_EQ(g.IsWordSpace, g.Code == 32);
  }

  // Aliases, styles and subsets; the standard encoding when none is named.
  const std::pair<const char*, std::vector<double>> cases[] = {
      {"ABCDEF+Arial,Bold", {0.722, 0.278, 0.278}},           // Helvetica-Bold: H i quoteright
      {"Arial-ItalicMT", {0.722, 0.222, 0.222}},              // Helvetica-Oblique
      {"TimesNewRomanPSMT", {0.722, 0.278, 0.333}},           // Times-Roman
      {"TimesNewRomanPS-BoldMT", {0.778, 0.278, 0.333}},      // Times-Bold
      {"Times-Italic", {0.722, 0.278, 0.333}},
      {"CourierNewPS-BoldItalicMT", {0.6, 0.6, 0.6}},
      {"Courier", {0.6, 0.6, 0.6}},
  };
  for (const auto& [name, widths] : cases) {
    const TPdfFont font = Simple(objects, "TrueType", {{"BaseFont", Name(name)}});
    const std::vector<TPdfGlyph> glyphs = font.Decode("Hi'");
    EXPECT_EQ(Text(glyphs), U"Hi\u2019") << name;
    EXPECT_EQ(Widths(glyphs), widths) << name;
  }

  // Symbol and ZapfDingbats by their own encodings and widths.
  const TPdfFont symbol = Simple(objects, "Type1", {{"BaseFont", Name("Symbol")}});
  EXPECT_EQ(Text(symbol.Decode("a\xA5 ")), U"\u03B1\u221E ");
  EXPECT_EQ(Widths(symbol.Decode("a ")), (std::vector<double>{0.631, 0.25}));
  const TPdfFont dingbats = Simple(objects, "Type1", {{"BaseFont", Name("ZapfDingbats")}});
  EXPECT_EQ(Text(dingbats.Decode("!l")), U"\u2701\u25CF");
  EXPECT_EQ(Widths(dingbats.Decode("!")), std::vector<double>{0.974});

  // A font of another name without widths is measured as the standard font its flags are like.
  TPdfObject fixed = objects.Add(Dict({{"Flags", Int(1 | 32)}}));
  EXPECT_EQ(Widths(Simple(objects, "TrueType", {{"BaseFont", Name("Consolas")}, {"FontDescriptor", fixed}}).Decode("Hi")),
            (std::vector<double>{0.6, 0.6}));
  TPdfObject serif = objects.Add(Dict({{"Flags", Int(2 | 32)}}));
  EXPECT_EQ(Widths(Simple(objects, "TrueType", {{"BaseFont", Name("Georgia")}, {"FontDescriptor", serif}}).Decode("a")),
            std::vector<double>{0.444});
  EXPECT_EQ(Widths(Simple(objects, "TrueType", {{"BaseFont", Name("Helvetica-Narrow")}}).Decode("a")), std::vector<double>{0.556});
}

TEST(PdfFont, WidthsComeFromFirstCharOnAndMissingWidthElsewhere) {
  TTestObjects objects;
  TPdfObject descriptor = objects.Add(Dict({{"Flags", Int(32)}, {"MissingWidth", Int(250)}}));
  TPdfObject widths = objects.Add(Array({Int(500), objects.Add(Int(600)), Real(700.5), Name("bad")}));
  const TPdfFont font = Simple(objects, "TrueType", {{"BaseFont", Name("Helvetica")}, {"FirstChar", Int(65)},
                                                     {"Widths", widths}, {"FontDescriptor", descriptor}});
  EXPECT_EQ(Widths(font.Decode("@ABCDE")), (std::vector<double>{0.25, 0.5, 0.6, 0.7005, 0.25, 0.25}));
  // Any /FirstChar, however far off, leaves every code its missing width.
  for (std::int64_t first : {std::int64_t{-1} << 62, std::int64_t{1} << 62, std::int64_t{-66}, std::int64_t{256}}) {
    const TPdfFont off = Simple(objects, "Type1", {{"FirstChar", Int(first)}, {"Widths", widths}, {"FontDescriptor", descriptor}});
    EXPECT_EQ(Widths(off.Decode("A\xFF")), (std::vector<double>{0.25, 0.25})) << first;
  }
}

TEST(PdfFont, SimpleFontsTextComesFromToUnicodeThenTheEncodingThenTheCode) {
  TTestObjects objects;
  // ToUnicode first, then the encoding with its differences over its base.
  TPdfObject encoding = objects.Add(Dict({{"Type", Name("Encoding")}, {"BaseEncoding", Name("MacRomanEncoding")},
                                          {"Differences", Array({Int(1), Name("f_f_i"), Name("uni20AC"), Name("g12"),
                                                                 Name("A.sc"), Int(0xDE), Name("fl")})}}));
  TPdfObject cmap = objects.AddStream(ToUnicode("2 beginbfchar <41> <0058> <02> <00650066> endbfchar"));
  const TPdfFont font = Simple(objects, "Type1", {{"BaseFont", Name("FooSerif")}, {"Encoding", encoding}, {"ToUnicode", cmap}});
  EXPECT_EQ(Texts(font.Decode("AB\x01\x02\x03\x04\xDE\xDF\x8E")), U"X|B|ffi|ef||A|fl|fl|\u00E9");

  // Without ToUnicode: a font not flagged symbolic reads codes by StandardEncoding.
  const TPdfFont plain = Simple(objects, "Type1", {{"BaseFont", Name("Garamond")}});
  EXPECT_EQ(Text(plain.Decode("it's\xAE\xEA\x80")), U"it\u2019sfi\u0152");
  // An embedded Type 1 program's own encoding, when no base encoding is named.
  TPdfObject program = objects.AddStream("%!FontType1\n/Encoding 256 array\ndup 65 /Sigma put\ndup 66 /uni2603 put\nreadonly def\ncurrentfile eexec\x8F\x03");
  TPdfObject embedded = objects.Add(Dict({{"Flags", Int(4)}, {"FontFile", program}}));
  const TPdfFont texFont = Simple(objects, "Type1", {{"BaseFont", Name("ABCDEF+CMR10")}, {"FontDescriptor", embedded},
                                                     {"Encoding", Dict({{"Differences", Array({Int(67), Name("C")})}})}});
  EXPECT_EQ(Texts(texFont.Decode("ABCD")), U"\u03A3|\u2603|C|");
  // A symbolic font whose encoding is its own: the code as Latin-1, where printable.
  TPdfObject symbolic = objects.Add(Dict({{"Flags", Int(4)}}));
  const TPdfFont wingdings = Simple(objects, "TrueType", {{"BaseFont", Name("Wingdings-Regular")}, {"FontDescriptor", symbolic}});
  EXPECT_EQ(Texts(wingdings.Decode("J\x01\x85\xE9~")), U"J|||\u00E9|~");
  // ...unless it names an encoding.
  const TPdfFont named = Simple(objects, "TrueType", {{"BaseFont", Name("Wingdings")}, {"FontDescriptor", symbolic},
                                                      {"Encoding", Name("WinAnsiEncoding")}});
  EXPECT_EQ(Text(named.Decode("\x85")), U"\u2026");
  // Symbol fonts whose ToUnicode gives the private use area's copies of their codes.
  TPdfObject privateUse = objects.AddStream(ToUnicode("1 beginbfrange <20> <FF> <F020> endbfrange"));
  EXPECT_EQ(Text(Simple(objects, "TrueType", {{"BaseFont", Name("SymbolMT")}, {"FontDescriptor", symbolic},
                                              {"ToUnicode", privateUse}}).Decode("ap")),
            U"\u03B1\u03C0");
  EXPECT_EQ(Text(Simple(objects, "TrueType", {{"BaseFont", Name("Wingdings")}, {"FontDescriptor", symbolic},
                                              {"ToUnicode", privateUse}}).Decode("J")),
            U"\uF04A");
  // An unreadable ToUnicode stream leaves the encoding to speak.
  TPdfObject unreadable = objects.AddStream("", {}, false);
  EXPECT_EQ(Text(Simple(objects, "Type1", {{"BaseFont", Name("Helvetica")}, {"ToUnicode", unreadable}}).Decode("ok")), U"ok");
}

TEST(PdfFont, Type3FontsReadTheirDifferencesAndScaleWidthsByTheirMatrix) {
  TTestObjects objects;
  const TPdfFont font = Simple(objects, "Type3", {{"FontMatrix", Numbers({0.01, 0, 0, 0.01, 0, 0})},
                                                  {"Encoding", Dict({{"Differences", Array({Int(1), Name("H"), Name("i"), Name("c7")})}})},
                                                  {"FirstChar", Int(1)}, {"Widths", Numbers({50, 25, 75})}});
  const std::vector<TPdfGlyph> glyphs = font.Decode("\x01\x02\x03\x04");
  EXPECT_EQ(Texts(glyphs), U"H|i||");
  EXPECT_EQ(Widths(glyphs), (std::vector<double>{0.5, 0.25, 0.75, 0}));
  // No encoding at all: the codes as Latin-1; no matrix: thousandths.
  const TPdfFont bare = Simple(objects, "Type3", {{"FirstChar", Int(65)}, {"Widths", Numbers({500})}});
  EXPECT_EQ(Text(bare.Decode("AB")), U"AB");
  EXPECT_EQ(Widths(bare.Decode("A")), std::vector<double>{0.5});
}

TEST(PdfFont, CompositeFontsSplitCodesByTheirCMapAndMeasureByCid) {
  TTestObjects objects;
  TPdfObject toUnicode = objects.AddStream(
      ToUnicode("2 beginbfrange <0001> <0003> <0041> <0010> <0010> <D835DC00> endbfrange 1 beginbfchar <0020> <0020> endbfchar",
                "<0000> <FFFF>"));
  const TPdfFont font = Composite(objects, Name("Identity-H"),
                                  {{"DW", Int(800)}, {"W", Array({Int(1), Numbers({500, 600}), Int(10), Int(20), Int(300)})}},
                                  {{"ToUnicode", toUnicode}, {"BaseFont", Name("ABCDEF+MSMincho")}});
  EXPECT_EQ(font.Kind(), TPdfFontKind::Type0);
  EXPECT_FALSE(font.Vertical());
  const std::vector<TPdfGlyph> glyphs = font.Decode(std::string("\x00\x01\x00\x02\x00\x03\x00\x10\x00\x20\x00\x0F\x00", 13));
  EXPECT_EQ(Texts(glyphs), U"A|B|C|\U0001D400| ||");
  EXPECT_EQ(Widths(glyphs), (std::vector<double>{0.5, 0.6, 0.8, 0.3, 0.8, 0.3, 0.8}));
  ASSERT_EQ(glyphs.size(), 7u);
  EXPECT_EQ(glyphs[4].Code, 0x20u);
  EXPECT_FALSE(glyphs[4].IsWordSpace);  // a two-byte code 32 is no word space
  EXPECT_EQ(glyphs[6].Bytes, 1);        // the string cut the last code short

  // Identity without ToUnicode: glyph numbers, no text.
  const TPdfFont bare = Composite(objects, Name("Identity-H"), {});
  EXPECT_EQ(Text(bare.Decode(std::string("\x00\x41\x00\x42", 4))), U"");
  EXPECT_EQ(Widths(bare.Decode(std::string("\x00\x41", 2))), std::vector<double>{1.0});

  // A Unicode CMap's codes are their own characters; they have no CID here, so /DW.
  const TPdfFont ucs2 = Composite(objects, Name("UniJIS-UCS2-H"), {{"DW", Int(1000)}, {"W", Array({Int(0x65E5), Numbers({500})})}});
  EXPECT_EQ(Text(ucs2.Decode("\x65\xE5\x67\x2C\xFB\x01")), U"\u65E5\u672Cfi");
  EXPECT_EQ(Widths(ucs2.Decode("\x65\xE5")), std::vector<double>{1.0});

  // An embedded CMap: one- and two-byte codes and their CIDs; single-byte 32 is a word space.
  TPdfObject cmap = objects.AddStream(
      "/CIDInit /ProcSet findresource begin 12 dict begin begincmap /CMapName /Test-H def\n"
      "2 begincodespacerange <00> <80> <8140> <9FFC> endcodespacerange\n"
      "1 begincidrange <20> <7E> 1 endcidrange\n1 begincidrange <8140> <817E> 633 endcidrange\nendcmap");
  const TPdfFont sjis = Composite(objects, cmap, {{"W", Array({Int(1), Int(95), Int(500), Int(633), Numbers({1000, 900})})}});
  const std::vector<TPdfGlyph> mixed = sjis.Decode("A \x81\x41\xFF");
  ASSERT_EQ(mixed.size(), 4u);
  EXPECT_EQ(Widths(mixed), (std::vector<double>{0.5, 0.5, 0.9, 1.0}));
  EXPECT_TRUE(mixed[1].IsWordSpace);
  EXPECT_EQ(mixed[2].Bytes, 2);

  // A legacy CMap not known here: codes split as the ToUnicode CMap's codespace says.
  TPdfObject rksjToUnicode = objects.AddStream(ToUnicode("2 beginbfchar <41> <0041> <8140> <3000> endbfchar", "<00> <80> <8140> <9FFC>"));
  const TPdfFont rksj = Composite(objects, Name("90ms-RKSJ-H"), {}, {{"ToUnicode", rksjToUnicode}});
  EXPECT_EQ(Texts(rksj.Decode("A\x81\x40" "A")), U"A|\u3000|A");
}

TEST(PdfFont, VerticalFontsAdvanceDownByW2AndDW2) {
  TTestObjects objects;
  const TPdfFont font = Composite(objects, Name("Identity-V"),
                                  {{"DW2", Numbers({880, -900})},
                                   {"W2", Array({Int(5), Numbers({-500, 1, 2, -400, 3, 4}), Int(10), Int(20), Int(-700), Int(1), Int(2)})}});
  EXPECT_TRUE(font.Vertical());
  EXPECT_EQ(Widths(font.Decode(std::string("\x00\x05\x00\x06\x00\x07\x00\x0F\x00\x15", 10))),
            (std::vector<double>{-0.5, -0.4, -0.9, -0.7, -0.9}));
  const TPdfFont plain = Composite(objects, Name("Identity-V"), {});
  EXPECT_EQ(Widths(plain.Decode(std::string("\x00\x05", 2))), std::vector<double>{-1.0});
  TPdfObject vertical = objects.AddStream("/Identity-H usecmap", {{"WMode", Int(1)}});
  EXPECT_TRUE(Composite(objects, vertical, {}).Vertical());
}

TEST(PdfFont, HostileFontsGiveBoundedGlyphsOfEveryByte) {
  TTestObjects objects;
  // Width ranges over every CID stay ranges.
  const TPdfFont wide = Composite(objects, Name("Identity-H"),
                                  {{"W", Array({Int(0), Int(0xFFFFFFFF), Int(400), Int(0xFFFFFFFF), Numbers({1, 2, 3}),
                                                Int(-5), Numbers({9}), Int(7), Int(3), Int(100), Int(1LL << 40), Int(0), Int(5)})}});
  EXPECT_EQ(Widths(wide.Decode(std::string("\xFF\xFF\x00\x00", 4))), (std::vector<double>{0.4, 0.4}));

  // Random dictionaries of the right keys with values of any kind, and random strings.
  std::mt19937 rng(99);
  const TPdfObject values[] = {
      TPdfObject(), Int(-1), Int(0), Int(1LL << 40), Real(0.5), Name("Identity-H"), Name("UniGB-UTF16-V"),
      Name("WinAnsiEncoding"), Name("Foo"), Str("x"), Array({}), Numbers({1, 2, 3}), TPdfObject::Ref(999, 0),
      objects.AddStream(ToUnicode("1 beginbfrange <00> <FF> <0041> endbfrange")),
      objects.AddStream("1 begincodespacerange <00000000> <FFFFFFFF> endcodespacerange 1 begincidrange <00000000> <FFFFFFFF> 0 endcidrange"),
      objects.AddStream("", {}, false), Dict({{"Differences", Array({Int(0), Name("A"), Name("B")})}}),
      Array({Int(0), Array({Int(1), Int(2)}), Int(3), Int(4), Int(5)}),
  };
  const char* keys[] = {"Subtype", "Encoding", "ToUnicode", "BaseFont", "FirstChar", "Widths", "FontMatrix", "DescendantFonts",
                        "W", "DW", "W2", "DW2", "FontDescriptor"};
  const char* subtypes[] = {"Type0", "Type1", "TrueType", "Type3", "MMType1", "Bogus"};
  for (int round = 0; round < 400; ++round) {
    TEntries entries{{"Subtype", Name(subtypes[rng() % 6])}};
    for (int k = 0; k < 8; ++k) {
      const char* key = keys[rng() % std::size(keys)];
      TPdfObject value = values[rng() % std::size(values)];
      if (std::string_view(key) == "DescendantFonts" && rng() % 2) value = Array({Dict(entries)});
      entries.push_back({key, value});
    }
    const TPdfFont font = TPdfFont::Read(rng() % 2 ? objects.Add(Dict(entries)) : Dict(entries), objects);
    std::string bytes;
    const std::size_t n = rng() % 20;
    for (std::size_t i = 0; i < n; ++i) bytes += static_cast<char>(rng());
    const std::vector<TPdfGlyph> glyphs = font.Decode(bytes);
    ASSERT_LE(glyphs.size(), bytes.size());
    std::size_t taken = 0;
    for (const TPdfGlyph& g : glyphs) {
      ASSERT_GE(g.Bytes, 1);
      ASSERT_LE(g.Bytes, 4);
      ASSERT_TRUE(std::isfinite(g.Width));
      ASSERT_LE(g.Text.size(), 256u);
      taken += static_cast<std::size_t>(g.Bytes);
    }
    ASSERT_EQ(taken, bytes.size());
  }
  // Nothing at all: a Type1 font of no name, by StandardEncoding and Helvetica's widths.
  const TPdfFont none = TPdfFont::Read(TPdfObject(), objects);
  EXPECT_EQ(none.Kind(), TPdfFontKind::Type1);
  EXPECT_EQ(Text(none.Decode("a")), U"a");
}

}  // namespace
}  // namespace sorvik
