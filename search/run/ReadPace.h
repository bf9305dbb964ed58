// How many helpers a search of a local disk keeps reading at once. While its
// files come from memory, one per core keeps the cores busy and more only
// take turns on them. While reads wait for the disk, more reads in flight let
// the disk serve them together (a solid-state disk serves dozens at once, a
// spinning one orders them along its way), so the count grows; when the reads
// come from memory again it shrinks back. A growth that doesn't make the
// reads faster is taken back, and the count grows no more in that search:
// reads that wait on something other than the disk (under Wine, on its one
// server process) get nothing from more of them at once.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>

#include "FileSystem.h"

namespace sorvik {

class TReadPace {
 public:
  using TClock = std::chrono::steady_clock;

  // Starts at `least` helpers and never goes beyond `most`.
  TReadPace(unsigned least, unsigned most, TClock::time_point start = TClock::now());

  // Told after each test how its reads went (from any thread), and when. True
  // when the helpers wanted changed.
  bool Note(const TReadWaits& waits, TClock::time_point now = TClock::now());
  unsigned Wanted() const;

  // Reads judged together: enough that one slow read among them (a large file
  // on a warm disk) doesn't decide, few enough that a cold disk is seen soon.
  static constexpr std::uint32_t kJudgedReads = 64;

 private:
  // A growth pays when the window after it reads this much faster.
  static constexpr double kPaidGrowth = 1.15;

  const unsigned Least_;
  mutable std::mutex Lock_;
  unsigned Ceiling_;  // the most, or a count beyond which growth didn't pay
  unsigned Wanted_;
  std::uint32_t Reads_ = 0;
  std::uint32_t Waited_ = 0;
  TClock::time_point WindowStart_;
  std::optional<unsigned> TrialFrom_;  // the count before a growth the next window judges
  double Before_ = 0;                  // reads per second before that growth
};

}  // namespace sorvik
