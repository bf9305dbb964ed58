#include "ReadPace.h"

#include <algorithm>

namespace sorvik {

TReadPace::TReadPace(unsigned least, unsigned most, TClock::time_point start)
    : Least_(least), Ceiling_(std::max(least, most)), Wanted_(least), WindowStart_(start) {}

bool TReadPace::Note(const TReadWaits& waits, TClock::time_point now) {
  std::lock_guard guard(Lock_);
  Reads_ += waits.Reads;
  Waited_ += waits.Waited;
  if (Reads_ < kJudgedReads) return false;
  // Reads per second in this window.
  const double seconds = std::chrono::duration<double>(now - WindowStart_).count();
  const double rate = seconds > 0 ? Reads_ / seconds : 0;
  const unsigned was = Wanted_;
  if (TrialFrom_ && rate < Before_ * kPaidGrowth) {
    // The last growth didn't pay (the reads wait on something more helpers
    // don't help with, such as one server): back, and no further for this search.
    Ceiling_ = std::max(Least_, *TrialFrom_);
    Wanted_ = Ceiling_;
    TrialFrom_.reset();
  } else if (Waited_ * 2 >= Reads_ && Wanted_ < Ceiling_) {
    // Most reads waited: twice the reads in flight, kept if the next window reads faster.
    TrialFrom_ = Wanted_;
    Before_ = rate;
    Wanted_ = std::min(Ceiling_, std::max(Wanted_ * 2, Wanted_ + 1));
  } else {
    TrialFrom_.reset();
    // Nearly all came from memory: back towards one per core.
    if (Waited_ * 8 <= Reads_) Wanted_ = std::max(Least_, Wanted_ / 2);
  }
  Reads_ = 0;
  Waited_ = 0;
  WindowStart_ = now;
  return Wanted_ != was;
}

unsigned TReadPace::Wanted() const {
  std::lock_guard guard(Lock_);
  return Wanted_;
}

}  // namespace sorvik
