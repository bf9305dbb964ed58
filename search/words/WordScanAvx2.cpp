// The scan loops for processors with AVX2: thirty-two places a step. Built with
// AVX2 enabled for this file alone, and run only where the processor has it.
#include <immintrin.h>

#include "WordScanLoop.h"

namespace sorvik {

namespace {
struct TAvx2 {
  using T = __m256i;
  static constexpr std::size_t kWidth = 32;
  static T Set1(std::uint8_t b) { return _mm256_set1_epi8(static_cast<char>(b)); }
  static T Load(const std::uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
  static T Eq(T x, T y) { return _mm256_cmpeq_epi8(x, y); }
  static T And(T x, T y) { return _mm256_and_si256(x, y); }
  static T Or(T x, T y) { return _mm256_or_si256(x, y); }
  static std::uint32_t MoveMask(T x) { return static_cast<std::uint32_t>(_mm256_movemask_epi8(x)); }
};
}  // namespace

TScanLoop Avx2ScanLoop(const TLoopPlan& plan) { return VectorLoop<TAvx2>(plan); }

}  // namespace sorvik
