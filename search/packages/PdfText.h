// A PDF's text as a reader sees it, for the search: the document's title,
// subject and keywords, then every page in the page tree's order, each page's
// content streams with the forms they draw and its annotations' text (notes,
// form fields' values), each page a stream of its own named "page N".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "FileBudget.h"
#include "PdfContent.h"
#include "PdfDocument.h"
#include "StreamFind.h"

namespace sorvik {

struct TPdfTextOptions {
  // Names the streams: prefix + "page 3" (a PDF inside an archive: "docs/a.pdf > ").
  std::string Prefix;
  std::function<bool()> Interrupted;
  // Told each stream's name as its reading begins.
  std::function<void(const std::string& name)> EntryBegins;
};

struct TPdfTextResult {
  TPdfOpen Open = TPdfOpen::NotPdf;
  std::size_t Pages = 0;  // pages read
  bool Rebuilt = false;   // the cross-reference was damaged: objects found by a scan
  bool Limited = false;   // the file's budget ended the reading
  bool Stopped = false;   // the interrupt, or the search's answer, ended it
};

// The text of a text string of the document (a title, a note): UTF-16 after
// its byte-order mark, UTF-8 after its mark, or else PDFDocEncoding; as UTF-8.
using TPdfTextString = std::function<std::string(std::string_view bytes)>;

// Reads the PDF in `bytes` into `find` (BeginFile is the caller's), with the
// fonts `makeFont` makes.
TPdfTextResult ReadPdfText(std::string_view bytes, IStreamSearch& find, TFileBudget& budget,
                           const TPdfFontMaker& makeFont, const TPdfTextString& textString,
                           const TPdfTextOptions& options);

}  // namespace sorvik
