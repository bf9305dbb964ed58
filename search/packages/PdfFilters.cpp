#include "PdfFilters.h"

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sorvik {

namespace {

// ---------------------------------------------------------------------------
// The chain as read from the stream's dictionary.

enum class TFilterKind : std::uint8_t { Flate, Lzw, AsciiHex, Ascii85, RunLength, Copy };

enum class TPredictorKind : std::uint8_t { None, Tiff, Png };

struct TPredictor {
  TPredictorKind Kind = TPredictorKind::None;
  std::uint32_t Colors = 1;
  std::uint32_t Bits = 8;      // bits per component: 1, 2, 4, 8 or 16
  std::uint64_t Columns = 1;

  // Bytes of one row of samples (without the PNG tag byte), and the bytes of
  // one pixel rounded up to a whole byte (the distance PNG's filters look back).
  std::uint64_t RowBytes() const { return (std::uint64_t{Colors} * Bits * Columns + 7) / 8; }
  std::size_t PixelBytes() const { return std::max<std::size_t>(1, (std::size_t{Colors} * Bits + 7) / 8); }
};

struct TStage {
  TFilterKind Kind = TFilterKind::Copy;
  TPredictor Predictor;
  bool EarlyChange = true;
};

enum class TChainRead : std::uint8_t { Ok, Image, Unsupported };

bool IsImageFilter(std::string_view name) {
  return name == "DCTDecode" || name == "DCT" || name == "JPXDecode" || name == "CCITTFaxDecode" || name == "CCF" ||
         name == "JBIG2Decode";
}

// Columns beyond this are no stream's: a row of them (at 32 components of 16
// bits) still counts its bits within 64.
constexpr std::int64_t kMostColumns = (std::int64_t{1} << 31) - 1;
constexpr std::int64_t kMostColors = 32;

// The predictor a /DecodeParms dictionary asks for; false for one this reader
// doesn't know or parameters it can't honour.
bool ReadPredictor(const TPdfDict& parms, TPredictor& predictor) {
  const std::int64_t kind = parms.Get("Predictor").AsInt(1);
  if (kind == 1) return true;
  if (kind == 2) {
    predictor.Kind = TPredictorKind::Tiff;
  } else if (kind >= 10 && kind <= 15) {
    predictor.Kind = TPredictorKind::Png;  // each row's tag byte says which filter
  } else {
    return false;
  }
  const std::int64_t colors = parms.Get("Colors").AsInt(1);
  const std::int64_t bits = parms.Get("BitsPerComponent").AsInt(8);
  const std::int64_t columns = parms.Get("Columns").AsInt(1);
  if (colors < 1 || colors > kMostColors || columns < 1 || columns > kMostColumns) return false;
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) return false;
  predictor.Colors = static_cast<std::uint32_t>(colors);
  predictor.Bits = static_cast<std::uint32_t>(bits);
  predictor.Columns = static_cast<std::uint64_t>(columns);
  return true;
}

bool ReadStage(std::string_view name, const TPdfDict& parms, TStage& stage) {
  if (name == "FlateDecode" || name == "Fl") {
    stage.Kind = TFilterKind::Flate;
    return ReadPredictor(parms, stage.Predictor);
  }
  if (name == "LZWDecode" || name == "LZW") {
    stage.Kind = TFilterKind::Lzw;
    const std::int64_t early = parms.Get("EarlyChange").AsInt(1);
    if (early != 0 && early != 1) return false;
    stage.EarlyChange = early == 1;
    return ReadPredictor(parms, stage.Predictor);
  }
  if (name == "ASCIIHexDecode" || name == "AHx") {
    stage.Kind = TFilterKind::AsciiHex;
    return true;
  }
  if (name == "ASCII85Decode" || name == "A85") {
    stage.Kind = TFilterKind::Ascii85;
    return true;
  }
  if (name == "RunLengthDecode" || name == "RL") {
    stage.Kind = TFilterKind::RunLength;
    return true;
  }
  return false;
}

// The stages of `filter` with their parameters; Crypt filters are left out.
// An image filter anywhere makes the stream an image, whatever else the chain
// holds; otherwise any name not known (or not a name) makes it unsupported.
TChainRead ReadChain(const TPdfObject& filter, const TPdfObject& parms, std::vector<TStage>& stages) {
  std::vector<const TPdfObject*> names;
  if (filter.Type() == TPdfType::Name) {
    names.push_back(&filter);
  } else if (filter.Type() == TPdfType::Array) {
    for (const TPdfObject& item : filter.AsArray()) names.push_back(&item);
  } else if (!filter.IsNull()) {
    return TChainRead::Unsupported;
  }
  for (const TPdfObject* name : names)
    if (name->Type() == TPdfType::Name && IsImageFilter(name->AsName())) return TChainRead::Image;

  const TPdfDict noParms;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i]->Type() != TPdfType::Name) return TChainRead::Unsupported;
    const std::string& name = names[i]->AsName();
    if (name == "Crypt") continue;
    const TPdfDict* own = &noParms;
    if (parms.Type() == TPdfType::Array) {
      const auto& items = parms.AsArray();
      if (i < items.size() && items[i].Type() == TPdfType::Dict) own = &items[i].AsDict();
    } else if (parms.Type() == TPdfType::Dict && i == 0) {
      own = &parms.AsDict();
    }
    TStage stage;
    if (!ReadStage(name, *own, stage)) return TChainRead::Unsupported;
    stages.push_back(stage);
  }
  return TChainRead::Ok;
}

// ---------------------------------------------------------------------------
// One stage's output, up to the most it may make (counting also what it made
// and set aside).

class StageOutput {
 public:
  explicit StageOutput(std::uint64_t limit) : limit_(limit) {}

  // Appends what fits; false once something didn't (the stage then stops).
  bool Put(const char* bytes, std::size_t n) {
    const std::size_t k = Fit(n);
    bytes_.append(bytes, k);
    return k == n;
  }
  bool Put(char c) { return Put(&c, 1); }
  bool Repeat(char c, std::size_t n) {
    const std::size_t k = Fit(n);
    bytes_.append(k, c);
    return k == n;
  }

  // More was wanted than the limit allows.
  bool Over() const { return over_; }
  // Bytes made: those held, those set aside, and those a predictor has
  // taken away since.
  std::uint64_t Made() const { return made_; }
  std::string& Bytes() { return bytes_; }
  // Sets the bytes made so far aside, for a second try at the input.
  std::string SetAside() { return std::exchange(bytes_, std::string()); }

 private:
  // How many of `n` bytes fit, counted as made.
  std::size_t Fit(std::size_t n) {
    const std::uint64_t room = limit_ - made_;
    if (n > room) {
      over_ = true;
      n = static_cast<std::size_t>(room);
    }
    made_ += n;
    return n;
  }

  std::uint64_t limit_;
  std::string bytes_;
  std::uint64_t made_ = 0;
  bool over_ = false;
};

// How a stage's decoding ended, apart from reaching its limit (StageOutput::Over).
enum class TStageEnd : std::uint8_t { Done, Damaged };

bool IsWhite(unsigned char c) { return c == 0 || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' '; }

// ---------------------------------------------------------------------------
// FlateDecode.

// zlib's raw inflate state, ended with its owner.
class RawInflater {
 public:
  RawInflater() {
    if (inflateInit2(&z_, -15) != Z_OK) throw std::bad_alloc();
  }
  ~RawInflater() { inflateEnd(&z_); }
  RawInflater(const RawInflater&) = delete;
  RawInflater& operator=(const RawInflater&) = delete;
  z_stream& Stream() { return z_; }

 private:
  z_stream z_{};
};

constexpr std::size_t kInflateStep = 64 * 1024;
constexpr std::size_t kMostInPerCall = std::size_t{1} << 30;  // what zlib's 32-bit counts take at once

// Inflates raw deflate data until its last block ends; bytes after it are
// passed over. What was inflated before bad data or the end of the input stays.
TStageEnd InflateRaw(std::string_view in, StageOutput& out) {
  RawInflater inflater;
  z_stream& z = inflater.Stream();
  std::string scratch(kInflateStep, '\0');
  std::size_t at = 0;
  for (;;) {
    const std::size_t offered = std::min(in.size() - at, kMostInPerCall);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data() + at));
    z.avail_in = static_cast<uInt>(offered);
    z.next_out = reinterpret_cast<Bytef*>(scratch.data());
    z.avail_out = static_cast<uInt>(scratch.size());
    const int ret = inflate(&z, Z_NO_FLUSH);
    const std::size_t used = offered - z.avail_in;
    const std::size_t made = scratch.size() - z.avail_out;
    at += used;
    if (!out.Put(scratch.data(), made)) return TStageEnd::Done;
    if (ret == Z_STREAM_END) return TStageEnd::Done;
    if (ret != Z_OK && ret != Z_BUF_ERROR) return TStageEnd::Damaged;
    if (used == 0 && made == 0) return TStageEnd::Damaged;  // cut short: the input has ended
  }
}

// Whether `in` starts with a zlib header for deflate data without a preset
// dictionary.
bool HasZlibHeader(std::string_view in) {
  if (in.size() < 2) return false;
  const unsigned cmf = static_cast<unsigned char>(in[0]), flg = static_cast<unsigned char>(in[1]);
  return (cmf & 0x0F) == 8 && (cmf >> 4) <= 7 && (cmf * 256 + flg) % 31 == 0 && (flg & 0x20) == 0;
}

// zlib data: the header is checked, the deflate data inflated, and the
// checksum after it not looked at (a mangled checksum costs no text). Data
// without a sound header is read as raw deflate, from its start and, when that
// meets bad data, once more after the two bytes a header takes: the try that
// made more is kept (both count as made).
TStageEnd Inflate(std::string_view in, StageOutput& out) {
  if (in.empty()) return TStageEnd::Done;
  if (HasZlibHeader(in)) return InflateRaw(in.substr(2), out);
  const TStageEnd first = InflateRaw(in, out);
  if (first != TStageEnd::Damaged || out.Over() || in.size() <= 2) return first;
  std::string firstBytes = out.SetAside();
  const TStageEnd second = InflateRaw(in.substr(2), out);
  if (out.Bytes().size() > firstBytes.size()) return second;
  out.Bytes() = std::move(firstBytes);
  return first;
}

// ---------------------------------------------------------------------------
// LZWDecode.

// An LZW decoder: codes of 9 to 12 bits, most significant bit first; a table
// of 258 fixed codes (the bytes, clear, end of data) and up to 4096 in all,
// each entry its prefix's code, its last and first bytes and its length.
// EarlyChange widens the codes one entry before the table needs it.
class LzwDecoder {
 public:
  explicit LzwDecoder(bool earlyChange)
      : early_(earlyChange ? 1 : 0), prefix_(kSize), last_(kSize), first_(kSize), length_(kSize), word_(kSize) {
    for (unsigned c = 0; c < 256; ++c) {
      last_[c] = first_[c] = static_cast<std::uint8_t>(c);
      length_[c] = 1;
    }
  }

  // Decodes until the end-of-data code, bad data (a code not yet defined) or
  // the end of the input, which ends the data too.
  TStageEnd Run(std::string_view in, StageOutput& out) {
    std::uint32_t bits = 0;
    unsigned held = 0;
    for (const char byte : in) {
      bits = (bits << 8) | static_cast<unsigned char>(byte);
      held += 8;
      while (held >= width_) {
        held -= width_;
        const unsigned code = (bits >> held) & ((1u << width_) - 1);
        if (code == kClear) {
          Clear();
        } else if (code == kEnd) {
          return TStageEnd::Done;
        } else if (!Take(code, out)) {
          return out.Over() ? TStageEnd::Done : TStageEnd::Damaged;
        }
      }
    }
    return TStageEnd::Done;
  }

 private:
  static constexpr unsigned kClear = 256, kEnd = 257, kFirstFree = 258, kSize = 4096;

  void Clear() {
    width_ = 9;
    next_ = kFirstFree;
    prev_ = kNone;
  }

  // Gives the string of `code` and adds the entry it completes; false for a
  // code not defined yet or when the output is full.
  bool Take(unsigned code, StageOutput& out) {
    if (prev_ == kNone) {
      if (code > 255) return false;
    } else if (code < next_) {
      if (next_ < kSize) Add(prev_, first_[code]);
    } else if (code == next_ && next_ < kSize) {
      Add(prev_, first_[prev_]);  // the string before, and its own first byte
    } else {
      return false;
    }
    prev_ = code;
    if (next_ + early_ >= (1u << width_) && width_ < 12) ++width_;
    return Give(code, out);
  }

  void Add(unsigned prefix, std::uint8_t last) {
    prefix_[next_] = static_cast<std::uint16_t>(prefix);
    last_[next_] = last;
    first_[next_] = first_[prefix];
    length_[next_] = static_cast<std::uint16_t>(length_[prefix] + 1);
    ++next_;
  }

  bool Give(unsigned code, StageOutput& out) {
    const std::size_t n = length_[code];
    for (std::size_t i = n; i-- > 0;) {
      word_[i] = static_cast<char>(last_[code]);
      code = prefix_[code];
    }
    return out.Put(word_.data(), n);
  }

  static constexpr unsigned kNone = kSize;

  unsigned early_;
  unsigned width_ = 9;
  unsigned next_ = kFirstFree;
  unsigned prev_ = kNone;
  std::vector<std::uint16_t> prefix_;
  std::vector<std::uint8_t> last_, first_;
  std::vector<std::uint16_t> length_;
  std::vector<char> word_;
};

// ---------------------------------------------------------------------------
// Predictors, undone in place on a stage's output.

std::uint8_t Paeth(int left, int up, int upLeft) {
  const int p = left + up - upLeft;
  const int pa = p > left ? p - left : left - p;
  const int pb = p > up ? p - up : up - p;
  const int pc = p > upLeft ? p - upLeft : upLeft - p;
  if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(left);
  return static_cast<std::uint8_t>(pb <= pc ? up : upLeft);
}

// PNG rows: a tag byte (0 none, 1 sub, 2 up, 3 average, 4 Paeth) and the
// row's bytes. Each row lands where it belongs without its tag, before the
// bytes it is made from, so the rows are undone over the data itself. A last
// row cut short keeps what it has; an unknown tag ends the data there.
TStageEnd UndoPng(std::string& data, const TPredictor& predictor) {
  const std::uint64_t rowBytes = predictor.RowBytes();
  const std::size_t pixel = predictor.PixelBytes();
  auto* bytes = reinterpret_cast<std::uint8_t*>(data.data());
  const std::uint64_t size = data.size();
  std::uint64_t in = 0, out = 0;
  for (std::uint64_t row = 0; in < size; ++row) {
    const std::uint8_t tag = bytes[in++];
    if (tag > 4) {
      data.resize(static_cast<std::size_t>(out));
      return TStageEnd::Damaged;
    }
    const std::size_t n = static_cast<std::size_t>(std::min(rowBytes, size - in));
    std::uint8_t* dst = bytes + out;
    const std::uint8_t* src = bytes + in;
    const std::uint8_t* up = row > 0 ? dst - static_cast<std::size_t>(rowBytes) : nullptr;  // a whole row before
    for (std::size_t j = 0; j < n; ++j) {
      const int left = j >= pixel ? dst[j - pixel] : 0;
      const int above = up ? up[j] : 0;
      const int aboveLeft = up && j >= pixel ? up[j - pixel] : 0;
      int add = 0;
      switch (tag) {
        case 1: add = left; break;
        case 2: add = above; break;
        case 3: add = (left + above) / 2; break;
        case 4: add = Paeth(left, above, aboveLeft); break;
        default: break;
      }
      dst[j] = static_cast<std::uint8_t>(src[j] + add);
    }
    in += n;
    out += n;
  }
  data.resize(static_cast<std::size_t>(out));
  return TStageEnd::Done;
}

// TIFF predictor 2: each sample is the difference from the same component of
// the pixel before it in its row. Rows start on a byte; samples of 16 bits are
// big-endian; samples cut short by the data's end stay as they are.
void UndoTiff(std::string& data, const TPredictor& predictor) {
  const std::uint64_t rowBytes = predictor.RowBytes();
  const std::uint64_t samples = std::uint64_t{predictor.Colors} * predictor.Columns;
  const std::uint32_t bits = predictor.Bits;
  const std::uint32_t mask = (1u << bits) - 1;
  const std::uint64_t back = std::uint64_t{predictor.Colors} * bits;  // in bits
  auto* bytes = reinterpret_cast<std::uint8_t*>(data.data());
  const std::uint64_t size = data.size();
  const auto get = [&](std::uint64_t bit) -> std::uint32_t {
    const std::uint8_t* p = bytes + bit / 8;
    if (bits == 16) return std::uint32_t{p[0]} << 8 | p[1];
    if (bits == 8) return p[0];
    return (p[0] >> (8 - bits - bit % 8)) & mask;
  };
  const auto set = [&](std::uint64_t bit, std::uint32_t value) {
    std::uint8_t* p = bytes + bit / 8;
    if (bits == 16) {
      p[0] = static_cast<std::uint8_t>(value >> 8);
      p[1] = static_cast<std::uint8_t>(value);
    } else if (bits == 8) {
      p[0] = static_cast<std::uint8_t>(value);
    } else {
      const unsigned shift = 8 - bits - bit % 8;
      p[0] = static_cast<std::uint8_t>((p[0] & ~(mask << shift)) | (value << shift));
    }
  };
  for (std::uint64_t start = 0; start < size; start += rowBytes) {
    const std::uint64_t rowBits = std::min(rowBytes, size - start) * 8;
    const std::uint64_t whole = std::min(samples, rowBits / bits);
    for (std::uint64_t s = predictor.Colors; s < whole; ++s) {
      const std::uint64_t bit = start * 8 + s * bits;
      set(bit, (get(bit) + get(bit - back)) & mask);
    }
  }
}

TStageEnd UndoPredictor(std::string& data, const TPredictor& predictor) {
  switch (predictor.Kind) {
    case TPredictorKind::None: return TStageEnd::Done;
    case TPredictorKind::Png: return UndoPng(data, predictor);
    case TPredictorKind::Tiff: UndoTiff(data, predictor); return TStageEnd::Done;
  }
  return TStageEnd::Done;
}

// ---------------------------------------------------------------------------
// The ASCII filters and run-length.

int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Pairs of hex digits, white space between them passed over, '>' the end; a
// last digit alone counts as followed by 0. Any other byte is damage.
TStageEnd UndoAsciiHex(std::string_view in, StageOutput& out) {
  int high = -1;
  TStageEnd end = TStageEnd::Done;
  for (const char ch : in) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsWhite(c)) continue;
    if (c == '>') break;
    const int value = HexValue(c);
    if (value < 0) {
      end = TStageEnd::Damaged;
      high = -1;
      break;
    }
    if (high < 0) {
      high = value;
    } else {
      if (!out.Put(static_cast<char>(high << 4 | value))) return TStageEnd::Done;
      high = -1;
    }
  }
  if (high >= 0) out.Put(static_cast<char>(high << 4));
  return end;
}

// Groups of five digits '!' to 'u' in base 85 for four bytes, 'z' for a group
// of four zeros, white space passed over, '~' the end (of "~>"). A last group
// of two to four digits gives one byte fewer than it has digits. A lone last
// digit, a 'z' inside a group, a group beyond 32 bits or any other byte is
// damage; the bytes of whole groups before it stay.
TStageEnd UndoAscii85(std::string_view in, StageOutput& out) {
  std::uint64_t value = 0;
  int digits = 0;
  const auto give = [&](int bytes) {
    const char group[4] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 8), static_cast<char>(value)};
    return out.Put(group, static_cast<std::size_t>(bytes));
  };
  for (const char ch : in) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsWhite(c)) continue;
    if (c == '~') break;
    if (c == 'z' && digits == 0) {
      if (!out.Repeat('\0', 4)) return TStageEnd::Done;
      continue;
    }
    if (c < '!' || c > 'u') return TStageEnd::Damaged;
    value = value * 85 + (c - '!');
    if (++digits == 5) {
      if (value > 0xFFFFFFFFu) return TStageEnd::Damaged;
      if (!give(4)) return TStageEnd::Done;
      value = 0;
      digits = 0;
    }
  }
  if (digits == 0) return TStageEnd::Done;
  if (digits == 1) return TStageEnd::Damaged;
  for (int i = digits; i < 5; ++i) value = value * 85 + 84;  // padded with 'u'
  if (value > 0xFFFFFFFFu) return TStageEnd::Damaged;
  give(digits - 1);
  return TStageEnd::Done;
}

// A length byte n: 0 to 127 copies the next n + 1 bytes, 129 to 255 repeats the
// next byte 257 - n times, 128 is the end. A run cut short by the data's end
// is damage (what it has is kept).
TStageEnd UndoRunLength(std::string_view in, StageOutput& out) {
  std::size_t at = 0;
  while (at < in.size()) {
    const unsigned n = static_cast<unsigned char>(in[at++]);
    if (n == 128) return TStageEnd::Done;
    if (n < 128) {
      const std::size_t count = std::min<std::size_t>(n + 1, in.size() - at);
      if (!out.Put(in.data() + at, count)) return TStageEnd::Done;
      at += count;
      if (count < n + 1) return TStageEnd::Damaged;
    } else {
      if (at == in.size()) return TStageEnd::Damaged;
      if (!out.Repeat(in[at++], 257 - n)) return TStageEnd::Done;
    }
  }
  return TStageEnd::Done;
}

// ---------------------------------------------------------------------------
// The chain.

TStageEnd RunStage(const TStage& stage, std::string_view in, StageOutput& out) {
  TStageEnd end = TStageEnd::Done;
  switch (stage.Kind) {
    case TFilterKind::Flate: end = Inflate(in, out); break;
    case TFilterKind::Lzw: end = LzwDecoder(stage.EarlyChange).Run(in, out); break;
    case TFilterKind::AsciiHex: return UndoAsciiHex(in, out);
    case TFilterKind::Ascii85: return UndoAscii85(in, out);
    case TFilterKind::RunLength: return UndoRunLength(in, out);
    case TFilterKind::Copy: out.Put(in.data(), in.size()); return TStageEnd::Done;
  }
  const TStageEnd predicted = UndoPredictor(out.Bytes(), stage.Predictor);
  return end == TStageEnd::Damaged ? end : predicted;
}

}  // namespace

TPdfDecoded PdfDecode(std::string_view raw, const TPdfObject& filter, const TPdfObject& parms, TFileBudget& budget,
                      std::uint64_t cap) {
  std::vector<TStage> stages;
  switch (ReadChain(filter, parms, stages)) {
    case TChainRead::Image: return {TPdfDecodeEnd::Image, {}};
    case TChainRead::Unsupported: return {TPdfDecodeEnd::Unsupported, {}};
    case TChainRead::Ok: break;
  }
  if (stages.empty()) stages.push_back(TStage{});  // the data as it is

  // Each stage reads the one before's output; a stage cut short by its limit or
  // by damage still hands on what it made. Reaching a limit says more than
  // damage (which a cut may cause in the stages after it).
  bool limited = false, damaged = false;
  std::string held;
  std::string_view in = raw;
  for (const TStage& stage : stages) {
    const std::uint64_t left = budget.Left();
    const bool byBudget = left <= cap;
    StageOutput out(std::min(cap, left));
    if (RunStage(stage, in, out) == TStageEnd::Damaged) damaged = true;
    budget.Spend(out.Made());
    if (out.Over()) {
      limited = true;
      if (byBudget) budget.MarkReached();
    }
    held = std::move(out.Bytes());
    in = held;
  }
  const TPdfDecodeEnd end = limited ? TPdfDecodeEnd::Limited : damaged ? TPdfDecodeEnd::Damaged : TPdfDecodeEnd::Done;
  return {end, std::move(held)};
}

}  // namespace sorvik
