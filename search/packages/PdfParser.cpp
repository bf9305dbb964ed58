#include "PdfParser.h"

#include <string>
#include <utility>
#include <vector>

namespace sorvik {

namespace {

constexpr std::int64_t kMaxObjectNumber = 0x7FFFFFFF;

TPdfObject ParseArray(TPdfLexer& lexer, int depth) {
  std::vector<TPdfObject> items;
  for (;;) {
    const TPdfToken t = lexer.Next();
    if (t == TPdfToken::ArrayClose || t == TPdfToken::End) break;
    if (t == TPdfToken::DictClose) continue;  // damage: passed over
    if (t == TPdfToken::Keyword && (lexer.Text() == "endobj" || lexer.Text() == "stream" || lexer.Text() == "obj")) {
      lexer.Seek(lexer.TokenStart());  // an array never closed: it ends before the object's end
      break;
    }
    items.push_back(ParsePdfObjectFrom(lexer, t, depth + 1));
  }
  return TPdfObject::Array(std::move(items));
}

TPdfObject ParseDict(TPdfLexer& lexer, int depth) {
  std::vector<std::pair<std::string, TPdfObject>> entries;
  for (;;) {
    const TPdfToken t = lexer.Next();
    if (t == TPdfToken::DictClose || t == TPdfToken::End) break;
    if (t == TPdfToken::Keyword && (lexer.Text() == "endobj" || lexer.Text() == "stream" || lexer.Text() == "obj")) {
      lexer.Seek(lexer.TokenStart());
      break;
    }
    if (t != TPdfToken::Name) continue;  // a key that is no name: passed over
    std::string key = lexer.Text();
    const TPdfToken v = lexer.Next();
    if (v == TPdfToken::DictClose || v == TPdfToken::End) {
      entries.emplace_back(std::move(key), TPdfObject());
      break;
    }
    entries.emplace_back(std::move(key), ParsePdfObjectFrom(lexer, v, depth + 1));
  }
  return TPdfObject::Dict(TPdfDict(std::move(entries)));
}

// Skips to the end of an array or dictionary nested too deep, counting brackets only.
void SkipNested(TPdfLexer& lexer) {
  int open = 1;
  while (open > 0) {
    const TPdfToken t = lexer.Next();
    if (t == TPdfToken::End) return;
    if (t == TPdfToken::ArrayOpen || t == TPdfToken::DictOpen) ++open;
    if (t == TPdfToken::ArrayClose || t == TPdfToken::DictClose) --open;
  }
}

}  // namespace

TPdfObject ParsePdfObject(TPdfLexer& lexer, int depth) { return ParsePdfObjectFrom(lexer, lexer.Next(), depth); }

TPdfObject ParsePdfObjectFrom(TPdfLexer& lexer, TPdfToken first, int depth) {
  switch (first) {
    case TPdfToken::Int: {
      const std::int64_t number = lexer.Int();
      // "num gen R" is a reference; anything else leaves the number alone.
      const std::size_t after = lexer.At();
      if (number >= 0 && number <= kMaxObjectNumber && lexer.Next() == TPdfToken::Int) {
        const std::int64_t gen = lexer.Int();
        if (gen >= 0 && gen <= 0xFFFF && lexer.Next() == TPdfToken::Keyword && lexer.Text() == "R")
          return TPdfObject::Ref(static_cast<std::uint32_t>(number), static_cast<std::uint32_t>(gen));
      }
      lexer.Seek(after);
      return TPdfObject::Int(number);
    }
    case TPdfToken::Real: return TPdfObject::Real(lexer.Real());
    case TPdfToken::String: return TPdfObject::String(lexer.Text());
    case TPdfToken::Name: return TPdfObject::Name(lexer.Text());
    case TPdfToken::ArrayOpen:
      if (depth >= kMaxPdfNesting) {
        SkipNested(lexer);
        return {};
      }
      return ParseArray(lexer, depth);
    case TPdfToken::DictOpen:
      if (depth >= kMaxPdfNesting) {
        SkipNested(lexer);
        return {};
      }
      return ParseDict(lexer, depth);
    case TPdfToken::Keyword:
      if (lexer.Text() == "true") return TPdfObject::Bool(true);
      if (lexer.Text() == "false") return TPdfObject::Bool(false);
      return {};
    default: return {};
  }
}

std::optional<TPdfRef> ParsePdfObjectHead(TPdfLexer& lexer) {
  if (lexer.Next() != TPdfToken::Int || lexer.Int() < 0 || lexer.Int() > kMaxObjectNumber) return std::nullopt;
  const auto num = static_cast<std::uint32_t>(lexer.Int());
  if (lexer.Next() != TPdfToken::Int || lexer.Int() < 0 || lexer.Int() > 0xFFFF) return std::nullopt;
  const auto gen = static_cast<std::uint32_t>(lexer.Int());
  if (lexer.Next() != TPdfToken::Keyword || lexer.Text() != "obj") return std::nullopt;
  return TPdfRef{num, gen};
}

}  // namespace sorvik
