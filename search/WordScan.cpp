#include "WordScan.h"

#include <algorithm>
#include <bit>

#include "WordScanLoop.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define SORVIK_SSE2 1
#include <emmintrin.h>
#endif

namespace sorvik {

#ifdef SORVIK_AVX2
TScanLoop Avx2ScanLoop(bool masked, int width);  // WordScanAvx2.cpp
#endif

namespace {

#ifdef SORVIK_SSE2
struct TSse2 {
  using T = __m128i;
  static constexpr std::size_t kWidth = 16;
  static T Set1(std::uint8_t b) { return _mm_set1_epi8(static_cast<char>(b)); }
  static T Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
  static T Eq(T x, T y) { return _mm_cmpeq_epi8(x, y); }
  static T And(T x, T y) { return _mm_and_si128(x, y); }
  static T Or(T x, T y) { return _mm_or_si128(x, y); }
  static std::uint32_t MoveMask(T x) { return static_cast<std::uint32_t>(_mm_movemask_epi8(x)); }
};
#endif

// Whether the probe's bytes are exactly those b with (b & Mask) == Value; sets both.
void MakeMasked(TScanProbe& probe) {
  std::uint8_t differ = 0;
  for (int k = 1; k < probe.Count; ++k) differ |= probe.Bytes[k] ^ probe.Bytes[0];
  // The bytes all agree outside `differ`; they are the whole set when there
  // are as many of them as `differ` allows.
  probe.Masked = probe.Count == 1 << std::popcount(differ);
  probe.Mask = static_cast<std::uint8_t>(~differ);
  probe.Value = probe.Bytes[0] & probe.Mask;
}

// How common each byte is in typical text and code, 0 (rare) to 255 (very
// common). Only the order matters: it picks the two bytes the loop looks for.
constexpr std::array<std::uint8_t, 256> MakeByteFrequency() {
  std::array<std::uint8_t, 256> f{};
  for (auto& v : f) v = 40;  // control bytes and bytes above 127
  f[0] = 90;
  f[0xFF] = 70;
  for (int c = 33; c < 127; ++c) f[c] = 120;  // punctuation
  for (int c = '0'; c <= '9'; ++c) f[c] = 160;
  f[' '] = 255;
  f['\n'] = 210;
  f['\r'] = 170;
  f['\t'] = 150;
  for (unsigned char c : {'.', ',', '(', ')', '"', '\'', '-', '_', '=', '/', ';', ':'}) f[c] = 165;
  const char* byRank = "etaoinshrdlcumwfgypbvkjxqz";  // most common first
  for (int i = 0; i < 26; ++i) {
    const int lower = 245 - i * 8;
    f[static_cast<unsigned char>(byRank[i])] = static_cast<std::uint8_t>(lower);
    f[static_cast<unsigned char>(byRank[i] - 32)] = static_cast<std::uint8_t>(lower > 100 ? lower - 80 : 20);
  }
  return f;
}

constexpr std::array<std::uint8_t, 256> kByteFrequency = MakeByteFrequency();

}  // namespace

TMatchingBytes::TMatchingBytes(const std::uint8_t* fold) : Fold_(fold) {
  for (int b = 0; b < 256; ++b) {
    TEntry& e = ByWordByte_[fold ? fold[b] : b];
    if (e.Count < kMaxMatchingBytes) e.Bytes[static_cast<std::size_t>(e.Count)] = static_cast<std::uint8_t>(b);
    ++e.Count;
    e.Cost += kByteFrequency[b];
  }
}

void TWordScanner::Prepare(const std::string& word, const std::uint8_t* fold, bool widest) {
  Prepare(word, TMatchingBytes(fold), widest);
}

void TWordScanner::Prepare(const std::string& word, const TMatchingBytes& matching, bool widest) {
  const std::uint8_t* fold = matching.Fold();
  Plan_ = {};
  Plan_.Word = word;
  Plan_.Fold = fold;
  NeverMatches_ = false;
  Loop_ = ChooseScanLoop(false, 0, widest);
  const std::size_t m = word.size();
  if (m == 0) {
    NeverMatches_ = true;
    return;
  }

  // For each word byte: the content bytes that match it, and how common they are.
  struct TCandidate {
    TScanProbe Probe;
    int Matching = 0;  // content bytes matching this word byte
    int Cost = 0;
  };
  auto candidate = [&](std::size_t i) {
    const TMatchingBytes::TEntry& e = matching.For(static_cast<std::uint8_t>(word[i]));
    TCandidate c;
    c.Probe.Offset = i;
    c.Probe.Bytes = e.Bytes;
    c.Matching = e.Count;
    c.Cost = e.Cost;
    return c;
  };

  bool haveFirst = false, haveSecond = false;
  TCandidate first, second;
  for (std::size_t i = 0; i < m; ++i) {
    TCandidate c = candidate(i);
    if (c.Matching == 0) {
      NeverMatches_ = true;
      return;
    }
    if (c.Matching > kMaxMatchingBytes) continue;
    if (!haveFirst || c.Cost < first.Cost) {
      if (haveFirst && word[first.Probe.Offset] != word[i]) {
        second = first;
        haveSecond = true;
      }
      first = c;
      haveFirst = true;
    } else if (word[i] != word[first.Probe.Offset] && (!haveSecond || c.Cost < second.Cost)) {
      second = c;
      haveSecond = true;
    }
  }
  if (!haveFirst) return;  // every word byte has too many matches: scalar scan
  if (!haveSecond) second = first;
  // Probes in text order, each padded with its first byte.
  if (second.Probe.Offset < first.Probe.Offset) std::swap(first, second);
  Plan_.First = first.Probe;
  Plan_.Second = second.Probe;
  Plan_.First.Count = std::min(first.Matching, kMaxMatchingBytes);
  Plan_.Second.Count = std::min(second.Matching, kMaxMatchingBytes);
  for (TScanProbe* probe : {&Plan_.First, &Plan_.Second}) {
    for (int k = probe->Count; k < kMaxMatchingBytes; ++k) probe->Bytes[k] = probe->Bytes[0];
    MakeMasked(*probe);
  }
  const int compares = std::max(Plan_.First.Count, Plan_.Second.Count);
  Loop_ = ChooseScanLoop(Plan_.First.Masked && Plan_.Second.Masked, compares <= 2 ? 2 : 4, widest);
}

TScanLoop ChooseScanLoop(bool masked, int width, bool widest) {
#ifdef SORVIK_AVX2
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (widest && avx2 && (masked || width > 0)) return Avx2ScanLoop(masked, width);
#else
  (void)widest;
#endif
#ifdef SORVIK_SSE2
  return VectorLoop<TSse2>(masked, width);
#else
  (void)masked;
  (void)width;
  return &ScalarScan;
#endif
}

}  // namespace sorvik
