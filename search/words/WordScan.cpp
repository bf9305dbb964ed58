#include "WordScan.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "WordScanLoop.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define SORVIK_SSE2 1
#include <emmintrin.h>
#endif

namespace sorvik {

#ifdef SORVIK_AVX2
TScanLoop Avx2ScanLoop(const TLoopPlan& plan);  // WordScanAvx2.cpp
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

// How common each byte is in typical text and code, 0 (rare) to 255 (very
// common). Only the order matters: it picks the two bytes a filter looks for.
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

constexpr std::array<bool, 256> MakeSeparators() {
  std::array<bool, 256> t{};
  for (unsigned char c : {9, 10, 13, 32, 33, 34, 35, 36, 37, 39, 40, 41, 42, 43, 44, 46, 47, 58, 59, 60,
                          61, 62, 63, 64, 92, 124})
    t[c] = true;
  return t;
}

constexpr std::array<bool, 256> kSeparators = MakeSeparators();

// A UTF-16 unit that ends a word: a separator, or the byte-order mark.
bool UnitSeparates(unsigned unit) { return unit == 0xFEFF || (unit < 0x80 && kSeparators[unit]); }

bool IsByteOrderMark(const TScanSpan& span, std::int64_t at) {
  return at >= 0 && at + 3 <= span.Size && span.At(at) == 0xEF && span.At(at + 1) == 0xBB &&
         span.At(at + 2) == 0xBF;
}

// Whether an occurrence [s, e) of one encoding stands between separators.
bool Bounded(std::uint8_t encoding, const TScanSpan& span, std::int64_t s, std::int64_t e) {
  switch (encoding) {
    case kEncAnsi:
      return (s == 0 || kSeparators[span.At(s - 1)]) && (e >= span.Size || kSeparators[span.At(e)]);
    case kEncUtf8:
      // Separators are ASCII, and an ASCII byte is always a whole character in UTF-8.
      return (s == 0 || kSeparators[span.At(s - 1)] || IsByteOrderMark(span, s - 3)) &&
             (e >= span.Size || kSeparators[span.At(e)] || IsByteOrderMark(span, e));
    case kEncUtf16Le:
    case kEncUtf16Be: {
      // The neighbours are the units before and after, not the bytes.
      const bool be = encoding == kEncUtf16Be;
      auto unit = [&](std::int64_t at) {
        const unsigned a = span.At(at), b = span.At(at + 1);
        return be ? (a << 8 | b) : (b << 8 | a);
      };
      // A lone byte at either end of the contents counts as a unit of its value.
      const bool before = s == 0 || UnitSeparates(s == 1 ? span.At(0) : unit(s - 2));
      return before && (e == span.Size || UnitSeparates(e + 1 == span.Size ? span.At(e) : unit(e)));
    }
    default:
      return false;
  }
}

// ---- double-byte code pages -------------------------------------------------
// A span starts at a character start. A byte that can't be a lead byte ends a
// character (alone or as a trail byte), so the character starts before a byte
// are found by going back over the bytes that could be lead bytes: from the
// first of them they pair up.

// Whether a character starts at byte `at`. `run` is the run of lead bytes the
// last call went back over; a later call in the same span stops where it meets
// it, so a long run is gone over once per scan, not once per candidate.
bool StartsChar(const TLeadBytes& lead, const TScanSpan& span, std::int64_t at, TLeadRun& run) {
  std::int64_t k = at;
  while (k > span.Lo && lead[span.At(k - 1)]) {
    if (k - 1 >= run.Start && k - 1 < run.End) {
      k = run.Start;
      break;
    }
    --k;
  }
  run = {k, at};
  return (at - k) % 2 == 0;
}

// Whether an occurrence [s, e) that starts a character, and ends one, stands
// between characters that are separators (a two-byte character never is).
bool BoundedChars(const TLeadBytes& lead, const TScanSpan& span, std::int64_t s, std::int64_t e, TLeadRun& run) {
  if (s > 0) {
    const std::uint8_t b = span.At(s - 1);
    // Before a character start, a lead byte is a trail byte; so is a byte where no character starts.
    if (!kSeparators[b] || lead[b] || !StartsChar(lead, span, s - 1, run)) return false;
  }
  return e >= span.Size || (kSeparators[span.At(e)] && !lead[span.At(e)]);
}

// Whether byte `at` ends a whole UTF-8 character.
bool EndsUtf8Char(const TScanSpan& span, std::int64_t at) {
  const std::uint8_t b = span.At(at);
  if (b < 0x80) return true;
  if (b >= 0xC0) return false;
  for (std::int64_t k = 1; k <= 3 && at - k >= span.Lo; ++k) {
    const std::uint8_t c = span.At(at - k);
    if ((c & 0xC0) == 0x80) continue;
    const std::int64_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    return length == k + 1;
  }
  return false;
}

// Whether the bytes before `s` read as UTF-8: the character before it is whole,
// and so is the one before that when the first is ASCII (a separator's own
// neighbour: the 5C after 95 in Shift-JIS 表 is no backslash).
bool Utf8Before(const TScanSpan& span, std::int64_t s) {
  if (s <= span.Lo) return true;
  if (!EndsUtf8Char(span, s - 1)) return false;
  return span.At(s - 1) >= 0x80 || s - 1 == span.Lo || EndsUtf8Char(span, s - 2);
}

// An occurrence [s, e) of an ANSI form in a double-byte code page. Read as the
// code page, it counts where a character starts. An ASCII word's form is its
// UTF-8 form too, and that reading counts where the bytes before it read as
// UTF-8 (so "abc" after a Japanese character in a UTF-8 file is found, though
// the code page would take its first byte for a trail byte).
bool AcceptChars(const TWordForm& form, const TLeadBytes& lead, const TScanSpan& span, std::int64_t s,
                 bool wholeWords, TLeadRun& run) {
  const std::int64_t e = s + static_cast<std::int64_t>(form.Length);
  if (StartsChar(lead, span, s, run) && (!wholeWords || BoundedChars(lead, span, s, e, run))) return true;
  if (!(form.Encodings & kEncUtf8) || !Utf8Before(span, s)) return false;
  return !wholeWords || Bounded(kEncUtf8, span, s, e);
}

// A probe for a set of bytes: exact when one masked compare, or two single
// bytes, can say it; otherwise the first byte and a mask around the others.
TScanProbe ProbeFor(const std::vector<std::uint8_t>& bytes) {
  auto masked = [](const std::uint8_t* b, std::size_t n, std::uint8_t& mask, std::uint8_t& value) {
    std::uint8_t differ = 0;
    for (std::size_t k = 1; k < n; ++k) differ |= b[k] ^ b[0];
    mask = static_cast<std::uint8_t>(~differ);
    value = b[0] & mask;
    return n == std::size_t{1} << std::popcount(differ);
  };
  TScanProbe probe;
  if (masked(bytes.data(), bytes.size(), probe.Mask[0], probe.Value[0])) {
    probe.Mask[1] = probe.Mask[0];
    probe.Value[1] = probe.Value[0];
    return probe;
  }
  probe.Mask[0] = 0xFF;
  probe.Value[0] = bytes[0];
  masked(bytes.data() + 1, bytes.size() - 1, probe.Mask[1], probe.Value[1]);
  return probe;
}

int ProbeCost(const TScanProbe& probe, bool wide) {
  int cost = 0;
  for (int b = 0; b < 256; ++b)
    if (probe.Has(static_cast<std::uint8_t>(b))) cost += wide && b == 0 ? 255 : kByteFrequency[b];
  return cost;
}

}  // namespace

// ---- TWordForm ---------------------------------------------------------------

std::vector<std::uint8_t> TWordForm::BytesAt(std::size_t k) const {
  std::vector<std::uint8_t> bytes;
  if (Chars.empty()) {
    const auto w = static_cast<std::uint8_t>(Pattern[k]);
    if (!Fold) return {w};
    for (int b = 0; b < 256; ++b)
      if (Fold[b] == w) bytes.push_back(static_cast<std::uint8_t>(b));
    return bytes;
  }
  for (const TChar& c : Chars) {
    if (k < c.Offset || k >= c.Offset + c.Length) continue;
    for (const std::string& form : c.Forms) {
      const auto b = static_cast<std::uint8_t>(form[k - c.Offset]);
      if (std::find(bytes.begin(), bytes.end(), b) == bytes.end()) bytes.push_back(b);
    }
  }
  return bytes;
}

bool TWordForm::Matches(const std::uint8_t* at) const {
  if (Chars.empty()) {
    const auto* w = reinterpret_cast<const std::uint8_t*>(Pattern.data());
    if (!Fold) return std::memcmp(at, w, Length) == 0;
    for (std::size_t k = 0; k < Length; ++k)
      if (Fold[at[k]] != w[k]) return false;
    return true;
  }
  for (const TChar& c : Chars) {
    bool any = false;
    for (const std::string& form : c.Forms) {
      if (std::memcmp(at + c.Offset, form.data(), c.Length) == 0) {
        any = true;
        break;
      }
    }
    if (!any) return false;
  }
  return true;
}

// ---- TWordScan ---------------------------------------------------------------

namespace {

struct TFilter {
  TScanProbe First, Second;
  std::size_t Distance = 0;
  std::vector<TScanAttached> Forms;
};

// A form's filter: its rarest byte and the rarest other one (one of another
// set, if there is), at their distance; none when some byte of the form can't
// stand in any content. UTF-16 forms probe the low bytes where they can, so
// that LE and BE share a filter: LE's low bytes are at even offsets, BE's at odd ones.
std::optional<TFilter> FilterFor(const TWordForm& form, std::size_t index) {
  const bool wide = (form.Encodings & (kEncUtf16Le | kEncUtf16Be)) != 0;
  const std::size_t parity = form.Encodings == kEncUtf16Be ? 1 : 0;
  struct TChoice {
    std::size_t Offset = 0;
    TScanProbe Probe;
    int Cost = 0;
    std::vector<std::uint8_t> Bytes;
  };
  std::vector<TChoice> choices;
  for (std::size_t k = 0; k < form.Length; ++k) {
    std::vector<std::uint8_t> bytes = form.BytesAt(k);
    if (bytes.empty()) return std::nullopt;
    std::sort(bytes.begin(), bytes.end());
    TChoice c{k, ProbeFor(bytes), 0, bytes};
    c.Cost = ProbeCost(c.Probe, wide);
    choices.push_back(std::move(c));
  }
  if (choices.empty()) return std::nullopt;
  if (wide && std::any_of(choices.begin(), choices.end(), [&](const TChoice& c) { return c.Offset % 2 == parity; }))
    std::erase_if(choices, [&](const TChoice& c) { return c.Offset % 2 != parity; });
  const auto first = std::min_element(choices.begin(), choices.end(),
                                      [](const TChoice& a, const TChoice& b) { return a.Cost < b.Cost; });
  const TChoice* second = nullptr;
  for (const TChoice& c : choices)
    if (&c != &*first && c.Bytes != first->Bytes && (!second || c.Cost < second->Cost)) second = &c;
  for (const TChoice& c : choices)
    if (!second && &c != &*first) second = &c;
  if (!second) second = &*first;
  const TChoice* a = first->Offset <= second->Offset ? &*first : second;
  const TChoice* b = a == &*first ? second : &*first;
  return TFilter{a->Probe, b->Probe, b->Offset - a->Offset, {{index, a->Offset}}};
}

// A UTF-16 filter's guard: the bytes that may stand beside its anchor as the
// high byte of the anchor's unit; none unless every form it stands for is UTF-16
// anchored on a low byte.
std::optional<TScanProbe> GuardFor(const TFilter& filter, const std::vector<TWordForm>& forms) {
  std::vector<std::uint8_t> high;
  for (const TScanAttached& at : filter.Forms) {
    const TWordForm& form = forms[at.Form];
    std::size_t k = 0;
    if (form.Encodings == kEncUtf16Le && at.Shift % 2 == 0 && at.Shift + 1 < form.Length)
      k = at.Shift + 1;
    else if (form.Encodings == kEncUtf16Be && at.Shift % 2 == 1)
      k = at.Shift - 1;
    else
      return std::nullopt;
    for (std::uint8_t b : form.BytesAt(k))
      if (std::find(high.begin(), high.end(), b) == high.end()) high.push_back(b);
  }
  if (high.empty()) return std::nullopt;
  std::sort(high.begin(), high.end());
  return ProbeFor(high);
}

}  // namespace

void TWordScan::Prepare(std::vector<TWordForm> forms, bool widest) {
  Forms_ = std::move(forms);
  Lead_ = nullptr;
  for (const TWordForm& form : Forms_)
    if (form.Lead) Lead_ = form.Lead.get();
  Plan_ = {};
  for (auto& a : Attached_) a.clear();
  Longest_ = Shortest_ = MinShift_ = MaxShift_ = MaxDistance_ = 0;
  NeverMatches_ = true;

  // One filter per form; forms whose filters agree share one.
  std::vector<TFilter> filters;
  for (std::size_t f = 0; f < Forms_.size(); ++f) {
    if (Forms_[f].Length == 0) continue;
    std::optional<TFilter> filter = FilterFor(Forms_[f], f);
    if (!filter) continue;
    auto same = std::find_if(filters.begin(), filters.end(), [&](const TFilter& x) {
      return x.First == filter->First && x.Second == filter->Second && x.Distance == filter->Distance;
    });
    if (same != filters.end())
      same->Forms.push_back(filter->Forms[0]);
    else
      filters.push_back(std::move(*filter));
  }
  if (filters.empty()) return;  // no form can lie in any content
  // Four encodings give at most four filters (LE and BE share one).
  if (filters.size() > static_cast<std::size_t>(kMaxFilters)) throw std::logic_error("too many forms of a word");
  // Filters whose first probe is filter 0's come first, so their compare is shared.
  const TScanProbe lead = filters.front().First;
  std::stable_partition(filters.begin(), filters.end(), [&](const TFilter& x) { return x.First == lead; });

  Plan_.Filters = static_cast<int>(filters.size());
  Plan_.SharedFirst = true;
  Plan_.OnePair = true;
  bool firstShift = true;
  for (std::size_t i = 0; i < filters.size(); ++i) {
    Plan_.First[i] = filters[i].First;
    Plan_.Second[i] = filters[i].Second;
    Plan_.Distance[i] = filters[i].Distance;
    Plan_.SharedFirst = Plan_.SharedFirst && filters[i].First == filters[0].First;
    for (const TScanProbe* p : {&filters[i].First, &filters[i].Second})
      Plan_.OnePair = Plan_.OnePair && p->Mask[0] == p->Mask[1] && p->Value[0] == p->Value[1];
    if (const std::optional<TScanProbe> guard = GuardFor(filters[i], Forms_)) {
      Plan_.Guarded[i] = true;
      Plan_.Guard[i] = *guard;
    }
    MaxDistance_ = std::max(MaxDistance_, filters[i].Distance);
    Attached_[i] = filters[i].Forms;
    for (const TScanAttached& at : filters[i].Forms) {
      MinShift_ = firstShift ? at.Shift : std::min(MinShift_, at.Shift);
      MaxShift_ = std::max(MaxShift_, at.Shift);
      firstShift = false;
      const std::size_t m = Forms_[at.Form].Length;
      Longest_ = std::max(Longest_, m);
      Shortest_ = Shortest_ == 0 ? m : std::min(Shortest_, m);
    }
  }
  NeverMatches_ = false;
  Loop_ = ChooseScanLoop(Plan_, widest);
}

bool TWordScan::Accept(const TWordForm& form, const TScanSpan& span, std::int64_t start, bool wholeWords,
                       TLeadRun& run) const {
  if (!form.Matches(span.P + (start - span.Lo))) return false;
  if (form.Lead) return AcceptChars(form, *form.Lead, span, start, wholeWords, run);
  if (!wholeWords) return true;
  const std::int64_t end = start + static_cast<std::int64_t>(form.Length);
  for (std::uint8_t bit : {kEncAnsi, kEncUtf8, kEncUtf16Le, kEncUtf16Be})
    if ((form.Encodings & bit) && Bounded(bit, span, start, end)) return true;
  return false;
}

std::int64_t TWordScan::SpanStart(const TScanSpan& current, std::int64_t lo) const {
  if (!Lead_ || lo <= current.Lo || lo >= current.Hi) return lo;
  // Four bytes more: the UTF-8 before an occurrence is read back to its fifth byte.
  std::int64_t at = std::max(current.Lo, lo - 4);
  TLeadRun run;
  if (!StartsChar(*Lead_, current, at, run)) --at;
  return at;
}

void TWordScan::CheckBlock(const TCandidates& c, const TScanSpan& span, std::int64_t from, std::int64_t to,
                           bool wholeWords, TScanHit& best, TLeadRun& run) const {
  std::uint32_t any = 0;
  for (int f = 0; f < Plan_.Filters; ++f) any |= c.Masks[f];
  while (any) {
    const int bit = std::countr_zero(any);
    any &= any - 1;
    const std::int64_t anchor = span.Lo + static_cast<std::int64_t>(c.Block) + bit;
    for (int f = 0; f < Plan_.Filters; ++f) {
      if (!(c.Masks[f] >> bit & 1)) continue;
      for (const TScanAttached& at : Attached_[f]) {
        const TWordForm& form = Forms_[at.Form];
        const std::int64_t start = anchor - static_cast<std::int64_t>(at.Shift);
        if (start < from || start > to) continue;
        if (best.Start >= 0 && (start > best.Start || (start == best.Start && at.Form > best.Form))) continue;
        if (start + static_cast<std::int64_t>(form.Length) > span.Hi) continue;
        if (Accept(form, span, start, wholeWords, run)) best = {start, form.Length, at.Form};
      }
    }
  }
}

TScanHit TWordScan::Find(const TScanSpan& span, std::int64_t from, std::int64_t to, bool wholeWords,
                         TLeadRun* shared) const {
  TScanHit best;
  if (NeverMatches_ || from > to) return best;
  TLeadRun own;
  TLeadRun& run = shared ? *shared : own;
  const auto minShift = static_cast<std::int64_t>(MinShift_), maxShift = static_cast<std::int64_t>(MaxShift_);
  const std::int64_t lastAnchor = std::min(to + maxShift, span.Hi - 1);
  // Anchors whose every filter can read its second probe: the loops' part.
  const std::int64_t lastLoop = std::min(lastAnchor, span.Hi - 1 - static_cast<std::int64_t>(MaxDistance_));
  std::int64_t q = std::max(from + minShift, span.Lo);
  TCandidates c;
  while (q <= lastLoop) {
    if (!Loop_(Plan_, span.P, static_cast<std::size_t>(span.Hi - span.Lo), static_cast<std::size_t>(q - span.Lo),
               static_cast<std::size_t>(lastLoop - span.Lo), c))
      break;
    CheckBlock(c, span, from, to, wholeWords, best, run);
    q = std::min(span.Lo + static_cast<std::int64_t>(c.Block + c.Width), lastLoop + 1);
    // Every later anchor gives a start after the best one.
    if (best.Start >= 0 && q - maxShift > best.Start) return best;
  }
  // The last anchors, where only filters with a shorter reach can read their second probe.
  for (q = std::max(q, lastLoop + 1); q <= lastAnchor; ++q) {
    c = {};
    c.Block = static_cast<std::size_t>(q - span.Lo);
    c.Width = 1;
    bool any = false;
    for (int f = 0; f < Plan_.Filters; ++f) {
      const std::int64_t at2 = q + static_cast<std::int64_t>(Plan_.Distance[f]);
      if (at2 < span.Hi && Plan_.First[f].Has(span.At(q)) && Plan_.Second[f].Has(span.At(at2))) {
        c.Masks[f] = 1;
        any = true;
      }
    }
    if (any) CheckBlock(c, span, from, to, wholeWords, best, run);
    if (best.Start >= 0 && q + 1 - maxShift > best.Start) break;
  }
  return best;
}

TScanLoop ChooseScanLoop(const TLoopPlan& plan, bool widest) {
#ifdef SORVIK_AVX2
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (widest && avx2) return Avx2ScanLoop(plan);
#else
  (void)widest;
#endif
#ifdef SORVIK_SSE2
  return VectorLoop<TSse2>(plan);
#else
  (void)plan;
  return &ScalarScan;
#endif
}

}  // namespace sorvik
