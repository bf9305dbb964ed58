// A stream that arrives in pieces (an archive's entry as it inflates, a
// document's text as it is extracted, a file read a piece at a time), held in
// a window of bounded size: its consumer appends the pieces until the window
// is full, judges the word starts the window holds whole, and drops the bytes
// no later start needs. An occurrence across two pieces is found as in one.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "WordScan.h"

namespace sorvik {

class TStreamWindow {
 public:
  // A new stream, from offset 0.
  void Clear() {
    Bytes_.clear();
    Lo_ = 0;
  }
  void Reserve(std::size_t bytes) { Bytes_.reserve(bytes); }

  // Appends data[0, n) a window of `full` bytes at a time. After each part
  // appended, `taken(full)` is called (`full`: the window holds `full` bytes,
  // and is judged); it returns false to stop the feed. False when it did.
  template <class TTaken>
  bool Feed(const std::uint8_t* data, std::size_t n, std::size_t full, TTaken&& taken) {
    while (n > 0) {
      const std::size_t take = std::min(n, full - std::min(full, Bytes_.size()));
      Bytes_.insert(Bytes_.end(), data, data + take);
      data += take;
      n -= take;
      if (!taken(Bytes_.size() >= full)) return false;
    }
    return true;
  }

  std::int64_t Lo() const { return Lo_; }
  std::int64_t Hi() const { return Lo_ + static_cast<std::int64_t>(Bytes_.size()); }
  const std::uint8_t* Data() const { return Bytes_.data(); }

  // The window as a span to scan. Before the stream's end its size is not
  // known: `last` says whether it ends at the window's end.
  TScanSpan Span(bool last) const {
    return {Bytes_.data(), Lo_, Hi(), last ? Hi() : std::numeric_limits<std::int64_t>::max() / 4};
  }

  // Where the bytes that starts from `from` on need begin: `before` bytes
  // earlier (whole words, a line's text), moved back for each scan to where a
  // character starts in a double-byte code page; never before the window.
  template <class TScans>
  std::int64_t NeededFrom(std::int64_t from, std::int64_t before, const TScanSpan& span, std::size_t scans,
                          TScans&& scanOf) const {
    std::int64_t keep = std::max(Lo_, from - before);
    for (std::size_t w = 0; w < scans; ++w) keep = std::min(keep, scanOf(w).SpanStart(span, keep));
    return std::max(keep, Lo_);
  }

  // Drops the bytes before `keep` (within the window).
  void DropBefore(std::int64_t keep) {
    keep = std::clamp(keep, Lo_, Hi());
    Bytes_.erase(Bytes_.begin(), Bytes_.begin() + (keep - Lo_));
    Lo_ = keep;
  }

 private:
  std::vector<std::uint8_t> Bytes_;  // the stream from offset Lo_ on
  std::int64_t Lo_ = 0;
};

}  // namespace sorvik
