#include "PdfCMap.h"

#include <algorithm>
#include <iterator>
#include <map>

#include "PdfEncoding.h"

namespace sorvik {

namespace {

bool IsSurrogate(std::uint32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

char32_t ValidChar(std::uint64_t c) { return c > 0x10FFFF || IsSurrogate(static_cast<std::uint32_t>(c)) ? U'\xFFFD' : static_cast<char32_t>(c); }

std::uint32_t ValueOf(std::string_view bytes) {
  std::uint32_t v = 0;
  for (char b : bytes) v = v << 8 | static_cast<unsigned char>(b);
  return v;
}

// The characters of a destination string: UTF-16BE, a lone surrogate read as
// U+FFFD; an odd length read as if a zero byte led it.
void AppendUtf16(std::string_view bytes, std::u32string& out) {
  std::string padded;
  if (bytes.size() % 2 != 0) {
    padded.reserve(bytes.size() + 1);
    padded += '\0';
    padded += bytes;
    bytes = padded;
  }
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    std::uint32_t u = ValueOf(bytes.substr(i, 2));
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
      const std::uint32_t low = ValueOf(bytes.substr(i + 2, 2));
      if (low >= 0xDC00 && low <= 0xDFFF) {
        out += static_cast<char32_t>(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    out += ValidChar(u);
  }
}

// The text a code of the UTF-8 CMaps stands for.
bool AppendUtf8Code(std::uint32_t value, int bytes, std::u32string& out) {
  const auto lead = static_cast<std::uint8_t>(value >> (8 * (bytes - 1)));
  std::uint32_t c = bytes == 1 ? lead : bytes == 2 ? (lead & 0x1F) : bytes == 3 ? (lead & 0x0F) : (lead & 0x07);
  for (int k = bytes - 2; k >= 0; --k) {
    const auto b = static_cast<std::uint8_t>(value >> (8 * k));
    if ((b & 0xC0) != 0x80) return false;
    c = c << 6 | (b & 0x3F);
  }
  if ((bytes == 1 && lead >= 0x80) || (bytes == 3 && c < 0x800) || (bytes == 4 && c < 0x10000)) return false;
  AppendTextChar(ValidChar(c), out);
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Mappings

void TPdfCMap::TRanges::Add(const TMapping& m) {
  Mappings.push_back(m);
  Lengths |= static_cast<std::uint8_t>(1u << ((m.First >> 32) - 1));
}

void TPdfCMap::TRanges::Build() {
  Pieces.clear();
  // Unnamed CIDs (notdef mappings) lie beneath the named ones, wherever they were given.
  std::vector<std::uint32_t> order(Mappings.size());
  for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_partition(order.begin(), order.end(), [this](std::uint32_t i) { return Mappings[i].Constant; });

  // Mappings in order, none overlapping (the usual case), are the pieces themselves.
  bool ordered = true;
  for (std::size_t k = 1; k < order.size() && ordered; ++k)
    ordered = Mappings[order[k]].First > Mappings[order[k - 1]].Last;
  if (ordered) {
    Pieces.reserve(order.size());
    for (std::uint32_t i : order) Pieces.push_back({Mappings[i].First, Mappings[i].Last, i});
    return;
  }
  // Otherwise the latest mapping first; each one fills only the gaps the later
  // ones left. Every mapping adds at most the gaps it fills, and fills at most
  // two more than the pieces it lies across, so the pieces stay within a small
  // multiple of the mappings.
  std::map<TKey, TPiece> pieces;
  for (auto at = order.rbegin(); at != order.rend(); ++at) {
    const TMapping& m = Mappings[*at];
    TKey from = m.First;
    auto next = pieces.upper_bound(from);
    if (next != pieces.begin()) {
      const TPiece& before = std::prev(next)->second;
      if (before.Last >= from) {
        if (before.Last >= m.Last) continue;
        from = before.Last + 1;
      }
    }
    while (from <= m.Last) {
      next = pieces.lower_bound(from);
      const TKey gapEnd = next == pieces.end() ? m.Last : std::min(m.Last, next->first - 1);
      if (next == pieces.end() || next->first > from) pieces.emplace_hint(next, from, TPiece{from, gapEnd, *at});
      if (next == pieces.end() || next->first > m.Last || next->second.Last >= m.Last) break;
      from = next->second.Last + 1;
    }
  }
  Pieces.reserve(pieces.size());
  for (const auto& entry : pieces) Pieces.push_back(entry.second);
}

const TPdfCMap::TMapping* TPdfCMap::TRanges::Find(TCode code) const {
  const TKey key = KeyOf(code);
  auto at = std::upper_bound(Pieces.begin(), Pieces.end(), key, [](TKey k, const TPiece& p) { return k < p.First; });
  if (at == Pieces.begin()) return nullptr;
  --at;
  return key <= at->Last ? &Mappings[at->Mapping] : nullptr;
}

const TPdfCMap::TMapping* TPdfCMap::TRanges::FindAnyLength(TCode& code) const {
  if (Lengths == 0 || (Lengths & (1u << (code.Bytes - 1)))) return Find(code);
  for (int n = 1; n <= 4; ++n) {
    if (!(Lengths & (1u << (n - 1))) || (n < 4 && code.Value >> (8 * n) != 0)) continue;
    if (const TMapping* m = Find({code.Value, n})) {
      code.Bytes = n;
      return m;
    }
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// Reading a CMap stream

// The tokens of a CMap (PostScript): numbers, strings, names, arrays' brackets
// and operators; comments, dictionaries' brackets and procedures' braces are
// passed over as "other" tokens.
class TPdfCMap::TParser {
 public:
  TParser(std::string_view data, TPdfCMap& cmap) : Data_(data), CMap_(cmap) {}

  void Run() {
    TToken before;  // the token before this one
    for (TToken t = Next(); t.Kind != TKind::End; t = Next()) {
      if (t.Kind == TKind::Operator) {
        if (t.Text == "begincodespacerange") ReadBlock(t.Text, 2);
        else if (t.Text == "beginbfchar") ReadBlock(t.Text, 2);
        else if (t.Text == "beginbfrange") ReadBlock(t.Text, 3);
        else if (t.Text == "begincidchar" || t.Text == "beginnotdefchar") ReadBlock(t.Text, 2);
        else if (t.Text == "begincidrange" || t.Text == "beginnotdefrange") ReadBlock(t.Text, 3);
        else if (t.Text == "usecmap" && before.Kind == TKind::Name) UsePredefined(before.Text);
      } else if (t.Kind == TKind::Number && before.Kind == TKind::Name && before.Text == "WMode") {
        CMap_.Vertical_ = t.Number == 1;
      }
      before = t;
    }
  }

 private:
  enum class TKind : std::uint8_t { End, Number, String, Name, Operator, ArrayOpen, ArrayClose, Other };
  struct TToken {
    TKind Kind = TKind::Other;
    std::string Text;  // a string's bytes, a name without '/', an operator
    std::int64_t Number = 0;
  };

  static bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0'; }
  static bool IsDelimiter(char c) {
    return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' || c == '/' || c == '%';
  }
  static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  TToken Next() {
    if (Pending_) {
      TToken t = std::move(*Pending_);
      Pending_.reset();
      return t;
    }
    TToken t;
    for (;;) {
      while (At_ < Data_.size() && IsWhite(Data_[At_])) ++At_;
      if (At_ >= Data_.size()) {
        t.Kind = TKind::End;
        return t;
      }
      if (Data_[At_] != '%') break;
      while (At_ < Data_.size() && Data_[At_] != '\n' && Data_[At_] != '\r') ++At_;
    }
    const char c = Data_[At_];
    if (c == '<' && At_ + 1 < Data_.size() && Data_[At_ + 1] == '<') {
      At_ += 2;
      return t;  // Other
    }
    if (c == '>' && At_ + 1 < Data_.size() && Data_[At_ + 1] == '>') {
      At_ += 2;
      return t;
    }
    if (c == '<') return HexString();
    if (c == '(') return LiteralString();
    if (c == '[' || c == ']') {
      ++At_;
      t.Kind = c == '[' ? TKind::ArrayOpen : TKind::ArrayClose;
      return t;
    }
    if (c == '/') {
      ++At_;
      t.Kind = TKind::Name;
      t.Text = Word();
      return t;
    }
    if (IsDelimiter(c)) {  // ) > { }
      ++At_;
      return t;
    }
    t.Text = Word();
    if (ReadInteger(t.Text, t.Number)) t.Kind = TKind::Number;
    else t.Kind = TKind::Operator;
    return t;
  }

  std::string Word() {
    const std::size_t start = At_;
    while (At_ < Data_.size() && !IsWhite(Data_[At_]) && !IsDelimiter(Data_[At_])) ++At_;
    return std::string(Data_.substr(start, At_ - start));
  }

  // An integer, or a real's integer part; false for any other word.
  static bool ReadInteger(std::string_view word, std::int64_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-';
    bool digits = false;
    std::int64_t v = 0;
    for (; i < word.size() && word[i] >= '0' && word[i] <= '9'; ++i) {
      digits = true;
      if (v < (std::int64_t{1} << 40)) v = v * 10 + (word[i] - '0');
    }
    if (i < word.size() && word[i] == '.') {
      for (++i; i < word.size() && word[i] >= '0' && word[i] <= '9'; ++i) digits = true;
    }
    if (!digits || i != word.size()) return false;
    value = negative ? -v : v;
    return true;
  }

  TToken HexString() {
    TToken t;
    t.Kind = TKind::String;
    ++At_;
    int high = -1;
    while (At_ < Data_.size() && Data_[At_] != '>') {
      const int d = HexDigit(Data_[At_++]);
      if (d < 0) continue;
      if (high < 0) {
        high = d;
      } else {
        t.Text += static_cast<char>(high << 4 | d);
        high = -1;
      }
    }
    if (high >= 0) t.Text += static_cast<char>(high << 4);
    if (At_ < Data_.size()) ++At_;
    return t;
  }

  TToken LiteralString() {
    TToken t;
    t.Kind = TKind::String;
    ++At_;
    int depth = 1;
    while (At_ < Data_.size()) {
      char c = Data_[At_++];
      if (c == '(') {
        ++depth;
      } else if (c == ')') {
        if (--depth == 0) break;
      } else if (c == '\\' && At_ < Data_.size()) {
        c = Data_[At_++];
        switch (c) {
          case 'n': c = '\n'; break;
          case 'r': c = '\r'; break;
          case 't': c = '\t'; break;
          case 'b': c = '\b'; break;
          case 'f': c = '\f'; break;
          case '\r':
            if (At_ < Data_.size() && Data_[At_] == '\n') ++At_;
            continue;
          case '\n': continue;
          default:
            if (c >= '0' && c <= '7') {
              int v = c - '0';
              for (int k = 0; k < 2 && At_ < Data_.size() && Data_[At_] >= '0' && Data_[At_] <= '7'; ++k)
                v = v * 8 + (Data_[At_++] - '0');
              c = static_cast<char>(v & 0xFF);
            }
        }
      }
      t.Text += c;
    }
    return t;
  }

  // The entries of a begin...end block, `arity` operands each, until its end
  // operator. An operand of the wrong kind drops the entry begun; any other
  // operator ends the block and is read again outside it.
  void ReadBlock(const std::string& begin, std::size_t arity) {
    const std::string end = "end" + begin.substr(5);
    std::vector<TToken> operands;
    for (TToken t = Next(); t.Kind != TKind::End; t = Next()) {
      if (t.Kind == TKind::Operator) {
        if (t.Text != end) Pending_ = std::move(t);
        return;
      }
      if (t.Kind == TKind::ArrayOpen) t = ReadArray();
      if (!Fits(begin, operands.size(), t)) {
        operands.clear();
        if (!Fits(begin, 0, t)) continue;
      }
      operands.push_back(std::move(t));
      if (operands.size() == arity) {
        Apply(begin, operands);
        operands.clear();
      }
    }
  }

  // An array's strings and names (other items dropped), as one token whose
  // Text holds each item behind a byte of its kind and a four-byte length.
  TToken ReadArray() {
    TToken array;
    array.Kind = TKind::ArrayOpen;
    for (TToken t = Next(); t.Kind != TKind::End && t.Kind != TKind::ArrayClose; t = Next()) {
      if (t.Kind == TKind::Operator) {
        Pending_ = std::move(t);
        break;
      }
      if (t.Kind != TKind::String && t.Kind != TKind::Name) continue;
      array.Text += t.Kind == TKind::String ? 'S' : 'N';
      for (int shift = 24; shift >= 0; shift -= 8) array.Text += static_cast<char>(t.Text.size() >> shift);
      array.Text += t.Text;
    }
    return array;
  }

  static bool Fits(const std::string& begin, std::size_t position, const TToken& t) {
    const bool range = begin == "beginbfrange" || begin == "begincidrange" || begin == "beginnotdefrange";
    const std::size_t last = range ? 2 : 1;
    if (begin == "begincodespacerange" || position < last) return t.Kind == TKind::String;
    if (begin == "beginbfchar") return t.Kind == TKind::String || t.Kind == TKind::Name;
    if (begin == "beginbfrange") return t.Kind == TKind::String || t.Kind == TKind::Name || t.Kind == TKind::ArrayOpen;
    return t.Kind == TKind::Number;
  }

  static bool IsCode(const std::string& bytes) { return !bytes.empty() && bytes.size() <= 4; }
  static TKey KeyOfBytes(const std::string& bytes) {
    return KeyOf({ValueOf(bytes), static_cast<int>(bytes.size())});
  }

  void Apply(const std::string& begin, const std::vector<TToken>& operands) {
    const std::string& low = operands[0].Text;
    if (!IsCode(low)) return;
    if (begin == "begincodespacerange") {
      const std::string& high = operands[1].Text;
      if (high.size() != low.size()) return;
      TCodespace range;
      range.Bytes = static_cast<int>(low.size());
      for (std::size_t i = 0; i < low.size(); ++i) {
        range.Low[i] = static_cast<std::uint8_t>(low[i]);
        range.High[i] = static_cast<std::uint8_t>(high[i]);
      }
      CMap_.AddCodespace(range);
      return;
    }
    const bool isRange = operands.size() == 3;
    const TKey first = KeyOfBytes(low);
    TKey last = first;
    if (isRange) {
      const std::string& high = operands[1].Text;
      if (high.size() != low.size() || ValueOf(high) < ValueOf(low)) return;
      last = KeyOfBytes(high);
    }
    const TToken& target = operands.back();
    if (begin == "beginbfchar" || begin == "beginbfrange") {
      if (target.Kind == TKind::ArrayOpen) {
        // One destination for each code from the first, as far as both go.
        std::string_view items = target.Text;
        for (TKey key = first; key <= last && items.size() >= 5; ++key) {
          const std::uint32_t size = ValueOf(items.substr(1, 4));
          const std::string_view item = items.substr(5, size);
          AddText(key, key, item, items[0] == 'N');
          items.remove_prefix(5 + item.size());
        }
      } else {
        AddText(first, last, target.Text, target.Kind == TKind::Name);
      }
    } else if (target.Number >= 0 && target.Number <= 0xFFFFFFFF) {
      if (CMap_.Cids_.Mappings.size() >= kMaxMappings) return;
      TMapping m;
      m.First = first;
      m.Last = last;
      m.Start = static_cast<std::uint32_t>(target.Number);
      m.Constant = begin == "beginnotdefchar" || begin == "beginnotdefrange";
      CMap_.Cids_.Add(m);
    }
  }

  void AddText(TKey first, TKey last, std::string_view target, bool glyphName) {
    if (CMap_.Text_.Mappings.size() >= kMaxMappings) return;
    std::u32string chars;
    if (glyphName) {
      AppendGlyphText(target, chars);
    } else {
      AppendUtf16(target.substr(0, 2 * kMaxTextUnits), chars);
    }
    if (chars.size() > kMaxTextUnits) chars.resize(kMaxTextUnits);
    TMapping m;
    m.First = first;
    m.Last = last;
    m.Start = static_cast<std::uint32_t>(CMap_.Pool_.size());
    m.Count = static_cast<std::uint32_t>(chars.size());
    CMap_.Pool_ += chars;
    CMap_.Text_.Add(m);
  }

  void UsePredefined(const std::string& name) {
    if (std::optional<TPdfCMap> base = Predefined(name)) {
      for (const TCodespace& range : base->Codespace_) CMap_.AddCodespace(range);
      CMap_.Base_ = base->Base_;
    }
  }

  std::string_view Data_;
  TPdfCMap& CMap_;
  std::size_t At_ = 0;
  std::optional<TToken> Pending_;  // a token read ahead, to be read again
};

// ---------------------------------------------------------------------------
// TPdfCMap

TPdfCMap TPdfCMap::Parse(std::string_view data) {
  TPdfCMap cmap;
  TParser(data, cmap).Run();
  cmap.Text_.Build();
  cmap.Cids_.Build();
  const std::uint8_t lengths = cmap.Text_.Lengths | cmap.Cids_.Lengths;
  for (int n = 1; n <= 4; ++n)
    if (lengths == 1u << (n - 1)) cmap.DefaultBytes_ = n;
  return cmap;
}

std::optional<TPdfCMap> TPdfCMap::Predefined(std::string_view name) {
  const bool horizontal = name.ends_with("-H");
  if (!horizontal && !name.ends_with("-V")) return std::nullopt;
  TBase base = TBase::None;
  if (name == "Identity-H" || name == "Identity-V") base = TBase::Identity;
  else if (!name.starts_with("Uni")) return std::nullopt;
  else if (name.find("-UCS2-") != std::string_view::npos) base = TBase::Ucs2;
  else if (name.find("-UTF16-") != std::string_view::npos) base = TBase::Utf16;
  else if (name.find("-UTF32-") != std::string_view::npos) base = TBase::Utf32;
  else if (name.find("-UTF8-") != std::string_view::npos) base = TBase::Utf8;
  else return std::nullopt;
  TPdfCMap cmap;
  cmap.UseBase(base);
  cmap.Vertical_ = !horizontal;
  return cmap;
}

void TPdfCMap::UseBase(TBase base) {
  Base_ = base;
  auto add = [this](std::initializer_list<std::pair<std::uint8_t, std::uint8_t>> bytes) {
    TCodespace range;
    range.Bytes = static_cast<int>(bytes.size());
    int i = 0;
    for (const auto& [low, high] : bytes) {
      range.Low[i] = low;
      range.High[i++] = high;
    }
    AddCodespace(range);
  };
  switch (base) {
    case TBase::None: break;
    case TBase::Identity:
    case TBase::Ucs2: add({{0x00, 0xFF}, {0x00, 0xFF}}); break;
    case TBase::Utf16:
      // A lone low surrogate is a code of its own (read as U+FFFD).
      add({{0x00, 0xD7}, {0x00, 0xFF}});
      add({{0xDC, 0xFF}, {0x00, 0xFF}});
      add({{0xD8, 0xDB}, {0x00, 0xFF}, {0xDC, 0xDF}, {0x00, 0xFF}});
      break;
    case TBase::Utf32: add({{0x00, 0x00}, {0x00, 0x10}, {0x00, 0xFF}, {0x00, 0xFF}}); break;
    case TBase::Utf8:
      add({{0x00, 0x7F}});
      add({{0xC2, 0xDF}, {0x80, 0xBF}});
      add({{0xE0, 0xEF}, {0x80, 0xBF}, {0x80, 0xBF}});
      add({{0xF0, 0xF4}, {0x80, 0xBF}, {0x80, 0xBF}, {0x80, 0xBF}});
      break;
  }
}

void TPdfCMap::AddCodespace(const TCodespace& range) {
  if (Codespace_.size() >= kMaxCodespaceRanges) return;
  // Shorter ranges first, each length in the order given.
  const auto at = std::upper_bound(Codespace_.begin(), Codespace_.end(), range.Bytes,
                                   [](int bytes, const TCodespace& r) { return bytes < r.Bytes; });
  Codespace_.insert(at, range);
}

bool TPdfCMap::UnicodeCodes() const {
  return Base_ == TBase::Ucs2 || Base_ == TBase::Utf16 || Base_ == TBase::Utf32 || Base_ == TBase::Utf8;
}

TPdfCMap::TCode TPdfCMap::NextCode(std::string_view bytes) const {
  const int available = static_cast<int>(std::min<std::size_t>(bytes.size(), 4));
  auto codeOf = [&](int n) { return TCode{ValueOf(bytes.substr(0, static_cast<std::size_t>(n))), n}; };
  if (Codespace_.empty()) return codeOf(std::min(DefaultBytes_, available));
  // How many leading bytes lie in the range.
  auto matched = [&](const TCodespace& range) {
    int k = 0;
    while (k < range.Bytes && k < available && static_cast<std::uint8_t>(bytes[static_cast<std::size_t>(k)]) >= range.Low[k] &&
           static_cast<std::uint8_t>(bytes[static_cast<std::size_t>(k)]) <= range.High[k])
      ++k;
    return k;
  };
  for (const TCodespace& range : Codespace_) {
    if (range.Bytes > available) break;
    if (matched(range) == range.Bytes) return codeOf(range.Bytes);
  }
  int bestMatched = 0;
  int bestBytes = 1;
  for (const TCodespace& range : Codespace_) {
    const int k = matched(range);
    if (k > bestMatched || (k == bestMatched && k > 0 && range.Bytes < bestBytes)) {
      bestMatched = k;
      bestBytes = range.Bytes;
    }
  }
  return codeOf(bestMatched > 0 ? std::min(bestBytes, available) : 1);
}

bool TPdfCMap::AppendText(TCode code, std::u32string& out) const {
  const TCode asGiven = code;
  const TMapping* m = Text_.FindAnyLength(code);
  if (!m) return AppendBaseText(asGiven, out);
  if (m->Count == 0) return false;
  const std::uint64_t distance = KeyOf(code) - m->First;
  for (std::uint32_t i = 0; i + 1 < m->Count; ++i) AppendTextChar(Pool_[m->Start + i], out);
  AppendTextChar(ValidChar(std::uint64_t{Pool_[m->Start + m->Count - 1]} + distance), out);
  return true;
}

bool TPdfCMap::AppendBaseText(TCode code, std::u32string& out) const {
  const std::uint32_t v = code.Value;
  switch (Base_) {
    case TBase::None:
    case TBase::Identity: return false;
    case TBase::Ucs2:
      if (code.Bytes != 2) return false;
      AppendTextChar(ValidChar(v), out);
      return true;
    case TBase::Utf16:
      if (code.Bytes == 2) {
        AppendTextChar(ValidChar(v), out);
        return true;
      }
      if (code.Bytes == 4) {
        const std::uint32_t high = v >> 16, low = v & 0xFFFF;
        out += high >= 0xD800 && high <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF
                   ? static_cast<char32_t>(0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00))
                   : U'\xFFFD';  // beyond the ligatures' plane
        return true;
      }
      return false;
    case TBase::Utf32:
      if (code.Bytes != 4) return false;
      AppendTextChar(ValidChar(v), out);
      return true;
    case TBase::Utf8: return AppendUtf8Code(v, code.Bytes, out);
  }
  return false;
}

std::optional<std::uint32_t> TPdfCMap::Cid(TCode code) const {
  const TCode asGiven = code;
  if (const TMapping* m = Cids_.FindAnyLength(code)) return m->Constant ? m->Start : static_cast<std::uint32_t>(m->Start + (KeyOf(code) - m->First));
  if (Base_ == TBase::Identity && asGiven.Bytes == 2) return asGiven.Value;
  return std::nullopt;
}

}  // namespace sorvik
