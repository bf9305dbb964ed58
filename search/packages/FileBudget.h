// What reading one file on disk as a package may cost: every reader of it (the
// package itself, the packages inside it, the documents' text) counts the bytes
// it makes (inflated, or given as stored) against one cap tied to the file's own
// size, so that no file costs more than a bounded multiple of its size, however
// it nests, repeats or overlaps its data. Used by one thread at a time.
#pragma once

#include <cstdint>
#include <limits>

namespace sorvik {

class TFileBudget {
 public:
  // Bytes every file may make, however small (a document of a few kilobytes
  // may hold a few megabytes of text), and how many more per byte of the file:
  // deflate gives at most about 1,030 to 1, text seldom beyond 50, the most
  // repetitive logs seldom beyond 200.
  static constexpr std::uint64_t kFloor = std::uint64_t{64} << 20;
  static constexpr std::uint64_t kPerByte = 250;

  // The cap of a file of `fileSize` bytes.
  static constexpr std::uint64_t CapFor(std::uint64_t fileSize) {
    constexpr std::uint64_t most = std::numeric_limits<std::uint64_t>::max();
    if (fileSize > (most - kFloor) / kPerByte) return most;
    return kFloor + fileSize * kPerByte;
  }

  explicit TFileBudget(std::uint64_t fileSize) : Cap_(CapFor(fileSize)) {}
  // A cap given as it is (tests).
  static TFileBudget WithCap(std::uint64_t cap) {
    TFileBudget budget(0);
    budget.Cap_ = cap;
    return budget;
  }

  // Bytes that may still be made.
  std::uint64_t Left() const { return Cap_ - Used_; }
  // Counts `n` bytes made; the cap is never passed (the caller asks Left first).
  void Spend(std::uint64_t n) { Used_ += n < Left() ? n : Left(); }
  // A reader wanted to make more than the cap allows: the reading ended there.
  void MarkReached() { Reached_ = true; }
  bool Reached() const { return Reached_; }

  std::uint64_t Used() const { return Used_; }
  std::uint64_t Cap() const { return Cap_; }

 private:
  std::uint64_t Cap_;
  std::uint64_t Used_ = 0;
  bool Reached_ = false;
};

}  // namespace sorvik
