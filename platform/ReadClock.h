// Times a contents reader's reads, to tell a read served from memory from one
// that waited for the disk. A search adds helpers, and so reads in flight,
// while its reads wait (see TReadPace).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "FileSystem.h"

namespace sorvik {

// Whether a read of `bytes` that took `took` waited for the disk: it took
// longer than a copy from memory would (a fixed part for the call, and the
// copy at a speed memory always beats). Measured on two cores, 20,000 files:
// reads from memory took 3-15 us (64 KiB and less), reads that waited 60 us
// and up on a virtual disk with a fast store behind it.
inline bool ReadWaited(std::chrono::nanoseconds took, std::size_t bytes) {
  constexpr std::chrono::nanoseconds kCall = std::chrono::microseconds(40);
  constexpr std::uint64_t kBytesPerMicrosecond = 2000;  // 2 GB/s
  return took > kCall + std::chrono::microseconds(bytes / kBytesPerMicrosecond);
}

class TReadClock {
 public:
  // Runs read() (which reads up to `bytes`) and counts it; gives what read() gave.
  template <typename Read>
  auto Time(std::size_t bytes, Read&& read) {
    const auto start = std::chrono::steady_clock::now();
    auto got = read();
    ++Waits_.Reads;
    if (ReadWaited(std::chrono::steady_clock::now() - start, bytes)) ++Waits_.Waited;
    return got;
  }
  const TReadWaits& Waits() const { return Waits_; }
  void Reset() { Waits_ = {}; }

 private:
  TReadWaits Waits_;
};

}  // namespace sorvik
