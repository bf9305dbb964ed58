// The inner loop of the word finder: where one word occurs, in any of its
// encodings, in a span of bytes that is already in memory. It does no I/O and
// knows nothing of files or views.
//
// A word is looked for in up to four encodings at once: the ANSI bytes, UTF-8,
// UTF-16 LE and UTF-16 BE (a form each; an ASCII word's ANSI and UTF-8 bytes are
// one form). Each form has a filter: two of its bytes, the rarest by a fixed
// table of typical text, at a fixed distance. The loop loads each block of
// sixteen bytes (SSE2), or thirty-two where the processor has AVX2, once and
// tests every filter on it; each place where a filter's two bytes agree is
// checked in full for the forms that filter stands for. UTF-16 LE and BE share
// one filter (the same bytes, one place apart), and when two filters' first
// bytes are the same their compare is made once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sorvik {

// The encodings a form's bytes are, as bits (an ASCII word's bytes are both ANSI and UTF-8).
enum TEncodingBit : std::uint8_t { kEncAnsi = 1, kEncUtf8 = 2, kEncUtf16Le = 4, kEncUtf16Be = 8 };

// The lead bytes of the ANSI code page: entry b is true when byte b starts a
// two-byte character (double-byte code pages: 932, 936, 949, 950).
using TLeadBytes = std::array<bool, 256>;

// One encoding of a word, as a candidate is checked against it.
struct TWordForm {
  std::uint8_t Encodings = 0;  // TEncodingBit set: whose whole-word rules apply
  std::size_t Length = 0;      // bytes
  // Byte by byte: content byte k matches when Fold[b] == Pattern[k], or b ==
  // Pattern[k] without a fold table (the table must outlive the form).
  std::string Pattern;
  const std::uint8_t* Fold = nullptr;
  // Character by character (letters beyond ASCII in a Unicode encoding while
  // ignoring case): each character's case forms, encoded; Pattern is unused.
  struct TChar {
    std::size_t Offset = 0;
    std::size_t Length = 0;
    std::vector<std::string> Forms;  // all of Length bytes
  };
  std::vector<TChar> Chars;
  // The ANSI form in a double-byte code page: the code page's lead bytes. It is
  // accepted only where a character starts, and whole words judge the
  // characters around it (see TWordScan::Find). Null in single-byte code pages.
  std::shared_ptr<const TLeadBytes> Lead;

  // The content bytes that may stand at offset k of a match.
  std::vector<std::uint8_t> BytesAt(std::size_t k) const;
  bool Matches(const std::uint8_t* at) const;
};

// A probe: the content bytes b with (b & Mask[i]) == Value[i] for i = 0 or 1.
// It may accept more bytes than the form allows; the full check decides.
struct TScanProbe {
  std::array<std::uint8_t, 2> Mask{};
  std::array<std::uint8_t, 2> Value{};
  bool operator==(const TScanProbe&) const = default;
  bool Has(std::uint8_t b) const { return (b & Mask[0]) == Value[0] || (b & Mask[1]) == Value[1]; }
};

inline constexpr int kMaxFilters = 4;

// What the loops see: per filter, a probe at the anchor and one at Distance after it.
struct TLoopPlan {
  int Filters = 0;
  bool SharedFirst = false;  // every filter's first probe is filter 0's
  bool OnePair = false;      // every probe is one masked compare (Mask[1], Value[1] repeat Mask[0], Value[0])
  std::array<TScanProbe, kMaxFilters> First{}, Second{};
  std::array<std::size_t, kMaxFilters> Distance{};
  // A UTF-16 filter's guard: the high byte of the anchor's unit, after it (LE)
  // or before it (BE). Asked only where the two probes agree, so text without
  // UTF-16 in it costs the wide filter nothing but its compares.
  std::array<bool, kMaxFilters> Guarded{};
  std::array<TScanProbe, kMaxFilters> Guard{};
};

// Candidate anchors of a block: bit i of Masks[f] is set when filter f's probes
// agree at anchor Block + i.
struct TCandidates {
  std::size_t Block = 0;
  std::size_t Width = 0;  // anchors the block covers
  std::array<std::uint32_t, kMaxFilters> Masks{};
};

// A scan loop: the first block of anchors in [from, last] that holds a
// candidate (the masks name only anchors up to last), or false. The bytes
// p[0 .. size) may be read, and reach past last by the longest distance.
using TScanLoop = bool (*)(const TLoopPlan& plan, const std::uint8_t* p, std::size_t size, std::size_t from,
                           std::size_t last, TCandidates& out);

// A span of the contents in memory: P points at file offset Lo; the bytes up
// to Hi may be read; Size is the whole file's size.
struct TScanSpan {
  const std::uint8_t* P = nullptr;
  std::int64_t Lo = 0, Hi = 0, Size = 0;
  std::uint8_t At(std::int64_t offset) const { return P[offset - Lo]; }
};

// A run of lead bytes [Start, End) that follows a character's end, as the
// character starts in a double-byte code page were last found in a span.
struct TLeadRun {
  std::int64_t Start = 0, End = 0;
};

struct TScanHit {
  std::int64_t Start = -1;  // file offset; -1: none
  std::size_t Length = 0;
  std::size_t Form = 0;  // the first of the forms that lie there
};

// A form a filter stands for: its candidates start Shift bytes before the anchor.
struct TScanAttached {
  std::size_t Form = 0;
  std::size_t Shift = 0;
};

class TWordScan {
 public:
  // `widest` false keeps to the SSE2 loops (tests compare both).
  void Prepare(std::vector<TWordForm> forms, bool widest = true);

  // The accepted occurrence with the least start in [from, to] (of the forms
  // accepted there, the first in the list), or none. The
  // caller guarantees that the span holds [from - 4, to + LongestForm() + 4),
  // cut at the file's ends. With `wholeWords` a form is accepted only between
  // separators (or the ends) of one of its encodings. In a double-byte code page
  // the span must start where a character does (see SpanStart), and hold the
  // 8 bytes before `from`. `run`: the note of character starts that successive
  // calls over one file's contents share (spans that start at character starts),
  // so that a long run of lead bytes is gone over once, not once per call.
  TScanHit Find(const TScanSpan& span, std::int64_t from, std::int64_t to, bool wholeWords,
                TLeadRun* run = nullptr) const;

  // Where a span that must hold the bytes from `lo` on starts: at `lo`, or in a
  // double-byte code page at the character start a few bytes before it, found in
  // `current` (a span that starts at a character start and holds `lo`).
  std::int64_t SpanStart(const TScanSpan& current, std::int64_t lo) const;

  std::size_t LongestForm() const { return Longest_; }
  std::size_t ShortestForm() const { return Shortest_; }
  const std::vector<TWordForm>& Forms() const { return Forms_; }

 private:
  bool Accept(const TWordForm& form, const TScanSpan& span, std::int64_t start, bool wholeWords,
              TLeadRun& run) const;
  void CheckBlock(const TCandidates& c, const TScanSpan& span, std::int64_t from, std::int64_t to, bool wholeWords,
                  TScanHit& best, TLeadRun& run) const;

  std::vector<TWordForm> Forms_;
  const TLeadBytes* Lead_ = nullptr;  // a form's lead bytes, in a double-byte code page
  TLoopPlan Plan_;
  std::array<std::vector<TScanAttached>, kMaxFilters> Attached_{};
  TScanLoop Loop_ = nullptr;
  std::size_t Longest_ = 0, Shortest_ = 0;
  std::size_t MinShift_ = 0, MaxShift_ = 0, MaxDistance_ = 0;
  bool NeverMatches_ = true;
};

// The loops this processor runs best for a plan of this shape (with `widest`
// false, no wider than SSE2).
TScanLoop ChooseScanLoop(const TLoopPlan& plan, bool widest = true);

}  // namespace sorvik
