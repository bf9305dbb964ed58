// Byte-level text helpers shared by the mask matcher, the locale stand-ins and
// the engine: ASCII case and the length of a UTF-8 sequence.
#pragma once

#include <cstddef>

namespace sorvik {

constexpr unsigned char AsciiUpper(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }
constexpr char AsciiUpper(char c) { return static_cast<char>(AsciiUpper(static_cast<unsigned char>(c))); }
constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Length of the UTF-8 sequence that starts with lead byte c: 1 to 4, or 0 for
// a byte that can't start one (a continuation byte, or 0xF8 and above).
constexpr std::size_t Utf8SequenceLength(unsigned char c) {
  if (c < 0x80) return 1;
  if (c < 0xC0) return 0;
  if (c < 0xE0) return 2;
  if (c < 0xF0) return 3;
  return c < 0xF8 ? 4 : 0;
}

}  // namespace sorvik
