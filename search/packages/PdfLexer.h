// The tokens of a PDF file or content stream: numbers, strings (literal and
// hexadecimal, escapes undone), names, the brackets of arrays and
// dictionaries, and keywords (obj, R, stream, operators of a content stream).
// Works over bytes in memory; every token is bounded by them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sorvik {

enum class TPdfToken : std::uint8_t {
  End,          // no more bytes
  Int,
  Real,
  String,       // literal or hexadecimal; Text holds the bytes
  Name,         // Text holds the name, without the slash
  ArrayOpen,    // [
  ArrayClose,   // ]
  DictOpen,     // <<
  DictClose,    // >>
  BraceOpen,    // { (PostScript functions, CMaps)
  BraceClose,   // }
  Keyword,      // Text holds it: true false null obj endobj R stream ... Tj TJ
};

// True for the PDF's white space and delimiters.
inline bool IsPdfSpace(std::uint8_t c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == 0; }
inline bool IsPdfDelimiter(std::uint8_t c) {
  return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' || c == '/' ||
         c == '%';
}

class TPdfLexer {
 public:
  explicit TPdfLexer(std::string_view bytes, std::size_t at = 0) : Bytes_(bytes), At_(at) {}

  // Reads the next token; its text and number stay until the next call.
  TPdfToken Next();
  TPdfToken Token() const { return Token_; }
  const std::string& Text() const { return Text_; }
  std::int64_t Int() const { return Int_; }
  double Real() const { return Real_; }
  bool IsKeyword(std::string_view word) const { return Token_ == TPdfToken::Keyword && Text_ == word; }

  // Where the next token will be looked for, and moving there.
  std::size_t At() const { return At_; }
  void Seek(std::size_t at) { At_ = at < Bytes_.size() ? at : Bytes_.size(); }
  // Where the last token began.
  std::size_t TokenStart() const { return Start_; }
  std::string_view Bytes() const { return Bytes_; }
  // Passes white space and comments.
  void SkipSpace();

 private:
  void ReadLiteralString();
  void ReadHexString();
  void ReadName();
  void ReadNumberOrKeyword();

  std::string_view Bytes_;
  std::size_t At_ = 0, Start_ = 0;
  TPdfToken Token_ = TPdfToken::End;
  std::string Text_;
  std::int64_t Int_ = 0;
  double Real_ = 0;
};

}  // namespace sorvik
