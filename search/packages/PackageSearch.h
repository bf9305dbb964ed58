// The search inside one package file: a zip archive's entries, each searched as
// a file would be (archives and documents inside it too, to a depth), or a
// document's text, extracted from its parts. One file's answer: all mode counts
// every entry's or part's words together.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "DocumentText.h"
#include "StreamFind.h"
#include "ZipPackage.h"

namespace sorvik {

// Packages inside packages read at most this deep (a document in an archive in
// an archive is at depth 2).
inline constexpr int kMaxPackageDepth = 3;

struct TPackageOptions {
  TZipLimits Limits;  // for each package read, nested ones too (Interrupted is asked throughout)
  int MaxDepth = kMaxPackageDepth;
  // Told the name of each entry as its reading begins ("docs/notes.txt", or
  // "inner.zip > a.txt" inside a nested package), on the thread that searches.
  std::function<void(const std::string& entry)> EntryBegins;
};

enum class TPackageVerdict : std::uint8_t {
  NotPackage,   // nothing in it read as a zip package: search its bytes instead
  Found,
  NotFound,     // also when a limit or damage ended the reading before anything was found
  Interrupted,  // Interrupted said so before the answer was known
};

// Searches the package `file` of this kind (not None) for `find`'s words: its
// streams go to `find` until it is done.
TPackageVerdict SearchPackage(IRandomBytes& file, TPackageKind kind, IStreamSearch& find,
                              const TPackageOptions& options);

}  // namespace sorvik
