#include "StreamFind.h"

#include <algorithm>
#include <limits>

namespace sorvik {

namespace {

// Bytes kept before the next start: those that tell whole words (4) and, in a
// double-byte code page, where the characters before it start (8).
constexpr std::int64_t kBefore = 8;
constexpr std::int64_t kAfter = 4;

}  // namespace

// The starts judged at once: every word is looked for in them while they are in the cache.
TStreamFind::TStreamFind(const TWordSet& set, std::size_t judge) : Set_(set), Judge_(std::max<std::size_t>(judge, 1)) {
  Window_.Reserve(Judge_ + 4096);
}

void TStreamFind::BeginFile() {
  const std::size_t count = Set_.Words().size();
  Seen_.assign(count, 0);
  Open_ = 0;
  for (std::size_t w = 0; w < count; ++w) {
    if (Set_.Words()[w].empty())
      Seen_[w] = 1;  // skipped
    else
      ++Open_;
  }
  Found_ = false;
}

void TStreamFind::BeginStream(bool text) {
  Text_ = text;
  Shortest_ = static_cast<std::int64_t>(text ? Set_.ShortestText() : Set_.ShortestForm());
  Longest_ = static_cast<std::int64_t>(text ? Set_.LongestText() : Set_.LongestForm());
  Window_.Clear();
  From_ = 0;
  Run_ = {};
}

bool TStreamFind::Feed(const std::uint8_t* data, std::size_t n) {
  if (Found_ || Shortest_ == 0) return !Found_;
  const std::size_t full = Judge_ + static_cast<std::size_t>(Longest_ + kBefore + kAfter);
  return Window_.Feed(data, n, full, [this](bool full) {
    if (full) Judge(false);
    return !Found_;
  });
}

bool TStreamFind::EndStream() {
  if (!Found_ && Shortest_ > 0) Judge(true);
  Window_.Clear();
  return !Found_;
}

void TStreamFind::Judge(bool last) {
  const TScanSpan span = Window_.Span(last);
  const std::int64_t hi = span.Hi;
  // No occurrence is judged whole unless the bytes after it are in the window.
  const std::int64_t to = last ? hi - Shortest_ : hi - Longest_ - kAfter;
  if (to >= From_) {
    const bool all = Set_.Query().Mode == TMatchMode::All;
    const bool whole = Set_.Query().WholeWords;
    for (std::size_t w = 0; w < Seen_.size() && !Found_; ++w) {
      if (Seen_[w]) continue;
      if (ScanOf(w).Find(span, From_, to, whole, &Run_).Start < 0) continue;
      if (!all) {
        Found_ = true;
      } else {
        Seen_[w] = 1;
        Found_ = --Open_ == 0;
      }
    }
    From_ = to + 1;
  }
  if (last || Found_) return;
  // Keeps the bytes the next starts need before them, from where a character starts.
  Window_.DropBefore(
      Window_.NeededFrom(From_, kBefore, span, Seen_.size(), [this](std::size_t w) -> const TWordScan& { return ScanOf(w); }));
}

}  // namespace sorvik
