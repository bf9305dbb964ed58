// How many helpers a search of a local disk keeps reading at once. While its
// files come from memory, one per core keeps the cores busy and more only
// take turns on them. While reads wait for the disk, more reads in flight let
// the disk serve them together (a solid-state disk serves dozens at once, a
// spinning one orders them along its way), so the count grows; when the reads
// come from memory again it shrinks back.
#pragma once

#include <cstdint>
#include <mutex>

#include "FileSystem.h"

namespace sorvik {

class TReadPace {
 public:
  // Starts at `least` helpers and never goes beyond `most`.
  TReadPace(unsigned least, unsigned most);

  // Told after each test how its reads went (from any thread). True when the
  // helpers wanted changed.
  bool Note(const TReadWaits& waits);
  unsigned Wanted() const;

 private:
  // Reads judged together: enough that one slow read among them (a large file
  // on a warm disk) doesn't decide, few enough that a cold disk is seen soon.
  static constexpr std::uint32_t kJudgedReads = 32;

  const unsigned Least_;
  const unsigned Most_;
  mutable std::mutex Lock_;
  unsigned Wanted_;
  std::uint32_t Reads_ = 0;
  std::uint32_t Waited_ = 0;
};

}  // namespace sorvik
