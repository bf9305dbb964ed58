// Byte-level text helpers shared by the mask matcher, the locale stand-ins and
// the engine: ASCII case, and the length and value of a UTF-8 sequence.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sorvik {

constexpr unsigned char AsciiUpper(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }
constexpr char AsciiUpper(char c) { return static_cast<char>(AsciiUpper(static_cast<unsigned char>(c))); }
constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// A copy with the ASCII letters in lower case (names of parts and files in packages).
inline std::string AsciiLowerCopy(std::string_view s) {
  std::string lower(s);
  for (char& c : lower) c = AsciiLower(c);
  return lower;
}

// Length of the UTF-8 sequence that starts with lead byte c: 1 to 4, or 0 for
// a byte that can't start one (a continuation byte, or 0xF8 and above).
constexpr std::size_t Utf8SequenceLength(unsigned char c) {
  if (c < 0x80) return 1;
  if (c < 0xC0) return 0;
  if (c < 0xE0) return 2;
  if (c < 0xF0) return 3;
  return c < 0xF8 ? 4 : 0;
}

// The code point of the UTF-8 sequence at text[i] and its length, or 0 when
// the bytes there form none (a stray continuation byte, a lead byte cut short
// or followed by another kind of byte). Overlong forms and surrogates pass:
// callers that refuse them check the code point.
inline std::size_t Utf8CharAt(std::string_view text, std::size_t i, char32_t& cp) {
  const auto c = static_cast<unsigned char>(text[i]);
  const std::size_t len = Utf8SequenceLength(c);
  if (len == 0 || i + len > text.size()) return 0;
  cp = len == 1 ? c : c & (0x7F >> len);
  for (std::size_t k = 1; k < len; ++k) {
    const auto cc = static_cast<unsigned char>(text[i + k]);
    if ((cc & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (cc & 0x3F);
  }
  return len;
}

}  // namespace sorvik
