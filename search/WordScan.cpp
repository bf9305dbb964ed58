#include "WordScan.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define SORVIK_SSE2 1
#include <emmintrin.h>
#endif

namespace sorvik {

namespace {

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

void TWordScanner::Prepare(const std::string& word, const std::uint8_t* fold) {
  Prepare(word, TMatchingBytes(fold));
}

void TWordScanner::Prepare(const std::string& word, const TMatchingBytes& matching) {
  const std::uint8_t* fold = matching.Fold();
  Word_ = word;
  Fold_ = fold;
  NeverMatches_ = false;
  Width_ = 0;
  First_ = Second_ = {};
  const std::size_t m = word.size();
  if (m == 0) {
    NeverMatches_ = true;
    return;
  }

  // For each word byte: the content bytes that match it, and how common they are.
  struct TCandidate {
    TProbe Probe;
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
  First_ = first.Probe;
  Second_ = second.Probe;
  First_.Count = std::min(first.Matching, kMaxMatchingBytes);
  Second_.Count = std::min(second.Matching, kMaxMatchingBytes);
  for (TProbe* probe : {&First_, &Second_})
    for (int k = probe->Count; k < kMaxMatchingBytes; ++k) probe->Bytes[k] = probe->Bytes[0];
  const int widest = std::max(First_.Count, Second_.Count);
  Width_ = widest == 1 ? 1 : widest == 2 ? 2 : 4;
}

bool TWordScanner::Matches(const std::uint8_t* at) const {
  const std::size_t m = Word_.size();
  const auto* w = reinterpret_cast<const std::uint8_t*>(Word_.data());
  if (!Fold_) return std::memcmp(at, w, m) == 0;
  for (std::size_t k = 0; k < m; ++k)
    if (Fold_[at[k]] != w[k]) return false;
  return true;
}

std::ptrdiff_t TWordScanner::FindScalar(const std::uint8_t* p, std::size_t from, std::size_t last) const {
  auto in = [](const TProbe& probe, std::uint8_t b) {
    for (int k = 0; k < probe.Count; ++k)
      if (probe.Bytes[k] == b) return true;
    return false;
  };
  for (std::size_t s = from; s <= last; ++s) {
    if (Width_ && (!in(First_, p[s + First_.Offset]) || !in(Second_, p[s + Second_.Offset]))) continue;
    if (Matches(p + s)) return static_cast<std::ptrdiff_t>(s);
  }
  return -1;
}

template <int K>
std::ptrdiff_t TWordScanner::FindVector(const std::uint8_t* p, std::size_t from, std::size_t last) const {
#ifdef SORVIK_SSE2
  __m128i a[K], b[K];
  for (int k = 0; k < K; ++k) {
    a[k] = _mm_set1_epi8(static_cast<char>(First_.Bytes[k]));
    b[k] = _mm_set1_epi8(static_cast<char>(Second_.Bytes[k]));
  }
  const std::uint8_t* p1 = p + First_.Offset;
  const std::uint8_t* p2 = p + Second_.Offset;
  std::size_t s = from;
  for (; last - s >= 15; s += 16) {  // sixteen starts s .. s+15, all <= last
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p1 + s));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p2 + s));
    __m128i mx = _mm_cmpeq_epi8(x, a[0]);
    __m128i my = _mm_cmpeq_epi8(y, b[0]);
    for (int k = 1; k < K; ++k) {
      mx = _mm_or_si128(mx, _mm_cmpeq_epi8(x, a[k]));
      my = _mm_or_si128(my, _mm_cmpeq_epi8(y, b[k]));
    }
    auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(mx, my)));
    while (mask) {
      const std::size_t at = s + static_cast<std::size_t>(std::countr_zero(mask));
      if (Matches(p + at)) return static_cast<std::ptrdiff_t>(at);
      mask &= mask - 1;
    }
    if (last - s < 16) return -1;  // s + 16 would pass last: nothing left
  }
  return FindScalar(p, s, last);
#else
  return FindScalar(p, from, last);
#endif
}

std::ptrdiff_t TWordScanner::Find(const std::uint8_t* p, std::size_t from, std::size_t last) const {
  if (NeverMatches_ || from > last) return -1;
  switch (Width_) {
    case 1: return FindVector<1>(p, from, last);
    case 2: return FindVector<2>(p, from, last);
    case 4: return FindVector<4>(p, from, last);
    default: return FindScalar(p, from, last);
  }
}

}  // namespace sorvik
