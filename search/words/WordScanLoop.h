// The scan loops, written once for any vector width. Included by the files that
// build them for one instruction set each; everything here has internal linkage,
// so a loop built for a wider set never stands in for another file's copy.
#pragma once

#include <bit>

#include "WordScan.h"

namespace sorvik {
namespace {

// The bits of a guarded filter's mask whose anchor has the guard's byte next to it.
[[gnu::noinline]] std::uint32_t Guarded(const TScanProbe& guard, const std::uint8_t* p, std::size_t size, std::size_t block,
                             std::uint32_t mask) {
  std::uint32_t kept = 0;
  for (std::uint32_t m = mask; m; m &= m - 1) {
    const std::size_t q = block + static_cast<std::size_t>(std::countr_zero(m));
    if ((q + 1 < size && guard.Has(p[q + 1])) || (q > 0 && guard.Has(p[q - 1]))) kept |= m & -m;
  }
  return kept;
}

// Anchors in blocks of 32, byte by byte: the end of every span, and plans the
// vector loops don't take.
inline bool ScalarScan(const TLoopPlan& plan, const std::uint8_t* p, std::size_t size, std::size_t from,
                       std::size_t last, TCandidates& out) {
  for (std::size_t s = from; s <= last; s += 32) {
    const std::size_t end = last - s >= 31 ? s + 31 : last;
    std::uint32_t any = 0;
    for (int f = 0; f < plan.Filters; ++f) {
      std::uint32_t mask = 0;
      for (std::size_t q = s; q <= end; ++q)
        if (plan.First[f].Has(p[q]) && plan.Second[f].Has(p[q + plan.Distance[f]])) mask |= 1u << (q - s);
      if (mask && plan.Guarded[f]) mask = Guarded(plan.Guard[f], p, size, s, mask);
      out.Masks[f] = mask;
      any |= mask;
    }
    if (any) {
      out.Block = s;
      out.Width = 32;
      return true;
    }
    if (end == last) break;
  }
  return false;
}

// V: the vector type's operations (Set1, Load, Eq, And, Or, MoveMask, kWidth).
// N filters; Shared: all first probes are filter 0's; OnePair: one masked compare per probe.
template <class V, int N, bool Shared, bool OnePair>
bool VectorScan(const TLoopPlan& plan, const std::uint8_t* p, std::size_t size, std::size_t from,
                std::size_t last, TCandidates& out) {
  using T = typename V::T;
  constexpr int kPairs = OnePair ? 1 : 2;
  T fm[N][kPairs], fv[N][kPairs], sm[N][kPairs], sv[N][kPairs];
  for (int f = 0; f < N; ++f)
    for (int k = 0; k < kPairs; ++k) {
      fm[f][k] = V::Set1(plan.First[f].Mask[k]);
      fv[f][k] = V::Set1(plan.First[f].Value[k]);
      sm[f][k] = V::Set1(plan.Second[f].Mask[k]);
      sv[f][k] = V::Set1(plan.Second[f].Value[k]);
    }
  auto probe = [](T x, const T* m, const T* v) {
    T r = V::Eq(V::And(x, m[0]), v[0]);
    if constexpr (!OnePair) r = V::Or(r, V::Eq(V::And(x, m[1]), v[1]));
    return r;
  };
  const std::uint8_t* second[N];
  for (int f = 0; f < N; ++f) second[f] = p + plan.Distance[f];
  constexpr std::size_t W = V::kWidth;
  std::size_t s = from;
  for (; s <= last && last - s >= W - 1; s += W) {  // W anchors s .. s+W-1, all <= last
    const T x = V::Load(p + s);
    const T first0 = probe(x, fm[0], fv[0]);
    // One test for the whole block first: the filters' second probes together.
    T hit;
    if constexpr (Shared) {
      T seconds = probe(V::Load(second[0] + s), sm[0], sv[0]);
      for (int f = 1; f < N; ++f) seconds = V::Or(seconds, probe(V::Load(second[f] + s), sm[f], sv[f]));
      hit = V::And(first0, seconds);
    } else {
      hit = V::And(first0, probe(V::Load(second[0] + s), sm[0], sv[0]));
      for (int f = 1; f < N; ++f)
        hit = V::Or(hit, V::And(probe(x, fm[f], fv[f]), probe(V::Load(second[f] + s), sm[f], sv[f])));
    }
    if (!V::MoveMask(hit)) continue;
    // Rare: each filter's own candidates, and its guard.
    std::uint32_t any = 0;
    for (int f = 0; f < N; ++f) {
      const T first = (f == 0 || Shared) ? first0 : probe(x, fm[f], fv[f]);
      std::uint32_t mask = V::MoveMask(V::And(first, probe(V::Load(second[f] + s), sm[f], sv[f])));
      if (mask && plan.Guarded[f]) mask = Guarded(plan.Guard[f], p, size, s, mask);
      out.Masks[f] = mask;
      any |= mask;
    }
    if (any) {
      out.Block = s;
      out.Width = W;
      return true;
    }
  }
  return s <= last && ScalarScan(plan, p, size, s, last, out);
}

template <class V, int N>
TScanLoop VectorLoopOf(bool shared, bool onePair) {
  if (shared) return onePair ? &VectorScan<V, N, true, true> : &VectorScan<V, N, true, false>;
  return onePair ? &VectorScan<V, N, false, true> : &VectorScan<V, N, false, false>;
}

// The loop for a plan's shape, from one instruction set's loops.
template <class V>
TScanLoop VectorLoop(const TLoopPlan& plan) {
  switch (plan.Filters) {
    case 1: return VectorLoopOf<V, 1>(plan.SharedFirst, plan.OnePair);
    case 2: return VectorLoopOf<V, 2>(plan.SharedFirst, plan.OnePair);
    case 3: return VectorLoopOf<V, 3>(plan.SharedFirst, plan.OnePair);
    case 4: return VectorLoopOf<V, 4>(plan.SharedFirst, plan.OnePair);
    default: return &ScalarScan;
  }
}

}  // namespace
}  // namespace sorvik
