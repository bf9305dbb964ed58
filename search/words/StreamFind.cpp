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
  Window_.reserve(Judge_ + 4096);
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
  Window_.clear();
  Lo_ = 0;
  From_ = 0;
  Run_ = {};
}

bool TStreamFind::Feed(const std::uint8_t* data, std::size_t n) {
  if (Found_ || Shortest_ == 0) return !Found_;
  const std::size_t full = Judge_ + static_cast<std::size_t>(Longest_ + kBefore + kAfter);
  while (n > 0) {
    const std::size_t take = std::min(n, full - std::min(full, Window_.size()));
    Window_.insert(Window_.end(), data, data + take);
    data += take;
    n -= take;
    if (Window_.size() >= full) {
      Judge(false);
      if (Found_) return false;
    }
  }
  return true;
}

bool TStreamFind::EndStream() {
  if (!Found_ && Shortest_ > 0) Judge(true);
  Window_.clear();
  return !Found_;
}

void TStreamFind::Judge(bool last) {
  const std::int64_t hi = Lo_ + static_cast<std::int64_t>(Window_.size());
  // Before its end the stream's size is not known: no occurrence is judged
  // whole unless the bytes after it are in the window.
  const TScanSpan span{Window_.data(), Lo_, hi, last ? hi : std::numeric_limits<std::int64_t>::max() / 4};
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
  std::int64_t keep = std::max(Lo_, From_ - kBefore);
  for (std::size_t w = 0; w < Seen_.size(); ++w) keep = std::min(keep, ScanOf(w).SpanStart(span, keep));
  keep = std::max(keep, Lo_);
  Window_.erase(Window_.begin(), Window_.begin() + (keep - Lo_));
  Lo_ = keep;
}

}  // namespace sorvik
