// The words of a search, prepared once: split, checked, ordered, and each turned
// into its encodings (ANSI, UTF-8, UTF-16 LE and BE), folds and filters. Read
// only afterwards, so one set serves the finders of every thread.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "WordScan.h"

namespace sorvik {

class EPatternTooLarge : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kPatternTooLargeMessage =
    "Length of text to be found must be 255 characters or less";
inline constexpr std::size_t kMaxWordLength = 255;

// What the words text asks of a file: any of its words, all of them, or the
// exact text (the finder's match mode codes 0, 1 and 2).
enum class TMatchMode : std::uint8_t { Any = 0, All = 1, Exact = 2 };

// The words of a words text (any and all modes): runs of bytes above blank,
// or text in double quotes (a doubled quote stands for one).
std::vector<std::string> SplitWords(const std::string& text);

// A word's length as the 255 limit counts it: its bytes in the ANSI code page
// where the code page holds it, otherwise its UTF-16 units.
std::size_t TypedLength(const std::string& word);

// The text fold: entry b is byte b upper-cased on its own in the ANSI code page.
// Built once, on first use (before any search), and only read afterwards.
const std::array<std::uint8_t, 256>& UpperCaseTable();

// The lead bytes of the ANSI code page (none in a single-byte one). Built once.
const TLeadBytes& AnsiLeadBytes();

// What a search asks of a file's contents: the words as typed and how they count.
struct TWordQuery {
  std::string Text;
  bool IgnoreCase = false;
  bool WholeWords = false;
  TMatchMode Mode = TMatchMode::Any;
};

class TWordSet {
 public:
  TWordSet() = default;  // no words
  // Splits (the exact mode keeps the text whole), checks and prepares the
  // words; throws EPatternTooLarge. `widest` false keeps to the SSE2 loops.
  // `leadBytes`: those of the code page the ANSI bytes are in.
  explicit TWordSet(TWordQuery query, bool widest = true, const TLeadBytes& leadBytes = AnsiLeadBytes());

  // What the set was made from.
  const TWordQuery& Query() const { return Query_; }

  // The words in search order, in UTF-8, upper-cased while ignoring case.
  const std::vector<std::string>& Words() const { return Words_; }
  // Word i's scan (empty words have one that finds nothing).
  const TWordScan& Scan(std::size_t i) const { return Scans_[i]; }
  // Word i's scan of text that is known to be UTF-8 (a document's text): that
  // encoding alone, so that no other encoding's bytes match inside its characters.
  const TWordScan& TextScan(std::size_t i) const { return TextScans_[i]; }
  // The words text was not empty (the contents test runs).
  bool HasText() const { return !Query_.Text.empty(); }
  // The most bytes an occurrence of any word takes.
  std::size_t LongestForm() const { return Longest_; }
  // The most bytes an occurrence of any word takes in UTF-8 text.
  std::size_t LongestText() const { return LongestText_; }
  // The fewest bytes an occurrence of any word takes (in UTF-8 text); 0 when
  // no word can occur at all.
  std::size_t ShortestForm() const { return Shortest_; }
  std::size_t ShortestText() const { return ShortestText_; }

 private:
  TWordQuery Query_;
  std::vector<std::string> Words_;
  std::vector<TWordScan> Scans_;
  std::vector<TWordScan> TextScans_;
  std::size_t Longest_ = 0;
  std::size_t LongestText_ = 0;
  std::size_t Shortest_ = 0;
  std::size_t ShortestText_ = 0;
};

}  // namespace sorvik
