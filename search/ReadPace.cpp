#include "ReadPace.h"

#include <algorithm>

namespace sorvik {

TReadPace::TReadPace(unsigned least, unsigned most) : Least_(least), Most_(std::max(least, most)), Wanted_(least) {}

bool TReadPace::Note(const TReadWaits& waits) {
  std::lock_guard guard(Lock_);
  Reads_ += waits.Reads;
  Waited_ += waits.Waited;
  if (Reads_ < kJudgedReads) return false;
  const unsigned was = Wanted_;
  if (Waited_ * 2 >= Reads_) {
    // Most reads waited: twice the reads in flight.
    Wanted_ = std::min(Most_, std::max(Wanted_ * 2, Wanted_ + 1));
  } else if (Waited_ * 8 <= Reads_) {
    // Nearly all came from memory: back towards one per core.
    Wanted_ = std::max(Least_, Wanted_ / 2);
  }
  Reads_ = 0;
  Waited_ = 0;
  return Wanted_ != was;
}

unsigned TReadPace::Wanted() const {
  std::lock_guard guard(Lock_);
  return Wanted_;
}

}  // namespace sorvik
