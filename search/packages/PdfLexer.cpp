#include "PdfLexer.h"

#include <cmath>

namespace sorvik {

namespace {

int HexValue(std::uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsRegular(std::uint8_t c) { return !IsPdfSpace(c) && !IsPdfDelimiter(c); }

}  // namespace

void TPdfLexer::SkipSpace() {
  while (At_ < Bytes_.size()) {
    const auto c = static_cast<std::uint8_t>(Bytes_[At_]);
    if (IsPdfSpace(c)) {
      ++At_;
    } else if (c == '%') {
      while (At_ < Bytes_.size() && Bytes_[At_] != '\n' && Bytes_[At_] != '\r') ++At_;
    } else {
      return;
    }
  }
}

TPdfToken TPdfLexer::Next() {
  SkipSpace();
  Start_ = At_;
  Text_.clear();
  if (At_ >= Bytes_.size()) return Token_ = TPdfToken::End;
  const auto c = static_cast<std::uint8_t>(Bytes_[At_]);
  switch (c) {
    case '(':
      ++At_;
      ReadLiteralString();
      return Token_ = TPdfToken::String;
    case '<':
      if (At_ + 1 < Bytes_.size() && Bytes_[At_ + 1] == '<') {
        At_ += 2;
        return Token_ = TPdfToken::DictOpen;
      }
      ++At_;
      ReadHexString();
      return Token_ = TPdfToken::String;
    case '>':
      At_ += At_ + 1 < Bytes_.size() && Bytes_[At_ + 1] == '>' ? 2 : 1;
      return Token_ = TPdfToken::DictClose;
    case '[': ++At_; return Token_ = TPdfToken::ArrayOpen;
    case ']': ++At_; return Token_ = TPdfToken::ArrayClose;
    case '{': ++At_; return Token_ = TPdfToken::BraceOpen;
    case '}': ++At_; return Token_ = TPdfToken::BraceClose;
    case ')':
      // A stray closing parenthesis: a keyword of its own, which no reader takes.
      ++At_;
      Text_ = ")";
      return Token_ = TPdfToken::Keyword;
    case '/':
      ++At_;
      ReadName();
      return Token_ = TPdfToken::Name;
    default:
      ReadNumberOrKeyword();
      return Token_;
  }
}

void TPdfLexer::ReadLiteralString() {
  int depth = 1;
  while (At_ < Bytes_.size()) {
    const auto c = static_cast<std::uint8_t>(Bytes_[At_++]);
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (--depth == 0) return;
    } else if (c == '\\') {
      if (At_ >= Bytes_.size()) return;
      const auto e = static_cast<std::uint8_t>(Bytes_[At_++]);
      switch (e) {
        case 'n': Text_ += '\n'; continue;
        case 'r': Text_ += '\r'; continue;
        case 't': Text_ += '\t'; continue;
        case 'b': Text_ += '\b'; continue;
        case 'f': Text_ += '\f'; continue;
        case '\r':  // a line continued: the end of line is no character
          if (At_ < Bytes_.size() && Bytes_[At_] == '\n') ++At_;
          continue;
        case '\n': continue;
        default: break;
      }
      if (e >= '0' && e <= '7') {
        int value = e - '0';
        for (int k = 0; k < 2 && At_ < Bytes_.size() && Bytes_[At_] >= '0' && Bytes_[At_] <= '7'; ++k)
          value = value * 8 + (Bytes_[At_++] - '0');
        Text_ += static_cast<char>(value & 0xFF);
        continue;
      }
      Text_ += static_cast<char>(e);  // \( \) \\ and any other character as itself
      continue;
    } else if (c == '\r') {
      // An end of line in a string is a line feed, whichever bytes end it.
      if (At_ < Bytes_.size() && Bytes_[At_] == '\n') ++At_;
      Text_ += '\n';
      continue;
    }
    Text_ += static_cast<char>(c);
  }
}

void TPdfLexer::ReadHexString() {
  int high = -1;
  while (At_ < Bytes_.size()) {
    const auto c = static_cast<std::uint8_t>(Bytes_[At_++]);
    if (c == '>') break;
    const int v = HexValue(c);
    if (v < 0) continue;  // white space, or a stray character passed over
    if (high < 0) {
      high = v;
    } else {
      Text_ += static_cast<char>(high * 16 + v);
      high = -1;
    }
  }
  if (high >= 0) Text_ += static_cast<char>(high * 16);  // an odd last digit, as if a 0 followed
}

void TPdfLexer::ReadName() {
  while (At_ < Bytes_.size() && IsRegular(static_cast<std::uint8_t>(Bytes_[At_]))) {
    const char c = Bytes_[At_++];
    if (c == '#' && At_ + 1 < Bytes_.size()) {
      const int hi = HexValue(static_cast<std::uint8_t>(Bytes_[At_]));
      const int lo = HexValue(static_cast<std::uint8_t>(Bytes_[At_ + 1]));
      if (hi >= 0 && lo >= 0) {
        Text_ += static_cast<char>(hi * 16 + lo);
        At_ += 2;
        continue;
      }
    }
    Text_ += c;
  }
}

void TPdfLexer::ReadNumberOrKeyword() {
  const std::size_t start = At_;
  while (At_ < Bytes_.size() && IsRegular(static_cast<std::uint8_t>(Bytes_[At_]))) ++At_;
  if (At_ == start) {  // a delimiter no token begins with
    Text_.assign(1, Bytes_[At_++]);
    Token_ = TPdfToken::Keyword;
    return;
  }
  const std::string_view word = Bytes_.substr(start, At_ - start);
  // A number: a sign, digits and at most one point (extra signs and points,
  // which some producers write, are passed over as readers do).
  std::size_t i = 0;
  bool negative = false, point = false, digits = false;
  while (i < word.size() && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-' ? !negative : negative;
  std::int64_t whole = 0;
  double fraction = 0, scale = 1;
  bool number = i < word.size();
  bool overflow = false;
  for (; i < word.size() && number; ++i) {
    const char c = word[i];
    if (c >= '0' && c <= '9') {
      digits = true;
      if (point) {
        if (scale < 1e15) {
          scale *= 10;
          fraction += (c - '0') / scale;
        }
      } else if (whole > (INT64_MAX - 9) / 10) {
        overflow = true;
      } else {
        whole = whole * 10 + (c - '0');
      }
    } else if (c == '.' && !point) {
      point = true;
    } else {
      number = false;
    }
  }
  if (number && digits) {
    if (point || overflow) {
      Real_ = (overflow ? 9.2e18 : static_cast<double>(whole) + fraction) * (negative ? -1 : 1);
      Int_ = static_cast<std::int64_t>(std::trunc(Real_ > 9e18 ? 9e18 : Real_ < -9e18 ? -9e18 : Real_));
      Token_ = TPdfToken::Real;
    } else {
      Int_ = negative ? -whole : whole;
      Real_ = static_cast<double>(Int_);
      Token_ = TPdfToken::Int;
    }
    return;
  }
  Text_.assign(word);
  Token_ = TPdfToken::Keyword;
}

}  // namespace sorvik
