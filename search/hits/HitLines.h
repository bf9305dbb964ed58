// Where a file's words stand: every line that holds an accepted occurrence of
// a search's words (the finder's own scans, so the same words, case, whole
// words and modes), with its line number and its text around the hits, found
// in one pass over the contents as they arrive. A package (an archive or a
// document, when searched inside) gives the lines of each entry or of its text.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FileSystem.h"
#include "PackageSearch.h"
#include "WordSet.h"

namespace sorvik {

// A hit's place in a line's text: the bytes [Begin, End) of THitLine::Text.
struct THitMark {
  std::uint32_t Begin = 0, End = 0;
  bool operator==(const THitMark&) const = default;
};

struct THitLine {
  // The entry of a package the line is in ("docs/a.txt", "inner.zip > b.txt",
  // "word/document.xml"); empty for a file's own bytes.
  std::string Entry;
  // From 1: the line ends before the hit, in the hit's encoding (LF, CR LF or a
  // lone CR each end one line; in UTF-16 the units, in the hit's alignment).
  std::int64_t Number = 0;
  // UTF-8. The line around its first hit, at most the context either side;
  // tabs and control characters as blanks. In a binary line (one that holds a
  // NUL character near the hit) only the run of printable text around the hit.
  std::string Text;
  std::vector<THitMark> Marks;  // by position, at least one
  bool MoreBefore = false;      // the line goes on before Text
  bool MoreAfter = false;       // and after it
};

struct THitLineLimits {
  std::size_t MaxLines = 10000;  // lines given at most; then the search ends with Limit
  std::size_t Context = 200;     // characters kept on each side of a line's first hit
  // Bytes of text the lines of one file may hold in all: once the lines given
  // hold more, each further line keeps at most kShortContext characters on
  // each side (a wide context over many long lines would take much memory).
  std::size_t TextBudget = SIZE_MAX;
  static constexpr std::size_t kShortContext = 200;
};

enum class THitLinesEnd : std::uint8_t {
  Done,        // every line was given
  Limit,       // MaxLines were given and there are more
  Stopped,     // the interrupt, or the sink, ended it
  Unreadable,  // the file can't be read (or a view of it faulted)
};

// Gets each line as it is found, in the order of the contents; false ends the search.
using THitLineSink = std::function<bool(const THitLine& line)>;

class THitLineFinder {
 public:
  explicit THitLineFinder(std::shared_ptr<const TWordSet> words, IFileSystem& fs = NativeFileSystem());
  ~THitLineFinder();

  // As the search's finder: a package file is read by what it holds.
  void SetSearchInside(bool value) { Inside_ = value; }
  void SetLimits(const THitLineLimits& limits) { Limits_ = limits; }
  // Asked between pieces of the contents (at least every 256 KiB); true stops.
  void SetInterrupt(std::function<bool()> interrupted) { Interrupted_ = std::move(interrupted); }

  // Bytes of a file read (and starts judged) at once: 256 KiB unless tests make
  // it small, so that every line and word may be cut by a piece's edge.
  void SetPieceSize(std::size_t bytes) { Piece_ = std::max<std::size_t>(bytes, 1); }

  // Finds the lines of one file. A set without words gives none (Done).
  THitLinesEnd Run(const std::string& path, const THitLineSink& sink);
  // The lines given by the last Run.
  std::size_t Lines() const { return Lines_; }
  // What the last Run left out of a package (see LeftOutNote).
  const TPackageReport& Report() const { return Report_; }

 private:
  std::shared_ptr<const TWordSet> Words_;
  IFileSystem& Fs_;
  bool Inside_ = false;
  THitLineLimits Limits_;
  std::function<bool()> Interrupted_;
  std::size_t Lines_ = 0;
  TPackageReport Report_;
  std::size_t Piece_ = std::size_t{256} << 10;
};

// The line as a pane `columns` characters wide shows it: whole when it fits;
// otherwise cut around its first hit (about a third of the width before it),
// with "…" on each side where text is left out, the marks moved with the text
// (and cut where the text is). A first hit wider than the columns keeps its start.
THitLine CutHitLine(const THitLine& line, std::size_t columns);

}  // namespace sorvik
