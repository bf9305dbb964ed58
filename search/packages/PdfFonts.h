// The fonts and text strings of a PDF as its text reader uses them: a font
// dictionary's codes to characters and widths, and a document's text strings
// (titles, notes, field values) to UTF-8.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "PdfContent.h"
#include "PdfObject.h"

namespace sorvik {

// The font of a font dictionary (resolved); null when it has no glyphs to give.
std::shared_ptr<const IPdfGlyphs> MakePdfFont(IPdfObjects& objects, const TPdfObject& fontDict);

// A text string's characters as UTF-8.
std::string PdfTextString(std::string_view bytes);

}  // namespace sorvik
