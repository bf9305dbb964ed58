#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "FileBudget.h"
#include "PdfFilters.h"
#include "PdfObject.h"

namespace sorvik {
namespace {

constexpr std::uint64_t kNoCap = std::uint64_t{1} << 40;

std::string Bytes(std::string_view hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return out;
}

TPdfObject Name(const char* name) { return TPdfObject::Name(name); }

TPdfObject Names(std::initializer_list<const char*> names) {
  std::vector<TPdfObject> items;
  for (const char* n : names) items.push_back(Name(n));
  return TPdfObject::Array(std::move(items));
}

TPdfObject Parms(std::vector<std::pair<std::string, std::int64_t>> values) {
  std::vector<std::pair<std::string, TPdfObject>> entries;
  for (auto& [key, value] : values) entries.emplace_back(key, TPdfObject::Int(value));
  return TPdfObject::Dict(TPdfDict(std::move(entries)));
}

TPdfDecoded Decode(std::string_view raw, const TPdfObject& filter, const TPdfObject& parms = {},
                   std::uint64_t cap = kNoCap) {
  TFileBudget budget = TFileBudget::WithCap(kNoCap);
  return PdfDecode(raw, filter, parms, budget, cap);
}

// ---------------------------------------------------------------------------
// Encoders of the test's own, each written from its format's description.

std::string HexEncode(std::string_view data) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < data.size(); ++i) {
    const auto c = static_cast<unsigned char>(data[i]);
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
    if (i % 30 == 29) out += "\r\n";
  }
  return out + ">";
}

std::string Ascii85Encode(std::string_view data) {
  std::string out;
  for (std::size_t i = 0; i < data.size(); i += 4) {
    const std::size_t n = std::min<std::size_t>(4, data.size() - i);
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < 4; ++k) value = value << 8 | (k < n ? static_cast<unsigned char>(data[i + k]) : 0);
    if (n == 4 && value == 0) {
      out += 'z';
      continue;
    }
    char digits[5];
    for (int k = 4; k >= 0; --k) {
      digits[k] = static_cast<char>('!' + value % 85);
      value /= 85;
    }
    out.append(digits, n + 1);
    if (i % 64 == 60) out += '\n';
  }
  return out + "~>";
}

// Runs of three or more equal bytes as repeats, the rest as literals.
std::string RunLengthEncode(std::string_view data) {
  std::string out;
  std::size_t i = 0;
  while (i < data.size()) {
    std::size_t run = 1;
    while (i + run < data.size() && run < 128 && data[i + run] == data[i]) ++run;
    if (run >= 3) {
      out += static_cast<char>(257 - run);
      out += data[i];
      i += run;
      continue;
    }
    std::size_t lit = 0;
    while (i + lit < data.size() && lit < 128) {
      if (i + lit + 2 < data.size() && data[i + lit] == data[i + lit + 1] && data[i + lit] == data[i + lit + 2]) break;
      ++lit;
    }
    out += static_cast<char>(lit - 1);
    out.append(data.substr(i, lit));
    i += lit;
  }
  return out + static_cast<char>(128);
}

std::string ZlibCompress(std::string_view data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                      static_cast<uLong>(data.size()), 9),
            Z_OK);
  out.resize(size);
  return out;
}

// LZW as PostScript's LZWEncode writes it (checked against Ghostscript's
// output for both EarlyChange values): a clear code first, codes widened
// when the decoder's table will need it, and, unless `keepFull`, a clear
// code when the table is full; with `keepFull` the table stays full.
std::string LzwEncode(std::string_view data, bool early, bool keepFull = false) {
  std::string out;
  std::uint32_t acc = 0;
  int held = 0, width = 9, next = 258;
  const auto put = [&](int code) {
    acc = acc << width | static_cast<std::uint32_t>(code);
    held += width;
    while (held >= 8) {
      held -= 8;
      out += static_cast<char>(acc >> held);
    }
  };
  std::map<std::string, int> table;
  const auto reset = [&] {
    table.clear();
    for (int c = 0; c < 256; ++c) table[std::string(1, static_cast<char>(c))] = c;
    next = 258;
    width = 9;
  };
  reset();
  put(256);
  std::string w;
  for (const char c : data) {
    if (table.count(w + c)) {
      w += c;
      continue;
    }
    put(table[w]);
    if (next < 4096) {
      table[w + c] = next++;
      if (next + (early ? 1 : 0) > (1 << width) && width < 12) ++width;
      if (next == 4096 && !keepFull) {
        put(256);
        reset();
      }
    }
    w = std::string(1, c);
  }
  if (!w.empty()) put(table[w]);
  put(257);
  if (held > 0) out += static_cast<char>(acc << (8 - held));
  return out;
}

int PaethOf(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// PNG rows with the tags given in turn (row i takes tags[i % size]).
std::string PngEncode(std::string_view data, std::size_t rowBytes, std::size_t pixel, const std::vector<int>& tags) {
  std::string out;
  for (std::size_t row = 0; row * rowBytes < data.size(); ++row) {
    const int tag = tags[row % tags.size()];
    out += static_cast<char>(tag);
    const std::size_t start = row * rowBytes, n = std::min(rowBytes, data.size() - start);
    const auto at = [&](std::size_t r, std::size_t j) -> int {
      return static_cast<unsigned char>(data[r * rowBytes + j]);
    };
    for (std::size_t j = 0; j < n; ++j) {
      const int x = at(row, j), a = j >= pixel ? at(row, j - pixel) : 0, b = row > 0 ? at(row - 1, j) : 0,
                c = row > 0 && j >= pixel ? at(row - 1, j - pixel) : 0;
      const int predicted = tag == 0 ? 0 : tag == 1 ? a : tag == 2 ? b : tag == 3 ? (a + b) / 2 : PaethOf(a, b, c);
      out += static_cast<char>(x - predicted);
    }
  }
  return out;
}

// TIFF predictor 2 over whole rows of `colors` x `columns` samples of `bits`.
std::string TiffEncode(const std::string& data, int colors, int bits, int columns) {
  const std::size_t rowBytes = (static_cast<std::size_t>(colors) * bits * columns + 7) / 8;
  std::string out = data;
  const auto sample = [&](const std::string& s, std::size_t row, int k) -> int {
    std::size_t bit = row * rowBytes * 8 + static_cast<std::size_t>(k) * bits;
    int v = 0;
    for (int b = 0; b < bits; ++b, ++bit) v = v << 1 | ((static_cast<unsigned char>(s[bit / 8]) >> (7 - bit % 8)) & 1);
    return v;
  };
  const auto store = [&](std::size_t row, int k, int v) {
    std::size_t bit = row * rowBytes * 8 + static_cast<std::size_t>(k) * bits;
    for (int b = bits - 1; b >= 0; --b, ++bit) {
      char& byte = out[bit / 8];
      const int mask = 0x80 >> (bit % 8);
      byte = static_cast<char>((v >> b) & 1 ? byte | mask : byte & ~mask);
    }
  };
  for (std::size_t row = 0; row < data.size() / rowBytes; ++row)
    for (int k = colors; k < colors * columns; ++k)
      store(row, k, (sample(data, row, k) - sample(data, row, k - colors)) & ((1 << bits) - 1));
  return out;
}

std::string RandomBytes(std::mt19937& rng, std::size_t n, int alphabet) {
  std::string s(n, '\0');
  std::uniform_int_distribution<int> pick(0, alphabet - 1);
  for (char& c : s) c = static_cast<char>(pick(rng));
  return s;
}

// ---------------------------------------------------------------------------

// Vectors made outside this program: Python's zlib and base64.a85encode, the
// LZW example of PDF's own description (also Ghostscript's LZWEncode output),
// hex and run-length by hand.
TEST(PdfFilters, KnownVectors) {
  const std::string text = "BT /F1 24 Tf 72 712 Td (Searchable text) Tj ET\n";
  const std::string zlibbed = Bytes(
      "78da730a51d077335430325108495330375230373452084951d0084e4d2c4ace484cca49552849ad28d15408c952700de102001b130cb9");
  const std::string rawDeflate =
      Bytes("730a51d077335430325108495330375230373452084951d0084e4d2c4ace484cca49552849ad28d15408c952700de10200");
  for (const char* flate : {"FlateDecode", "Fl"}) {
    const TPdfDecoded d = Decode(zlibbed, Name(flate));
    EXPECT_EQ(d.End, TPdfDecodeEnd::Done);
    EXPECT_EQ(d.Bytes, text);
  }
  EXPECT_EQ(Decode(rawDeflate, Name("FlateDecode")).Bytes, text);
  std::string badSum = zlibbed;
  badSum.back() ^= 0x55;  // the checksum after the data is not looked at
  EXPECT_EQ(Decode(badSum, Name("FlateDecode")).End, TPdfDecodeEnd::Done);
  std::string badHeader = zlibbed;
  badHeader[0] = '\x12';  // read as raw deflate after the two bytes
  EXPECT_EQ(Decode(badHeader, Name("FlateDecode")).Bytes, text);
  EXPECT_EQ(Decode("", Name("FlateDecode")).End, TPdfDecodeEnd::Done);

  const std::string lzw = Bytes("800b6050220c0c8501");
  for (const TPdfObject& parms : {TPdfObject(), Parms({{"EarlyChange", 0}})})
    EXPECT_EQ(Decode(lzw, Name("LZWDecode"), parms).Bytes, "-----A---B");
  EXPECT_EQ(Decode(lzw.substr(0, 8), Name("LZW")).Bytes, "-----A---B");  // no end code: the data's end

  EXPECT_EQ(Decode("9jqo^BlbD-BleB1DJ+*+F(f,q~>", Name("ASCII85Decode")).Bytes, "Man is distinguished");
  EXPECT_EQ(Decode("z@:E^H!!!$!\n s8W*~>", Name("A85")).Bytes,
            std::string("\0\0\0\0abc\0\0\0\0\xff\xff\xff\xff\xff\xff\xff", 15));
  EXPECT_EQ(Decode("GQ~>", Name("A85")).Bytes, "x");
  EXPECT_EQ(Decode("G^0", Name("A85")).Bytes, "xy");  // no end mark
  EXPECT_EQ(Decode("G^4T~>junk", Name("A85")).Bytes, "xyz");

  EXPECT_EQ(Decode("48 65\t6C\r\n6c 6F>2122", Name("ASCIIHexDecode")).Bytes, "Hello");
  EXPECT_EQ(Decode("4a4", Name("AHx")).Bytes, "J@");  // a lone last digit is followed by 0
  EXPECT_EQ(Decode("7>", Name("AHx")).Bytes, "p");

  EXPECT_EQ(Decode(Bytes("02616263fd7a00218005"), Name("RunLengthDecode")).Bytes, "abczzzz!");
  EXPECT_EQ(Decode(Bytes("81ff"), Name("RL")).Bytes, std::string(128, '\xff'));
}

// Random bytes through every filter and through chains, encoded by the
// test's own encoders, come back exactly; each stage's output is spent.
TEST(PdfFilters, EncodedBytesDecodeBack) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 60; ++round) {
    const std::size_t n = round < 5 ? static_cast<std::size_t>(round) : rng() % 12000;
    const std::string data = RandomBytes(rng, n, round % 3 == 0 ? 256 : round % 3 == 1 ? 4 : 2);
    SCOPED_TRACE(testing::Message() << "round " << round << ", " << n << " bytes");

    const std::string flate = ZlibCompress(data), lzw = LzwEncode(data, true), lzwRuns = RunLengthEncode(lzw);
    const struct {
      std::string encoded;
      TPdfObject filter;
      std::uint64_t made;  // every stage's output
    } cases[] = {
        {HexEncode(data), Name("ASCIIHexDecode"), n},
        {Ascii85Encode(data), Name("ASCII85Decode"), n},
        {RunLengthEncode(data), Name("RunLengthDecode"), n},
        {flate, Name("FlateDecode"), n},
        {lzw, Name("LZWDecode"), n},
        {HexEncode(flate), Names({"AHx", "Fl"}), flate.size() + n},
        {Ascii85Encode(lzwRuns), Names({"A85", "RL", "LZW"}), lzwRuns.size() + lzw.size() + n},
        {data, TPdfObject(), n},
        {data, Names({}), n},
        {HexEncode(data), Names({"Crypt", "AHx"}), n},
    };
    for (const auto& c : cases) {
      TFileBudget budget = TFileBudget::WithCap(kNoCap);
      const TPdfDecoded d = PdfDecode(c.encoded, c.filter, {}, budget, kNoCap);
      EXPECT_EQ(d.End, TPdfDecodeEnd::Done);
      EXPECT_TRUE(d.Bytes == data);
      EXPECT_EQ(budget.Used(), c.made);
    }
    EXPECT_TRUE(Decode(LzwEncode(data, false), Name("LZWDecode"), Parms({{"EarlyChange", 0}})).Bytes == data);
  }
}

// Codes widen from 9 to 12 bits, the table fills, is cleared, or stays full
// and keeps being used; a code the table doesn't hold yet is damage.
TEST(PdfFilters, LzwTableLife) {
  std::mt19937 rng(7);
  const std::string data = RandomBytes(rng, 60000, 16);  // fills the table several times
  for (const bool early : {false, true}) {
    const TPdfObject parms = Parms({{"EarlyChange", early ? 1 : 0}});
    for (const bool keepFull : {false, true}) {
      const TPdfDecoded d = Decode(LzwEncode(data, early, keepFull), Name("LZWDecode"), parms);
      EXPECT_EQ(d.End, TPdfDecodeEnd::Done);
      EXPECT_TRUE(d.Bytes == data) << early << keepFull;
    }
  }
  // Clear, 'A', then 300 (only 258 may follow): what came before stays.
  const TPdfDecoded d = Decode(Bytes("80106580"), Name("LZWDecode"));
  EXPECT_EQ(d.End, TPdfDecodeEnd::Damaged);
  EXPECT_EQ(d.Bytes, "A");
  EXPECT_EQ(Decode(Bytes("ff80"), Name("LZWDecode")).End, TPdfDecodeEnd::Damaged);  // 511 first
  EXPECT_EQ(Decode("x", Name("LZWDecode"), Parms({{"EarlyChange", 2}})).End, TPdfDecodeEnd::Unsupported);
}

// PNG rows of every tag and TIFF samples of every width, over Flate and LZW,
// with the parameters in a dictionary or in an array beside other filters.
TEST(PdfFilters, PredictorsUndone) {
  std::mt19937 rng(99);
  const struct {
    int colors, bits, columns;
  } shapes[] = {{1, 8, 5}, {3, 8, 7}, {4, 16, 3}, {1, 1, 13}, {2, 2, 9}, {3, 4, 5}, {1, 16, 1}, {32, 8, 2}};
  for (const auto& s : shapes) {
    SCOPED_TRACE(testing::Message() << s.colors << " colours, " << s.bits << " bits, " << s.columns << " columns");
    const std::size_t rowBytes = (static_cast<std::size_t>(s.colors) * s.bits * s.columns + 7) / 8;
    const std::size_t pixel = std::max<std::size_t>(1, (static_cast<std::size_t>(s.colors) * s.bits + 7) / 8);
    // Smooth data, so the predictors have something to predict, in whole rows.
    std::string data(rowBytes * 23, '\0');
    int level = 0;
    for (char& c : data) c = static_cast<char>(level += static_cast<int>(rng() % 7) - 3);
    const TPdfObject png =
        Parms({{"Predictor", 12}, {"Colors", s.colors}, {"BitsPerComponent", s.bits}, {"Columns", s.columns}});
    const TPdfObject tiff =
        Parms({{"Predictor", 2}, {"Colors", s.colors}, {"BitsPerComponent", s.bits}, {"Columns", s.columns}});

    for (const std::vector<int>& tags : std::vector<std::vector<int>>{{0}, {1}, {2}, {3}, {4}, {4, 0, 3, 1, 2}}) {
      const std::string predicted = PngEncode(data, rowBytes, pixel, tags);
      EXPECT_TRUE(Decode(ZlibCompress(predicted), Name("FlateDecode"), png).Bytes == data) << tags[0];
      EXPECT_TRUE(Decode(LzwEncode(predicted, true), Name("LZWDecode"), png).Bytes == data) << tags[0];
    }
    const std::string differenced = TiffEncode(data, s.colors, s.bits, s.columns);
    const TPdfDecoded d = Decode(ZlibCompress(differenced), Name("FlateDecode"), tiff);
    EXPECT_EQ(d.End, TPdfDecodeEnd::Done);
    EXPECT_TRUE(d.Bytes == data);
    const TPdfObject inArray = TPdfObject::Array({TPdfObject(), tiff});
    EXPECT_TRUE(Decode(HexEncode(ZlibCompress(differenced)), Names({"AHx", "Fl"}), inArray).Bytes == data);
  }

  // A last row cut short keeps its bytes; an unknown tag ends the data there.
  const TPdfObject png3 = Parms({{"Predictor", 15}, {"Columns", 3}});
  const std::string rows = Bytes("02010203" "02010101" "0105");  // up, up, and sub cut short
  EXPECT_EQ(Decode(ZlibCompress(rows), Name("Fl"), png3).Bytes, Bytes("010203" "020304" "05"));
  const TPdfDecoded bad = Decode(ZlibCompress(Bytes("00414243" "07444546" "00474849")), Name("Fl"), png3);
  EXPECT_EQ(bad.End, TPdfDecodeEnd::Damaged);
  EXPECT_EQ(bad.Bytes, "ABC");
  // Predictors and parameters not known here are refused before anything is made.
  for (const TPdfObject& parms : {Parms({{"Predictor", 3}}), Parms({{"Predictor", 12}, {"BitsPerComponent", 3}}),
                                  Parms({{"Predictor", 2}, {"Colors", 0}}), Parms({{"Predictor", 12}, {"Columns", -4}}),
                                  Parms({{"Predictor", 12}, {"Columns", std::int64_t{1} << 40}})})
    EXPECT_EQ(Decode(ZlibCompress("data"), Name("FlateDecode"), parms).End, TPdfDecodeEnd::Unsupported);
}

// Damage in each filter keeps the bytes decoded before it.
TEST(PdfFilters, DamageKeepsWhatCameBefore) {
  std::mt19937 rng(3);
  const std::string data = RandomBytes(rng, 200000, 40);
  const std::string flate = ZlibCompress(data);
  for (const std::size_t cut : {flate.size() / 2, flate.size() - 5}) {
    const TPdfDecoded d = Decode(flate.substr(0, cut), Name("FlateDecode"));
    EXPECT_EQ(d.End, TPdfDecodeEnd::Damaged);
    EXPECT_GT(d.Bytes.size(), 0u);
    EXPECT_TRUE(data.compare(0, d.Bytes.size(), d.Bytes) == 0);
  }
  EXPECT_EQ(Decode("\x78\x9c garbage", Name("FlateDecode")).End, TPdfDecodeEnd::Damaged);

  const struct {
    const char* filter;
    std::string encoded;
    std::string kept;
  } cases[] = {
      {"ASCIIHexDecode", "414243x44", "ABC"},
      {"ASCII85Decode", "9jqo^Blbv", "Man "},       // 'v' is no digit
      {"ASCII85Decode", "9jqo^Bz", "Man "},         // 'z' inside a group
      {"ASCII85Decode", "9jqo^B~>", "Man "},        // a lone last digit
      {"ASCII85Decode", "s8W-\"", ""},              // beyond 32 bits
      {"RunLengthDecode", Bytes("0461626364"), "abcd"},
      {"RunLengthDecode", Bytes("016162fe"), "ab"},
  };
  for (const auto& c : cases) {
    const TPdfDecoded d = Decode(c.encoded, Name(c.filter));
    EXPECT_EQ(d.End, TPdfDecodeEnd::Damaged) << c.filter << " " << c.encoded;
    EXPECT_EQ(d.Bytes, c.kept) << c.filter << " " << c.encoded;
  }
  // Damage early in a chain: the later stages decode what it made.
  const TPdfDecoded chain = Decode(HexEncode(RunLengthEncode("hello world")).substr(0, 12) + "#", Names({"AHx", "RL"}));
  EXPECT_EQ(chain.End, TPdfDecodeEnd::Damaged);
  EXPECT_EQ(chain.Bytes, "hello");
}

// Deflate data of four gibibytes of zeros, in four megabytes: blocks made
// after a full flush start afresh, so one block's bytes can be repeated.
std::string DeflateBomb(int mebibytes) {
  z_stream z{};
  EXPECT_EQ(deflateInit(&z, 9), Z_OK);
  const std::string zeros(1 << 20, '\0');
  std::string out;
  const auto run = [&](const std::string& in, int flush) {
    std::string piece(1 << 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    std::string made;
    do {
      z.next_out = reinterpret_cast<Bytef*>(piece.data());
      z.avail_out = static_cast<uInt>(piece.size());
      deflate(&z, flush);
      made.append(piece.data(), piece.size() - z.avail_out);
    } while (z.avail_out == 0);
    return made;
  };
  out = run(zeros, Z_FULL_FLUSH);
  const std::string block = run(zeros, Z_FULL_FLUSH);
  EXPECT_EQ(run(zeros, Z_FULL_FLUSH), block);
  for (int i = 3; i < mebibytes; ++i) out += block;
  out += block + block + run("", Z_FINISH);
  deflateEnd(&z);
  return out;
}

// A bomb stops at the cap, or at the budget when that is nearer (which is
// then marked reached); a bomb in a chain's first stage stops there.
TEST(PdfFilters, BombsStopAtTheLimit) {
  const std::string bomb = DeflateBomb(4096);
  ASSERT_LT(bomb.size(), 5u << 20);
  constexpr std::uint64_t kCap = 8 << 20;
  {
    TFileBudget budget = TFileBudget::WithCap(kNoCap);
    const TPdfDecoded d = PdfDecode(bomb, Name("FlateDecode"), {}, budget, kCap);
    EXPECT_EQ(d.End, TPdfDecodeEnd::Limited);
    EXPECT_EQ(d.Bytes.size(), kCap);
    EXPECT_EQ(d.Bytes.find_first_not_of('\0'), std::string::npos);
    EXPECT_EQ(budget.Used(), kCap);
    EXPECT_FALSE(budget.Reached());
  }
  {
    TFileBudget budget = TFileBudget::WithCap(kCap / 2);
    const TPdfDecoded d = PdfDecode(bomb, Name("FlateDecode"), {}, budget, kCap);
    EXPECT_EQ(d.End, TPdfDecodeEnd::Limited);
    EXPECT_EQ(d.Bytes.size(), kCap / 2);
    EXPECT_TRUE(budget.Reached());
    EXPECT_EQ(budget.Left(), 0u);
    // Nothing more can be made from this file.
    EXPECT_EQ(PdfDecode("414243", Name("AHx"), {}, budget, kCap).End, TPdfDecodeEnd::Limited);
  }
  {
    // Hex digits of a bomb: the first stage stops at the cap, the second makes half.
    TFileBudget budget = TFileBudget::WithCap(kNoCap);
    const TPdfDecoded d = PdfDecode(ZlibCompress(std::string(kCap * 3, '7')), Names({"Fl", "AHx"}), {}, budget, kCap);
    EXPECT_EQ(d.End, TPdfDecodeEnd::Limited);
    EXPECT_EQ(d.Bytes, std::string(kCap / 2, 'w'));
    EXPECT_EQ(budget.Used(), kCap + kCap / 2);
  }
  // Run-length and LZW multiply too; a stream exactly as long as the cap is whole.
  EXPECT_EQ(Decode(std::string(10000, '\x81') + "x", Name("RL"), {}, 1000).End, TPdfDecodeEnd::Limited);
  EXPECT_EQ(Decode(LzwEncode(std::string(100000, 'a'), true), Name("LZW"), {}, 99999).Bytes.size(), 99999u);
  const TPdfDecoded whole = Decode(ZlibCompress(std::string(5000, 'q')), Name("Fl"), {}, 5000);
  EXPECT_EQ(whole.End, TPdfDecodeEnd::Done);
  EXPECT_EQ(whole.Bytes.size(), 5000u);
  EXPECT_EQ(Decode("abcdef", TPdfObject(), {}, 4).Bytes, "abcd");
}

// Image filters anywhere in the chain make it an image; unknown names,
// or a /Filter that is no name, make it unsupported. Neither spends.
TEST(PdfFilters, ImagesAndUnknownFilters) {
  const struct {
    TPdfObject filter;
    TPdfDecodeEnd end;
  } cases[] = {
      {Name("DCTDecode"), TPdfDecodeEnd::Image},
      {Names({"FlateDecode", "DCTDecode"}), TPdfDecodeEnd::Image},
      {Names({"A85", "JPXDecode"}), TPdfDecodeEnd::Image},
      {Name("CCITTFaxDecode"), TPdfDecodeEnd::Image},
      {Name("CCF"), TPdfDecodeEnd::Image},
      {Name("JBIG2Decode"), TPdfDecodeEnd::Image},
      {Names({"Foo", "DCT"}), TPdfDecodeEnd::Image},
      {Name("BrotliDecode"), TPdfDecodeEnd::Unsupported},
      {Names({"FlateDecode", "Foo"}), TPdfDecodeEnd::Unsupported},
      {TPdfObject::Int(3), TPdfDecodeEnd::Unsupported},
      {TPdfObject::Array({Name("AHx"), TPdfObject()}), TPdfDecodeEnd::Unsupported},
      {Name("flatedecode"), TPdfDecodeEnd::Unsupported},
  };
  for (const auto& c : cases) {
    TFileBudget budget = TFileBudget::WithCap(kNoCap);
    const TPdfDecoded d = PdfDecode("4142>", c.filter, {}, budget, kNoCap);
    EXPECT_EQ(d.End, c.end);
    EXPECT_TRUE(d.Bytes.empty());
    EXPECT_EQ(budget.Used(), 0u);
  }
  // Parameters of the wrong kind count as none; a lone dictionary is the first filter's.
  const std::string png = ZlibCompress(Bytes("0041" "0201"));
  const TPdfObject cols1 = Parms({{"Predictor", 12}});
  EXPECT_EQ(Decode(png, Name("Fl"), cols1).Bytes, "AB");
  EXPECT_EQ(Decode(png, Names({"Fl"}), cols1).Bytes, "AB");
  EXPECT_EQ(Decode(HexEncode(png), Names({"AHx", "Fl"}), cols1).Bytes, Bytes("00410201"));
  EXPECT_EQ(Decode(png, Name("Fl"), TPdfObject::Int(12)).Bytes, Bytes("00410201"));
  EXPECT_EQ(Decode(png, Name("Fl"), TPdfObject::Array({TPdfObject::Int(1)})).Bytes, Bytes("00410201"));
}

}  // namespace
}  // namespace sorvik
