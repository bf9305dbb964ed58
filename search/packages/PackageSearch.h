// The search inside one package file: a zip archive's entries, each searched as
// a file would be (archives and documents inside it too, to a depth), or a
// document's text, extracted from its parts. One file's answer: all mode counts
// every entry's or part's words together.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "DocumentText.h"
#include "FileBudget.h"
#include "StreamFind.h"
#include "ZipPackage.h"

namespace sorvik {

// Packages inside packages read at most this deep (a document in an archive in
// an archive is at depth 2).
inline constexpr int kMaxPackageDepth = 3;

// Bytes at a package's start that tell whether it is one of its kind.
inline constexpr std::size_t kPackageHead = 1024;
// Whether the bytes at a file's start are those of a package of this kind: a
// zip's local header, or "%PDF-" within the first kPackageHead bytes.
bool StartsLikePackage(TPackageKind kind, const std::uint8_t* head, std::size_t n);

// What the reading of a package left out, for a note beside what it found.
struct TPackageReport {
  std::size_t Encrypted = 0;    // entries not read: encrypted
  std::size_t Unsupported = 0;  // entries compressed in a way that isn't read
  std::size_t Damaged = 0;      // entries read in part: cut short, bad data or checksum
  std::size_t Shared = 0;       // entries whose data another entry gave: read once
  std::size_t TooDeep = 0;      // packages deeper than the depth: searched by their bytes
  bool DamagedPackage = false;  // a package's directory or headers could not be read whole
  bool Limited = false;         // a limit ended the reading (the file's budget, an entry's size)
  bool Protected = false;        // the file is a PDF that asks for a password: not read
  std::size_t UnreadPdfs = 0;    // PDFs encrypted in a way that isn't read
  std::size_t ProtectedInside = 0;  // PDFs inside the package that ask for one
  bool operator==(const TPackageReport&) const = default;
};

// The note on what a package's reading left out, one sentence a part
// ("2 encrypted entries were not read."); empty when nothing was.
std::string LeftOutNote(const TPackageReport& report);

struct TPackageOptions {
  // For each package read, nested ones too (Interrupted is asked throughout).
  // Without a budget of its own, SearchPackage gives every reader of the file
  // one budget tied to the file's size.
  TZipLimits Limits;
  int MaxDepth = kMaxPackageDepth;
  // Told the name of each entry as its reading begins ("docs/notes.txt", or
  // "inner.zip > a.txt" inside a nested package; a document's parts by the
  // names a person knows, "Slide 3"), on the thread that searches.
  std::function<void(const std::string& entry)> EntryBegins;
  // Filled with what the reading left out, when given.
  TPackageReport* Report = nullptr;
  // When given, only the parts of the file's own document for which it says
  // true are read (by their paths in the package).
  std::function<bool(std::string_view part)> ReadsPart;
  // When given, told each cell of the file's own workbook sheets that holds a
  // shared string: the sheet's name as its stream is named, the cell ("B2")
  // and the string's index in the shared-string table.
  std::function<void(const std::string& sheet, std::string_view cell, std::uint64_t index)> SharedCell;
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
