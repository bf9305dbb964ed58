// A plain reference scan for the word finder: splits the words text by the
// splitting rules and tests every position: byte by byte in the ANSI code page,
// and character by character, decoded plainly, in UTF-8, UTF-16 LE and UTF-16
// BE. Shared by the differential test and the finder's fuzz target.
//
// Its tables are its own, made at build time from Python's Unicode database
// (make_reference_tables.py), and so are its encoders and decoders: a fault in
// the product's tables can't hide behind a reference that shares them. The ANSI
// code page it knows is Windows-1252, that of the native build and of Wine's
// default locale; only the order of words of equal length is the system's
// (CompareAnsiIgnoreCase), as it is the locale's own.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "Locale.h"

namespace sorvik::test {

#include "ReferenceTables.inc"

inline std::size_t RefUtf8Length(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

// The simple upper-case form, kept only where it takes the same room in UTF-8
// (as the README says of dotless i and long s).
inline char32_t RefUpper(char32_t c) {
  const auto* end = std::end(kRefUpperPairs);
  const auto* at = std::lower_bound(std::begin(kRefUpperPairs), end, c,
                                    [](const char32_t (&p)[2], char32_t x) { return p[0] < x; });
  if (at == end || (*at)[0] != c) return c;
  return RefUtf8Length((*at)[1]) == RefUtf8Length(c) ? (*at)[1] : c;
}

inline void RefAppendUtf8(std::string& out, char32_t c) {
  const std::size_t n = RefUtf8Length(c);
  if (n == 1) {
    out += static_cast<char>(c);
    return;
  }
  const unsigned char lead[] = {0, 0, 0xC0, 0xE0, 0xF0};
  out += static_cast<char>(lead[n] | (c >> (6 * (n - 1))));
  for (std::size_t k = n - 1; k-- > 0;) out += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
}

inline std::string RefEncodeUtf8(const std::u32string& chars) {
  std::string out;
  for (char32_t c : chars) RefAppendUtf8(out, c);
  return out;
}

inline void RefAppendUtf16(std::string& out, char32_t c, bool bigEndian) {
  auto unit = [&](char32_t u) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  };
  if (c < 0x10000) return unit(c);
  unit(0xD800 | ((c - 0x10000) >> 10));
  unit(0xDC00 | (c & 0x3FF));
}

// The Windows-1252 bytes of the characters, when the code page holds them all.
inline bool RefAnsiBytes(const std::u32string& chars, std::string& out) {
  out.clear();
  for (char32_t c : chars) {
    const auto* at = std::find(std::begin(kRefCp1252Char), std::end(kRefCp1252Char), c);
    if (at == std::end(kRefCp1252Char)) return false;
    out += static_cast<char>(at - std::begin(kRefCp1252Char));
  }
  return true;
}

inline bool RefSeparator(char32_t c) {
  static const std::u32string seps = U"\t\n\r !\"#$%'()*+,./:;<=>?@\\|";
  return seps.find(c) != std::u32string::npos;
}

// Words of the any and all modes, by the splitting rules.
inline std::vector<std::string> RefSplit(const std::string& t) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (true) {
    while (i < t.size() && static_cast<unsigned char>(t[i]) <= 32) ++i;
    if (i == t.size()) return out;
    std::string w;
    if (t[i] == '"') {
      for (++i; i < t.size(); ++i) {
        if (t[i] != '"') {
          w += t[i];
        } else if (i + 1 < t.size() && t[i + 1] == '"') {
          w += '"';
          ++i;
        } else {
          ++i;
          break;
        }
      }
    } else {
      while (i < t.size() && static_cast<unsigned char>(t[i]) > 32) w += t[i++];
    }
    out.push_back(w);
  }
}

enum class TRefEncoding { Ansi, Utf8, Utf16Le, Utf16Be };

// One character decoded at byte i of the text: its value and length, or none.
struct TRefChar {
  char32_t Value = 0;
  std::size_t Length = 0;
};

inline std::optional<TRefChar> RefDecode(const std::string& t, std::size_t i, TRefEncoding enc) {
  auto b = [&](std::size_t k) { return static_cast<unsigned char>(t[k]); };
  if (enc == TRefEncoding::Utf8) {
    if (i >= t.size()) return {};
    const unsigned c = b(i);
    const std::size_t len = c < 0x80 ? 1 : c < 0xC0 ? 0 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF8 ? 4 : 0;
    if (len == 0 || i + len > t.size()) return {};
    char32_t v = len == 1 ? c : c & (0x7F >> len);
    for (std::size_t k = 1; k < len; ++k) {
      if ((b(i + k) & 0xC0) != 0x80) return {};
      v = v << 6 | (b(i + k) & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (v < least[len] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return {};
    return TRefChar{v, len};
  }
  const bool be = enc == TRefEncoding::Utf16Be;
  auto unit = [&](std::size_t k) -> std::optional<char32_t> {
    if (k + 2 > t.size()) return {};
    return be ? char32_t(b(k) << 8 | b(k + 1)) : char32_t(b(k + 1) << 8 | b(k));
  };
  const auto u = unit(i);
  if (!u) return {};
  if (*u >= 0xD800 && *u < 0xDC00) {
    const auto v = unit(i + 2);
    if (!v || *v < 0xDC00 || *v > 0xDFFF) return TRefChar{*u, 2};  // a lone surrogate is a character of its own
    return TRefChar{0x10000 + ((*u - 0xD800) << 10) + (*v - 0xDC00), 4};
  }
  return TRefChar{*u, 2};
}

// The characters of a words text: UTF-8, where a byte that starts no valid
// sequence stands for its Windows-1252 character.
inline std::u32string RefWordChars(const std::string& typed) {
  std::u32string out;
  for (std::size_t i = 0; i < typed.size();) {
    if (const auto c = RefDecode(typed, i, TRefEncoding::Utf8)) {
      out += c->Value;
      i += c->Length;
    } else {
      out += kRefCp1252Char[static_cast<unsigned char>(typed[i++])];
    }
  }
  return out;
}

// A word's length for the 255 limit: its bytes in the code page, else its UTF-16 units.
inline std::size_t RefTypedLength(const std::string& typed) {
  const std::u32string chars = RefWordChars(typed);
  std::string ansi;
  if (RefAnsiBytes(chars, ansi)) return ansi.size();
  std::size_t units = 0;
  for (char32_t c : chars) units += c >= 0x10000 ? 2 : 1;
  return units;
}

// Whether the character before byte s (or after byte e) ends a word in an encoding.
inline bool RefBoundBefore(const std::string& t, std::size_t s, TRefEncoding enc) {
  if (enc == TRefEncoding::Ansi || enc == TRefEncoding::Utf8) {
    if (s == 0) return true;
    const auto c = static_cast<unsigned char>(t[s - 1]);
    if (c < 0x80) return RefSeparator(c);
    if (enc == TRefEncoding::Ansi) return false;
    return s >= 3 && t.compare(s - 3, 3, "\xEF\xBB\xBF") == 0;  // the byte-order mark
  }
  if (s == 0) return true;
  if (s == 1) return RefSeparator(static_cast<unsigned char>(t[0]));  // a lone byte: a unit of its value
  const auto c = RefDecode(t, s - 2, enc);
  return c->Value == 0xFEFF || RefSeparator(c->Value);
}

inline bool RefBoundAfter(const std::string& t, std::size_t e, TRefEncoding enc) {
  if (enc == TRefEncoding::Ansi) return e == t.size() || RefSeparator(static_cast<unsigned char>(t[e]));
  if (enc == TRefEncoding::Utf8) {
    if (e == t.size()) return true;
    const auto c = static_cast<unsigned char>(t[e]);
    if (c < 0x80) return RefSeparator(c);
    return t.compare(e, 3, "\xEF\xBB\xBF") == 0;
  }
  if (e == t.size()) return true;
  if (e + 1 == t.size()) return RefSeparator(static_cast<unsigned char>(t[e]));
  const auto u = RefDecode(t, e, enc);  // a unit, or a pair: its first unit decides
  const char32_t v = u->Value;
  return v == 0xFEFF || RefSeparator(v);
}

// The length of an occurrence of a word (as characters) at byte s in one encoding, or 0.
inline std::size_t RefMatchAt(const std::string& t, std::size_t s, const std::u32string& word, TRefEncoding enc,
                              bool ignoreCase, bool whole) {
  std::size_t i = s;
  if (enc == TRefEncoding::Ansi) {
    std::string ansi;
    if (!RefAnsiBytes(word, ansi) || ansi.empty() || s + ansi.size() > t.size()) return 0;
    const auto fold = [&](unsigned char c) { return ignoreCase ? kRefCp1252Upper[c] : c; };
    for (std::size_t k = 0; k < ansi.size(); ++k)
      if (fold(static_cast<unsigned char>(t[s + k])) != fold(static_cast<unsigned char>(ansi[k]))) return 0;
    i = s + ansi.size();
  } else {
    for (char32_t w : word) {
      const auto c = RefDecode(t, i, enc);
      if (!c) return 0;
      if (ignoreCase ? RefUpper(c->Value) != RefUpper(w) : c->Value != w) return 0;
      i += c->Length;
    }
  }
  if (whole && !(RefBoundBefore(t, s, enc) && RefBoundAfter(t, i, enc))) return 0;
  return i - s;
}

struct TRefHit {
  std::int64_t Position = 0;  // 1-based
  std::int32_t Length = 0;
  bool operator==(const TRefHit&) const = default;
};

// Every start (1-based) at which the word lies in some encoding, with the
// length of the first encoding there (ANSI, UTF-8, UTF-16 LE, UTF-16 BE).
inline std::vector<TRefHit> RefAll(const std::string& text, const std::string& w, bool ignoreCase, bool whole) {
  std::vector<TRefHit> out;
  const std::u32string word = RefWordChars(w);
  if (word.empty()) return out;
  for (std::size_t s = 0; s < text.size(); ++s)
    for (TRefEncoding e : {TRefEncoding::Ansi, TRefEncoding::Utf8, TRefEncoding::Utf16Le, TRefEncoding::Utf16Be})
      if (const std::size_t m = RefMatchAt(text, s, word, e, ignoreCase, whole)) {
        out.push_back({static_cast<std::int64_t>(s) + 1, static_cast<std::int32_t>(m)});
        break;
      }
  return out;
}

inline std::int64_t RefFirst(const std::string& text, const std::string& w, bool ignoreCase, bool whole) {
  const auto all = RefAll(text, w, ignoreCase, whole);
  return all.empty() ? 0 : all.front().Position;
}

// The words in the order the finder searches them: longest first (by their
// length in the code page), then in the locale's order ignoring case. First:
// as the finder lists them (UTF-8, upper-cased while ignoring case); second: as typed.
inline std::vector<std::pair<std::string, std::string>> RefOrder(const std::string& words, int mode,
                                                                 bool ignoreCase) {
  struct TWord {
    std::string Shown, Typed;
    std::size_t Length;
  };
  std::vector<TWord> list;
  for (const std::string& w : mode == 2 ? std::vector<std::string>{words} : RefSplit(words)) {
    std::u32string chars = RefWordChars(w);
    if (ignoreCase)
      for (char32_t& c : chars) c = RefUpper(c);
    list.push_back({RefEncodeUtf8(chars), w, RefTypedLength(w)});
  }
  std::stable_sort(list.begin(), list.end(), [](const TWord& a, const TWord& b) {
    if (a.Length != b.Length) return a.Length > b.Length;
    const int c = CompareAnsiIgnoreCase(Utf8ToAnsi(a.Shown), Utf8ToAnsi(b.Shown));
    return c != 0 ? c < 0 : a.Shown < b.Shown;
  });
  std::vector<std::pair<std::string, std::string>> out;
  for (TWord& w : list) out.emplace_back(std::move(w.Shown), std::move(w.Typed));
  return out;
}

inline std::vector<std::string> RefWordList(const std::string& words, int mode, bool ignoreCase) {
  std::vector<std::string> out;
  for (auto& w : RefOrder(words, mode, ignoreCase)) out.push_back(std::move(w.first));
  return out;
}

// What Find gives: the leftmost occurrence of any word (any, exact), or the
// first occurrence of the last word when every word is found (all); 0 when none is.
inline std::int64_t RefFind(const std::string& text, const std::string& words, int mode, bool ignoreCase,
                            bool whole) {
  std::int64_t result = 0;
  for (const auto& [shown, typed] : RefOrder(words, mode, ignoreCase)) {
    if (shown.empty()) continue;
    const std::int64_t first = RefFirst(text, typed, ignoreCase, whole);
    if (mode == 1) {
      if (first == 0) return 0;
      result = first;
    } else if (first > 0 && (result == 0 || first < result)) {
      result = first;
    }
  }
  return result;
}

}  // namespace sorvik::test
