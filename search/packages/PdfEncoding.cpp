#include "PdfEncoding.h"

#include <algorithm>
#include <cstring>

#include "UnicodeText.h"

namespace sorvik {

namespace {

struct TGlyphListEntry {
  const char* Name;
  char16_t Chars[4];
};

#include "EncodingTables.inc"
#include "GlyphList.inc"

const TGlyphListEntry* FindGlyph(std::string_view name) {
  const auto* end = std::end(kGlyphList);
  const auto* at = std::lower_bound(std::begin(kGlyphList), end, name,
                                    [](const TGlyphListEntry& e, std::string_view n) { return std::string_view(e.Name) < n; });
  return at != end && std::string_view(at->Name) == name ? at : nullptr;
}

bool IsUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

std::uint32_t HexValue(std::string_view digits) {
  std::uint32_t v = 0;
  for (char c : digits) v = v * 16 + static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 'A' + 10);
  return v;
}

bool IsSurrogate(std::uint32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// One component of a glyph name (no '.', no '_').
bool AppendComponent(std::string_view part, std::u32string& out, bool zapfDingbats) {
  if (zapfDingbats && part.size() >= 2 && part.size() <= 4 && part[0] == 'a' &&
      std::all_of(part.begin() + 1, part.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    std::size_t n = 0;
    for (char c : part.substr(1)) n = n * 10 + static_cast<std::size_t>(c - '0');
    if (n < std::size(kZapfDingbats) && kZapfDingbats[n] != 0) {
      out += static_cast<char32_t>(kZapfDingbats[n]);
      return true;
    }
  }
  if (const TGlyphListEntry* e = FindGlyph(part)) {
    for (char16_t c : e->Chars)
      if (c != 0) AppendTextChar(c, out);
    return true;
  }
  const bool allHex = part.size() > 1 && std::all_of(part.begin() + 1, part.end(), IsUpperHex);
  if (part.size() > 3 && part.substr(0, 3) == "uni" && (part.size() - 3) % 4 == 0 &&
      std::all_of(part.begin() + 3, part.end(), IsUpperHex)) {
    const std::size_t before = out.size();
    for (std::size_t i = 3; i < part.size(); i += 4) {
      const std::uint32_t c = HexValue(part.substr(i, 4));
      if (IsSurrogate(c)) {
        out.resize(before);
        return false;
      }
      AppendTextChar(c, out);
    }
    return true;
  }
  if (part[0] == 'u' && part.size() >= 5 && part.size() <= 7 && allHex) {
    const std::uint32_t c = HexValue(part.substr(1));
    if (c <= 0x10FFFF && !IsSurrogate(c)) {
      AppendTextChar(c, out);
      return true;
    }
  }
  return false;
}

// The tokens of PostScript's clear text, enough to follow an /Encoding array:
// names (with their '/'), numbers and operators; strings, comments and
// procedures' braces are stepped over.
class TPostScriptTokens {
 public:
  explicit TPostScriptTokens(std::string_view text) : Text_(text) {}
  // The next token; empty at the end.
  std::string_view Next() {
    for (;;) {
      while (At_ < Text_.size() && IsWhite(Text_[At_])) ++At_;
      if (At_ >= Text_.size()) return {};
      const char c = Text_[At_];
      if (c == '%') {
        while (At_ < Text_.size() && Text_[At_] != '\n' && Text_[At_] != '\r') ++At_;
        continue;
      }
      if (c == '(') {
        SkipString();
        continue;
      }
      const std::size_t start = At_++;
      if (c == '/') {
        while (At_ < Text_.size() && !IsWhite(Text_[At_]) && !IsDelimiter(Text_[At_])) ++At_;
        return Text_.substr(start, At_ - start);
      }
      if (IsDelimiter(c)) return Text_.substr(start, 1);
      while (At_ < Text_.size() && !IsWhite(Text_[At_]) && !IsDelimiter(Text_[At_])) ++At_;
      return Text_.substr(start, At_ - start);
    }
  }

 private:
  static bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0'; }
  static bool IsDelimiter(char c) { return std::strchr("()<>[]{}/%", c) != nullptr && c != '\0'; }
  void SkipString() {
    int depth = 0;
    for (; At_ < Text_.size(); ++At_) {
      const char c = Text_[At_];
      if (c == '\\') {
        ++At_;
      } else if (c == '(') {
        ++depth;
      } else if (c == ')' && --depth == 0) {
        ++At_;
        return;
      }
    }
  }

  std::string_view Text_;
  std::size_t At_ = 0;
};

std::optional<int> SmallNumber(std::string_view token) {
  if (token.empty() || token.size() > 3) return std::nullopt;
  int v = 0;
  for (char c : token) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

}  // namespace

std::optional<TPdfBaseEncoding> BaseEncodingNamed(std::string_view name) {
  if (name == "StandardEncoding") return TPdfBaseEncoding::Standard;
  if (name == "WinAnsiEncoding") return TPdfBaseEncoding::WinAnsi;
  if (name == "MacRomanEncoding") return TPdfBaseEncoding::MacRoman;
  return std::nullopt;
}

std::string_view BaseGlyphName(TPdfBaseEncoding encoding, std::uint8_t code) {
  const char* name = nullptr;
  switch (encoding) {
    case TPdfBaseEncoding::Standard: name = kStandardEncoding[code]; break;
    case TPdfBaseEncoding::WinAnsi: name = kWinAnsiEncoding[code]; break;
    case TPdfBaseEncoding::MacRoman: name = kMacRomanEncoding[code]; break;
    case TPdfBaseEncoding::Symbol: name = kSymbolEncoding[code]; break;
    case TPdfBaseEncoding::ZapfDingbats: name = kZapfDingbatsEncoding[code]; break;
  }
  return name ? std::string_view(name) : std::string_view();
}

TPdfEncoding::TPdfEncoding(TPdfBaseEncoding base) {
  for (int code = 0; code < 256; ++code) Names_[code] = BaseGlyphName(base, static_cast<std::uint8_t>(code));
}

void TPdfEncoding::ApplyDifferences(const std::vector<TPdfObject>& items) {
  std::int64_t code = 256;  // no code given yet: names are ignored
  for (const TPdfObject& item : items) {
    if (item.Type() == TPdfType::Int || item.Type() == TPdfType::Real) {
      code = item.AsInt(256);
    } else if (item.Type() == TPdfType::Name) {
      if (code >= 0 && code < 256) SetGlyphName(static_cast<std::uint8_t>(code), item.AsName());
      if (code < 256) ++code;
    }
  }
}

void TPdfEncoding::SetGlyphName(std::uint8_t code, std::string_view name) { Names_[code] = name; }

std::optional<TPdfEncoding> Type1ProgramEncoding(std::string_view program) {
  // The clear text ends where the encrypted part begins.
  if (const std::size_t eexec = program.find("eexec"); eexec != std::string_view::npos) program = program.substr(0, eexec);
  const std::size_t at = program.find("/Encoding");
  if (at == std::string_view::npos) return std::nullopt;
  TPostScriptTokens tokens(program.substr(at + 9));
  std::string_view token = tokens.Next();
  if (token == "StandardEncoding") return TPdfEncoding(TPdfBaseEncoding::Standard);
  TPdfEncoding encoding;
  bool any = false;
  // "dup <code> /<name> put", until the array is defined.
  std::string_view last[3];
  for (; !token.empty() && token != "def" && token != "readonly"; token = tokens.Next()) {
    if (token == "put" && last[0] == "dup" && last[2].size() > 1 && last[2][0] == '/') {
      if (const std::optional<int> code = SmallNumber(last[1]); code && *code < 256) {
        encoding.SetGlyphName(static_cast<std::uint8_t>(*code), last[2].substr(1));
        any = true;
      }
    }
    last[0] = last[1];
    last[1] = last[2];
    last[2] = token;
  }
  if (!any) return std::nullopt;
  return encoding;
}

bool AppendGlyphText(std::string_view glyphName, std::u32string& out, bool zapfDingbats) {
  glyphName = glyphName.substr(0, glyphName.find('.'));
  bool any = false;
  for (;;) {
    const std::size_t cut = glyphName.find('_');
    const std::string_view part = glyphName.substr(0, cut);
    if (!part.empty() && AppendComponent(part, out, zapfDingbats)) any = true;
    if (cut == std::string_view::npos) break;
    glyphName.remove_prefix(cut + 1);
  }
  return any;
}

void AppendTextChar(char32_t c, std::u32string& out) {
  switch (c) {
    case 0xFB00: out += U"ff"; break;
    case 0xFB01: out += U"fi"; break;
    case 0xFB02: out += U"fl"; break;
    case 0xFB03: out += U"ffi"; break;
    case 0xFB04: out += U"ffl"; break;
    case 0xFB05:
    case 0xFB06: out += U"st"; break;
    default: out += c;
  }
}

std::string DecodePdfText(std::string_view bytes) {
  std::u32string chars;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE && static_cast<unsigned char>(bytes[1]) == 0xFF) {
    bool inEscape = false;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      std::uint32_t u = static_cast<unsigned char>(bytes[i]) << 8 | static_cast<unsigned char>(bytes[i + 1]);
      if (u == 0x1B) {
        inEscape = !inEscape;
        continue;
      }
      if (inEscape) continue;
      if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
        const std::uint32_t low = static_cast<unsigned char>(bytes[i + 2]) << 8 | static_cast<unsigned char>(bytes[i + 3]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
          i += 2;
        }
      }
      AppendTextChar(IsSurrogate(u) ? 0xFFFD : u, chars);
    }
  } else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    for (std::size_t i = 3; i < bytes.size();) {
      const auto b = static_cast<unsigned char>(bytes[i]);
      const std::size_t length = b < 0x80 ? 1 : b >= 0xC2 && b < 0xE0 ? 2 : b >= 0xE0 && b < 0xF0 ? 3 : b >= 0xF0 && b < 0xF5 ? 4 : 0;
      std::uint32_t c = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
      bool ok = length != 0 && i + length <= bytes.size();
      for (std::size_t k = 1; ok && k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[i + k]);
        ok = (next & 0xC0) == 0x80;
        c = c << 6 | (next & 0x3F);
      }
      // Overlong forms, surrogates and values past U+10FFFF are malformed too.
      ok = ok && !(length == 3 && c < 0x800) && !(length == 4 && (c < 0x10000 || c > 0x10FFFF)) && !IsSurrogate(c);
      if (!ok) {
        chars += U'\xFFFD';
        ++i;
        continue;
      }
      AppendTextChar(c, chars);
      i += length;
    }
  } else {
    for (char b : bytes)
      if (const char16_t c = kPdfDocEncoding[static_cast<unsigned char>(b)]; c != 0) AppendTextChar(c, chars);
  }
  return EncodeUtf8(chars);
}

}  // namespace sorvik
