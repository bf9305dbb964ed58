// CMaps: random ToUnicode and encoding CMaps written out as their producers
// write them and read back against the test's own reading of what it wrote;
// codespace splitting against a reading of the rule; the predefined CMaps;
// hostile streams.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "PdfCMap.h"

namespace sorvik {
namespace {

using TCode = TPdfCMap::TCode;

std::u32string TextOf(const TPdfCMap& cmap, std::uint32_t value, int bytes) {
  std::u32string text;
  if (!cmap.AppendText({value, bytes}, text)) text = U"<none>";
  return text;
}

std::string Hex(std::uint64_t value, int bytes, bool lower = false) {
  static const char* upperDigits = "0123456789ABCDEF";
  static const char* lowerDigits = "0123456789abcdef";
  std::string s;
  for (int k = bytes - 1; k >= 0; --k) {
    const auto b = static_cast<unsigned>(value >> (8 * k)) & 0xFF;
    s += (lower ? lowerDigits : upperDigits)[b >> 4];
    s += (lower ? lowerDigits : upperDigits)[b & 15];
  }
  return s;
}

// Digits as a hex string, "<...>".
std::string Angled(const std::string& digits) {
  std::string s;
  s += '<';
  s += digits;
  s += '>';
  return s;
}

std::string Utf16Hex(const std::u32string& chars) {
  std::string s;
  for (char32_t c : chars) {
    if (c >= 0x10000) {
      s += Hex(0xD800 + ((c - 0x10000) >> 10), 2);
      s += Hex(0xDC00 + ((c - 0x10000) & 0x3FF), 2);
    } else {
      s += Hex(c, 2);
    }
  }
  return s;
}

// The last character advanced; the Latin ligatures it may land on are searched as their letters.
std::u32string Advanced(char32_t c, std::uint64_t by) {
  const std::uint64_t v = c + by;
  if (v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return U"\uFFFD";
  static const char32_t* ligatures[] = {U"ff", U"fi", U"fl", U"ffi", U"ffl", U"st", U"st"};
  if (v >= 0xFB00 && v <= 0xFB06) return ligatures[v - 0xFB00];
  return std::u32string(1, static_cast<char32_t>(v));
}

// One bfchar or bfrange as the test wrote it.
struct TTextDef {
  int Bytes = 1;
  std::uint32_t Low = 0, High = 0;
  std::u32string Text;               // the string form
  std::vector<std::u32string> Each;  // the array form, when not empty
  bool Array = false;
};

// What the test's definitions say of a code: the last that covers it wins;
// an array covers only as many codes as it has items.
std::u32string Expected(const std::vector<TTextDef>& defs, std::uint32_t value, int bytes) {
  for (auto d = defs.rbegin(); d != defs.rend(); ++d) {
    if (d->Bytes != bytes || value < d->Low || value > d->High) continue;
    if (d->Array) {
      if (value - d->Low >= d->Each.size()) continue;
      const std::u32string& t = d->Each[value - d->Low];
      return t.empty() ? U"<none>" : t;
    }
    if (d->Text.empty()) return U"<none>";
    return d->Text.substr(0, d->Text.size() - 1) + Advanced(d->Text.back(), value - d->Low);
  }
  return U"<none>";
}

class TCMapWriter {
 public:
  explicit TCMapWriter(std::mt19937& rng) : rng_(rng) {}
  // White space or comments between tokens; `optional` where none is needed.
  std::string Gap(bool optional = true) {
    switch (rng_() % 9) {
      case 0: return optional ? "" : " ";
      case 1: return "\n";
      case 2: return "\r";
      case 3: return "\r\n";
      case 4: return "\t";
      case 5: return " % a comment <00> endbfchar\n";
      case 6: return "  \x0C";
      default: return " ";
    }
  }
  std::string HexString(std::uint64_t value, int bytes) {
    std::string digits = Hex(value, bytes, rng_() % 2 == 0);
    if (rng_() % 5 == 0 && digits.size() > 2) digits.insert(digits.begin() + 2, rng_() % 2 ? ' ' : '\n');
    return Angled(digits);
  }

 private:
  std::mt19937& rng_;
};

std::u32string RandomText(std::mt19937& rng) {
  std::u32string t;
  const int n = 1 + static_cast<int>(rng() % 3);
  for (int i = 0; i < n; ++i) {
    switch (rng() % 4) {
      case 0: t += static_cast<char32_t>('a' + rng() % 26); break;
      case 1: t += static_cast<char32_t>(0x0400 + rng() % 0x200); break;
      case 2: t += static_cast<char32_t>(0x10000 + rng() % 0x20000); break;
      default: t += static_cast<char32_t>(0x4E00 + rng() % 0x5000); break;
    }
  }
  return t;
}

TEST(PdfCMap, RandomToUnicodeCMapsReadAsWritten) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 300; ++round) {
    TCMapWriter w(rng);
    const int bytes = 1 + static_cast<int>(rng() % 4);
    const std::uint64_t span = bytes == 4 ? 0x100000000ull : 1ull << (8 * bytes);
    auto code = [&](std::uint64_t limit) { return static_cast<std::uint32_t>(rng() % std::min<std::uint64_t>(limit, span)); };
    std::vector<TTextDef> defs;
    std::string text = "%!PS-Adobe-3.0 Resource-CMap\n/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                       "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n/CMapName /Adobe-Identity-UCS def\n"
                       "/CMapType 2 def\n1 begincodespacerange" + w.Gap(false) + w.HexString(0, bytes) + w.Gap() +
                       w.HexString(span - 1, bytes) + w.Gap() + "endcodespacerange\n";
    const int blocks = 1 + static_cast<int>(rng() % 4);
    // Codes cluster in a window, so definitions overlap.
    const std::uint32_t base = code(span);
    for (int b = 0; b < blocks; ++b) {
      const bool ranges = rng() % 2 == 0;
      const int n = 1 + static_cast<int>(rng() % 12);
      text += std::to_string(n) + (ranges ? " beginbfrange" : " beginbfchar") + w.Gap(false);
      for (int i = 0; i < n; ++i) {
        TTextDef d;
        d.Bytes = bytes;
        d.Low = static_cast<std::uint32_t>(std::min<std::uint64_t>(base + code(600), span - 1));
        d.High = d.Low;
        if (ranges) {
          const std::uint64_t length = rng() % 8 == 0 ? rng() : rng() % 80;
          d.High = static_cast<std::uint32_t>(std::min<std::uint64_t>(d.Low + length, span - 1));
        }
        text += w.HexString(d.Low, bytes) + w.Gap();
        if (ranges) text += w.HexString(d.High, bytes) + w.Gap();
        if (ranges && rng() % 3 == 0) {
          d.Array = true;
          text += "[";
          const int items = static_cast<int>(rng() % 6);
          for (int k = 0; k < items; ++k) {
            d.Each.push_back(rng() % 10 == 0 ? U"" : RandomText(rng));
            text += w.Gap();
            text += Angled(Utf16Hex(d.Each.back()));
          }
          text += w.Gap() + "]";
        } else {
          d.Text = rng() % 15 == 0 ? U"" : RandomText(rng);
          text += Angled(Utf16Hex(d.Text));
        }
        text += w.Gap(false);
        defs.push_back(d);
      }
      text += ranges ? "endbfrange\n" : "endbfchar\n";
    }
    text += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";

    const TPdfCMap cmap = TPdfCMap::Parse(text);
    ASSERT_TRUE(cmap.HasCodespace());
    std::size_t mappings = 0;
    for (const TTextDef& d : defs) mappings += d.Array ? std::min<std::size_t>(d.Each.size(), d.High - d.Low + 1) : 1;
    EXPECT_LE(cmap.StoredRanges(), 2 * mappings + 1) << text;

    std::vector<std::uint32_t> probes;
    for (const TTextDef& d : defs) {
      for (std::uint64_t v : {std::uint64_t{d.Low}, std::uint64_t{d.High}, std::uint64_t{d.Low} + (d.High - d.Low) / 2,
                              std::uint64_t{d.Low} - 1, std::uint64_t{d.High} + 1})
        if (v < span) probes.push_back(static_cast<std::uint32_t>(v));
    }
    for (int k = 0; k < 50; ++k) probes.push_back(static_cast<std::uint32_t>(std::min<std::uint64_t>(base + code(700), span - 1)));
    for (std::uint32_t v : probes) {
      ASSERT_EQ(TextOf(cmap, v, bytes), Expected(defs, v, bytes)) << "code " << Hex(v, bytes) << " in\n" << text;
      // The string of the code's bytes splits into that one code.
      std::string raw;
      for (int k = bytes - 1; k >= 0; --k) raw += static_cast<char>(v >> (8 * k));
      const TCode c = cmap.NextCode(raw);
      ASSERT_EQ(c.Bytes, bytes);
      ASSERT_EQ(c.Value, v);
    }
  }
}

// One cidchar, cidrange, notdefchar or notdefrange.
struct TCidDef {
  std::uint32_t Low = 0, High = 0, Cid = 0;
  bool NotDef = false;
};

std::optional<std::uint32_t> ExpectedCid(const std::vector<TCidDef>& defs, std::uint32_t value) {
  // Named CIDs first, the last definition winning; unnamed (notdef) ones beneath.
  for (bool notDef : {false, true})
    for (auto d = defs.rbegin(); d != defs.rend(); ++d)
      if (d->NotDef == notDef && value >= d->Low && value <= d->High)
        return notDef ? d->Cid : d->Cid + (value - d->Low);
  return std::nullopt;
}

TEST(PdfCMap, RandomEncodingCMapsGiveTheCidsWritten) {
  std::mt19937 rng(77);
  for (int round = 0; round < 200; ++round) {
    TCMapWriter w(rng);
    std::vector<TCidDef> defs;
    std::string text = "/CMapName /Test-H def /WMode 0 def\n1 begincodespacerange <0000> <FFFF> endcodespacerange\n";
    const int blocks = 1 + static_cast<int>(rng() % 5);
    for (int b = 0; b < blocks; ++b) {
      const int kind = static_cast<int>(rng() % 4);
      const char* names[] = {"cidchar", "cidrange", "notdefchar", "notdefrange"};
      const int n = 1 + static_cast<int>(rng() % 10);
      text += std::to_string(n) + " begin" + names[kind] + w.Gap(false);
      for (int i = 0; i < n; ++i) {
        TCidDef d;
        d.NotDef = kind >= 2;
        d.Low = 0x2000 + static_cast<std::uint32_t>(rng() % 500);
        d.High = kind % 2 == 1 ? d.Low + static_cast<std::uint32_t>(rng() % 100) : d.Low;
        d.Cid = static_cast<std::uint32_t>(rng() % 70000);
        text += w.HexString(d.Low, 2) + w.Gap();
        if (kind % 2 == 1) text += w.HexString(d.High, 2) + w.Gap();
        text += std::to_string(d.Cid) + w.Gap(false);
        defs.push_back(d);
      }
      text += std::string("end") + names[kind] + "\n";
    }
    const TPdfCMap cmap = TPdfCMap::Parse(text);
    EXPECT_FALSE(cmap.Vertical());
    for (std::uint32_t v = 0x1FF0; v < 0x2300; ++v) {
      ASSERT_EQ(cmap.Cid({v, 2}), ExpectedCid(defs, v)) << Hex(v, 2) << " in\n" << text;
      std::u32string none;
      ASSERT_FALSE(cmap.AppendText({v, 2}, none));
    }
  }
}

// Codespace ranges as the rule reads them, bytes by their own bounds.
struct TRange {
  std::vector<std::uint8_t> Low, High;
};

int ExpectedLength(const std::vector<TRange>& ranges, const std::string& bytes) {
  auto leading = [&](const TRange& r) {
    std::size_t k = 0;
    while (k < r.Low.size() && k < bytes.size() && static_cast<std::uint8_t>(bytes[k]) >= r.Low[k] &&
           static_cast<std::uint8_t>(bytes[k]) <= r.High[k])
      ++k;
    return k;
  };
  for (std::size_t n = 1; n <= 4; ++n)
    for (const TRange& r : ranges)
      if (r.Low.size() == n && leading(r) == n) return static_cast<int>(n);
  std::size_t best = 0, length = 1;
  for (const TRange& r : ranges) {
    const std::size_t k = leading(r);
    if (k > best || (k == best && k > 0 && r.Low.size() < length)) best = k, length = r.Low.size();
  }
  return best == 0 ? 1 : static_cast<int>(std::min(length, bytes.size()));
}

TEST(PdfCMap, CodespaceRangesSplitStringsAsTheRuleSays) {
  // Shift-JIS's layout, as 90ms-RKSJ-H gives it, then random layouts.
  std::mt19937 rng(5);
  for (int round = 0; round < 200; ++round) {
    std::vector<TRange> ranges;
    if (round == 0) {
      ranges = {{{0x00}, {0x80}}, {{0x81, 0x40}, {0x9F, 0xFC}}, {{0xA0}, {0xDF}}, {{0xE0, 0x40}, {0xFC, 0xFC}}};
    } else {
      const int n = 1 + static_cast<int>(rng() % 5);
      for (int i = 0; i < n; ++i) {
        TRange r;
        const int bytes = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < bytes; ++k) {
          const auto a = static_cast<std::uint8_t>(rng()), b = static_cast<std::uint8_t>(rng());
          r.Low.push_back(std::min(a, b));
          r.High.push_back(std::max(a, b));
        }
        ranges.push_back(r);
      }
    }
    std::string text = std::to_string(ranges.size()) + " begincodespacerange\n";
    for (const TRange& r : ranges) {
      text += "<";
      for (std::uint8_t b : r.Low) text += Hex(b, 1);
      text += "> <";
      for (std::uint8_t b : r.High) text += Hex(b, 1);
      text += ">\n";
    }
    text += "endcodespacerange\n";
    const TPdfCMap cmap = TPdfCMap::Parse(text);
    for (int s = 0; s < 40; ++s) {
      std::string bytes;
      const int n = static_cast<int>(rng() % 12);
      for (int i = 0; i < n; ++i) {
        // Bytes near the ranges' bounds, where the splitting turns.
        const TRange& r = ranges[rng() % ranges.size()];
        const std::size_t k = static_cast<std::size_t>(i) % r.Low.size();
        const int pick = static_cast<int>(rng() % 4);
        bytes += static_cast<char>(pick == 0 ? r.Low[k] : pick == 1 ? r.High[k] : pick == 2 ? r.High[k] + 1 : rng());
      }
      std::string_view rest = bytes;
      while (!rest.empty()) {
        const TCode code = cmap.NextCode(rest);
        const int expected = ExpectedLength(ranges, std::string(rest));
        ASSERT_EQ(code.Bytes, expected) << text;
        std::uint32_t value = 0;
        for (int k = 0; k < expected; ++k) value = value << 8 | static_cast<std::uint8_t>(rest[static_cast<std::size_t>(k)]);
        ASSERT_EQ(code.Value, value);
        rest.remove_prefix(static_cast<std::size_t>(code.Bytes));
      }
    }
  }
}

TEST(PdfCMap, PredefinedCMapsMeanTheirCodes) {
  const TPdfCMap identity = *TPdfCMap::Predefined("Identity-H");
  EXPECT_FALSE(identity.Vertical());
  EXPECT_TRUE(TPdfCMap::Predefined("Identity-V")->Vertical());
  const TCode c = identity.NextCode("\x12\x34\x56");
  EXPECT_EQ(c.Value, 0x1234u);
  EXPECT_EQ(c.Bytes, 2);
  EXPECT_EQ(identity.NextCode("\x12").Bytes, 1);
  EXPECT_EQ(identity.Cid({0x1234, 2}), 0x1234u);
  EXPECT_EQ(TextOf(identity, 0x0041, 2), U"<none>");
  EXPECT_FALSE(identity.UnicodeCodes());

  for (const char* name : {"UniGB-UCS2-H", "UniJIS-UCS2-H", "UniKS-UCS2-V", "UniCNS-UCS2-H", "UniJIS-UCS2-HW-H"}) {
    const std::optional<TPdfCMap> ucs2 = TPdfCMap::Predefined(name);
    ASSERT_TRUE(ucs2) << name;
    EXPECT_TRUE(ucs2->UnicodeCodes());
    EXPECT_EQ(ucs2->NextCode("\x4E\x2D\x00").Bytes, 2);
    EXPECT_EQ(TextOf(*ucs2, 0x4E2D, 2), U"\u4E2D");
    EXPECT_EQ(TextOf(*ucs2, 0xD800, 2), U"\uFFFD");
    EXPECT_EQ(TextOf(*ucs2, 0xFB01, 2), U"fi");
    EXPECT_EQ(ucs2->Cid({0x4E2D, 2}), std::nullopt);
  }
  EXPECT_TRUE(TPdfCMap::Predefined("UniKS-UCS2-V")->Vertical());

  for (const char* name : {"UniGB-UTF16-H", "UniJIS-UTF16-H", "UniKS-UTF16-H", "UniCNS-UTF16-V"}) {
    const TPdfCMap utf16 = *TPdfCMap::Predefined(name);
    // U+1F600 as a surrogate pair is one code of four bytes; then "A"; then a lone low surrogate.
    const std::string bytes("\xD8\x3D\xDE\x00\x00\x41\xDC\x00", 8);
    std::string_view rest = bytes;
    std::u32string text;
    int codes = 0;
    while (!rest.empty()) {
      const TCode code = utf16.NextCode(rest);
      EXPECT_TRUE(utf16.AppendText(code, text));
      rest.remove_prefix(static_cast<std::size_t>(code.Bytes));
      ++codes;
    }
    EXPECT_EQ(codes, 3) << name;
    EXPECT_EQ(text, U"\U0001F600A\uFFFD") << name;
  }
  const TPdfCMap utf8 = *TPdfCMap::Predefined("UniJIS-UTF8-H");
  EXPECT_EQ(utf8.NextCode("\xE4\xB8\xAD").Bytes, 3);
  EXPECT_EQ(TextOf(utf8, 0xE4B8AD, 3), U"\u4E2D");
  const TPdfCMap utf32 = *TPdfCMap::Predefined("UniJIS-UTF32-H");
  EXPECT_EQ(TextOf(utf32, 0x0001F600, 4), U"\U0001F600");

  for (const char* name : {"90ms-RKSJ-H", "GBK-EUC-H", "Identity", "UniGB-UCS2", "Foo-H", "", "UniJIS-H"})
    EXPECT_FALSE(TPdfCMap::Predefined(name)) << name;
}

TEST(PdfCMap, EmbeddedEncodingCMapsBuildOnThePredefinedOnesAndGiveTheirWritingMode) {
  const TPdfCMap cmap = TPdfCMap::Parse(
      "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
      "/Identity-H usecmap\n/WMode 1 def\n"
      "1 begincidrange <0100> <01FF> 5000 endcidrange\n"
      "1 begincodespacerange <80> <8F> endcodespacerange\n"
      "1 begincidchar <85> 7 endcidchar\nendcmap\n");
  EXPECT_TRUE(cmap.Vertical());
  EXPECT_EQ(cmap.Cid({0x0042, 2}), 0x42u);    // from Identity-H
  EXPECT_EQ(cmap.Cid({0x0110, 2}), 5016u);    // its own range
  EXPECT_EQ(cmap.Cid({0x85, 1}), 7u);
  EXPECT_EQ(cmap.NextCode("\x85\x85").Bytes, 1);
  EXPECT_EQ(cmap.NextCode("\x05\x85").Bytes, 2);

  const TPdfCMap unicode = TPdfCMap::Parse("/UniJIS-UTF16-H usecmap 1 beginbfchar <0041> <0042> endbfchar");
  EXPECT_TRUE(unicode.UnicodeCodes());
  EXPECT_EQ(TextOf(unicode, 0x41, 2), U"B");
  EXPECT_EQ(TextOf(unicode, 0x43, 2), U"C");
}

TEST(PdfCMap, ProducersQuirksReadAsMeant) {
  // No white space at all between strings, CR line ends, literal strings,
  // names and odd-length hex as destinations, counts that are wrong, blocks
  // without their end, a range over two leading bytes.
  const TPdfCMap cmap = TPdfCMap::Parse(
      "1 begincodespacerange<00><FF>endcodespacerange\r"
      "2 beginbfchar<01><0066 0069><02>/f_f_i\r(\\003)<20>\r<04><D83D><05> <DE00>endbfchar\r"
      "9 beginbfrange<10><12>[<0041><0042>]<20><2F><00610062>endbfrange "
      "1 beginbfchar <30> <0031> 2 beginbfrange <40> <41> <0058> endbfrange\n"
      "1 beginbfrange <F0> <F1> /Adieresis endbfrange");
  EXPECT_EQ(TextOf(cmap, 0x01, 1), U"fi");
  EXPECT_EQ(TextOf(cmap, 0x02, 1), U"ffi");
  EXPECT_EQ(TextOf(cmap, 0x03, 1), U" ");
  EXPECT_EQ(TextOf(cmap, 0x04, 1), U"\uFFFD");
  EXPECT_EQ(TextOf(cmap, 0x05, 1), U"\uFFFD");
  EXPECT_EQ(TextOf(cmap, 0x10, 1), U"A");
  EXPECT_EQ(TextOf(cmap, 0x11, 1), U"B");
  EXPECT_EQ(TextOf(cmap, 0x12, 1), U"<none>");
  EXPECT_EQ(TextOf(cmap, 0x20, 1), U"ab");
  EXPECT_EQ(TextOf(cmap, 0x2F, 1), U"aq");
  EXPECT_EQ(TextOf(cmap, 0x30, 1), U"1");  // a block cut short by the next one
  EXPECT_EQ(TextOf(cmap, 0x41, 1), U"Y");
  EXPECT_EQ(TextOf(cmap, 0xF1, 1), U"\u00C5");  // U+00C4 advanced

  // Mappings of two-byte codes serve a font whose codes are one byte, and the other way round.
  const TPdfCMap wide = TPdfCMap::Parse("1 beginbfchar <0041> <0061> endbfchar 1 beginbfrange <0100> <0102> <0030> endbfrange");
  EXPECT_EQ(TextOf(wide, 0x41, 1), U"a");
  EXPECT_EQ(TextOf(wide, 0x101, 2), U"1");
  EXPECT_EQ(wide.NextCode("\x01\x01").Bytes, 2);  // no codespace: the mappings' length
  const TPdfCMap narrow = TPdfCMap::Parse("1 beginbfchar <41> <0061> endbfchar");
  EXPECT_EQ(TextOf(narrow, 0x41, 2), U"a");
  EXPECT_EQ(TextOf(narrow, 0x141, 2), U"<none>");
  EXPECT_EQ(narrow.NextCode("\x41\x41").Bytes, 1);
  // A mapping of the code's own length hides the others.
  const TPdfCMap both = TPdfCMap::Parse("1 beginbfchar <41> <0061> endbfchar 1 beginbfchar <0042> <0062> endbfchar");
  EXPECT_EQ(TextOf(both, 0x41, 2), U"<none>");
  EXPECT_EQ(TextOf(both, 0x42, 1), U"<none>");
}

TEST(PdfCMap, HostileStreamsCostWhatTheirBytesDo) {
  // Ranges over every code of four bytes stay one range each.
  const TPdfCMap all = TPdfCMap::Parse(
      "1 begincodespacerange <00000000> <FFFFFFFF> endcodespacerange\n"
      "1 beginbfrange <00000000> <FFFFFFFF> <0041> endbfrange\n"
      "1 begincidrange <00000000> <FFFFFFFF> 0 endcidrange\n"
      "1 beginbfrange <00000010> <FFFFFFF0> [<0042>] endbfrange\n");
  EXPECT_LE(all.StoredRanges(), 5u);
  EXPECT_EQ(TextOf(all, 0, 4), U"A");
  EXPECT_EQ(TextOf(all, 0x10, 4), U"B");
  EXPECT_EQ(TextOf(all, 0x11, 4), U"R");
  EXPECT_EQ(TextOf(all, 0xFFFFFFFF, 4), U"\uFFFD");  // advanced past the last character
  EXPECT_EQ(all.Cid({0xFFFFFFFF, 4}), 0xFFFFFFFFu);

  // Each of many overlapping ranges over the others adds at most a few pieces.
  std::string nested;
  for (int i = 0; i < 2000; ++i) {
    nested += "1 beginbfrange ";
    nested += Angled(Hex(1000 - i / 2, 2)) + Angled(Hex(3000 + i, 2)) + "<0041> endbfrange\n";
  }
  for (int i = 0; i < 2000; ++i) {
    nested += "1 beginbfchar ";
    nested += Angled(Hex(static_cast<std::uint64_t>(i) * 7 % 5000, 2)) + "<0042> endbfchar\n";
  }
  EXPECT_LE(TPdfCMap::Parse(nested).StoredRanges(), 3 * 4000u);

  // A destination is cut to its first 256 UTF-16 units.
  const TPdfCMap longText = TPdfCMap::Parse("1 beginbfchar <01> <" + std::string(4 * 100000, 'A') + "> endbfchar");
  EXPECT_EQ(TextOf(longText, 1, 1), std::u32string(256, U'\xAAAA'));

  // Broken and unfinished syntax reads what it can and ends.
  for (const char* text : {"", "<", "(", "[", "1 beginbfchar", "1 beginbfchar <01", "1 beginbfrange <01> <02> [<0041>",
                           "1 beginbfrange <01> <02> [ 1 2 3 ] endbfrange", "((((\\", "<<<<>>>>", "/ /// usecmap",
                           "1 begincodespacerange <> <FF> <0102030405> <0102030405> <01> endcodespacerange",
                           "1 beginbfrange <0200> <0100> <0041> <01> <0102> <0041> endbfrange", "%%%%", "\x01\x02 \x7F"}) {
    const TPdfCMap cmap = TPdfCMap::Parse(text);
    EXPECT_EQ(cmap.NextCode("\x01\x02\x03").Bytes >= 1, true) << text;
    EXPECT_EQ(TextOf(cmap, 0x0100, 2), U"<none>") << text;
  }
}

}  // namespace
}  // namespace sorvik
