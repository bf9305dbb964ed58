// PDF objects from their tokens: the direct objects (numbers, strings, names,
// arrays, dictionaries, references) and an indirect object's head
// ("12 0 obj"), as the file and the content streams write them.
#pragma once

#include <cstdint>
#include <optional>

#include "PdfLexer.h"
#include "PdfObject.h"

namespace sorvik {

// Arrays and dictionaries nested deeper than this read as null: a file that
// nests a thousand arrays costs no more than its bytes.
inline constexpr int kMaxPdfNesting = 64;

// Reads one direct object from the lexer's next token on; `first` is that
// token when it was read already (a content stream's operand). A keyword
// that starts no object (an operator, "endobj") gives null and stays read.
TPdfObject ParsePdfObject(TPdfLexer& lexer, int depth = 0);
TPdfObject ParsePdfObjectFrom(TPdfLexer& lexer, TPdfToken first, int depth = 0);

// Where an indirect object's head stands: "num gen obj" from the lexer's
// position; the lexer is left after "obj". Nothing when the bytes there are no head.
std::optional<TPdfRef> ParsePdfObjectHead(TPdfLexer& lexer);

}  // namespace sorvik
