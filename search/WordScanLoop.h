// The scan loops, written once for any vector width. Included by the files that
// build them for one instruction set each; everything here has internal linkage,
// so a loop built for a wider set never stands in for another file's copy.
#pragma once

#include <bit>
#include <cstring>

#include "WordScan.h"

namespace sorvik {
namespace {

inline bool PlanMatches(const TScanPlan& plan, const std::uint8_t* at) {
  const std::size_t m = plan.Word.size();
  const auto* w = reinterpret_cast<const std::uint8_t*>(plan.Word.data());
  if (!plan.Fold) return std::memcmp(at, w, m) == 0;
  for (std::size_t k = 0; k < m; ++k)
    if (plan.Fold[at[k]] != w[k]) return false;
  return true;
}

inline bool ProbeHas(const TScanProbe& probe, std::uint8_t b) {
  for (int k = 0; k < probe.Count; ++k)
    if (probe.Bytes[k] == b) return true;
  return false;
}

inline std::ptrdiff_t ScalarScan(const TScanPlan& plan, const std::uint8_t* p, std::size_t from, std::size_t last) {
  const bool probes = plan.First.Count > 0;
  for (std::size_t s = from; s <= last; ++s) {
    if (probes && (!ProbeHas(plan.First, p[s + plan.First.Offset]) || !ProbeHas(plan.Second, p[s + plan.Second.Offset])))
      continue;
    if (PlanMatches(plan, p + s)) return static_cast<std::ptrdiff_t>(s);
  }
  return -1;
}

// V: the vector type's operations (Set1, Load, Eq, And, Or, MoveMask, kWidth).
// K == 0: each probe is one masked compare; otherwise K compares per probe.
template <class V, int K>
std::ptrdiff_t VectorScan(const TScanPlan& plan, const std::uint8_t* p, std::size_t from, std::size_t last) {
  using T = typename V::T;
  constexpr int kCompares = K == 0 ? 1 : K;
  T a[kCompares], b[kCompares], am{}, bm{};
  if constexpr (K == 0) {
    am = V::Set1(plan.First.Mask);
    bm = V::Set1(plan.Second.Mask);
    a[0] = V::Set1(plan.First.Value);
    b[0] = V::Set1(plan.Second.Value);
  } else {
    for (int k = 0; k < K; ++k) {
      a[k] = V::Set1(plan.First.Bytes[k]);
      b[k] = V::Set1(plan.Second.Bytes[k]);
    }
  }
  constexpr std::size_t W = V::kWidth;
  const std::uint8_t* p1 = p + plan.First.Offset;
  const std::uint8_t* p2 = p + plan.Second.Offset;
  std::size_t s = from;
  for (; last - s >= W - 1; s += W) {  // W starts s .. s+W-1, all <= last
    const T x = V::Load(p1 + s);
    const T y = V::Load(p2 + s);
    T mx, my;
    if constexpr (K == 0) {
      mx = V::Eq(V::And(x, am), a[0]);
      my = V::Eq(V::And(y, bm), b[0]);
    } else {
      mx = V::Eq(x, a[0]);
      my = V::Eq(y, b[0]);
      for (int k = 1; k < K; ++k) {
        mx = V::Or(mx, V::Eq(x, a[k]));
        my = V::Or(my, V::Eq(y, b[k]));
      }
    }
    auto mask = V::MoveMask(V::And(mx, my));
    while (mask) {
      const std::size_t at = s + static_cast<std::size_t>(std::countr_zero(mask));
      if (PlanMatches(plan, p + at)) return static_cast<std::ptrdiff_t>(at);
      mask &= mask - 1;
    }
    if (last - s < W) return -1;  // s + W would pass last: nothing left
  }
  return ScalarScan(plan, p, s, last);
}

// The loop for a plan's shape, from one instruction set's loops.
template <class V>
TScanLoop VectorLoop(bool masked, int width) {
  if (masked) return &VectorScan<V, 0>;
  if (width == 2) return &VectorScan<V, 2>;
  if (width == 4) return &VectorScan<V, 4>;
  return &ScalarScan;
}

}  // namespace
}  // namespace sorvik
