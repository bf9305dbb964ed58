#include "HitLines.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <map>
#include <limits>
#include <optional>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "Ascii.h"
#include "Locale.h"
#include "PackageSearch.h"
#include "StreamFind.h"
#include "UnicodeText.h"
#include "ViewBytes.h"
#include "uFinder.h"

namespace sorvik {

namespace {

// As in the stream finder: bytes kept before the next start (whole words, and
// where the characters of a double-byte code page start), and after the last.
constexpr std::int64_t kBefore = 8;
constexpr std::int64_t kAfter = 4;

// A line's kind: the byte encodings (ANSI and UTF-8 share their line ends), or
// UTF-16 LE or BE at even or odd offsets.
constexpr int kKinds = 5;
int KindOf(const TWordForm& form, std::int64_t start) {
  const int odd = static_cast<int>(start & 1);
  if (form.Encodings & kEncUtf16Le) return 1 + odd;
  if (form.Encodings & kEncUtf16Be) return 3 + odd;
  return 0;
}

#if defined(__SSE2__)
// The sum of a vector's sixteen byte lanes.
std::int64_t LaneSum(__m128i v) {
  const __m128i sums = _mm_sad_epu8(v, _mm_setzero_si128());
  return _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums));
}
#endif

bool IsLineEnd(std::uint32_t c) { return c == '\n' || c == '\r'; }

// One unit of text: LF ends a line unless a CR just did.
void CountEnd(std::int64_t& ends, bool& afterCr, std::uint32_t unit) {
  if (unit == '\n') {
    if (!afterCr) ++ends;
    afterCr = false;
  } else {
    afterCr = unit == '\r';
    if (afterCr) ++ends;
  }
}

// The line ends of a stream so far, in the byte encodings and in UTF-16 of
// either byte order at either alignment, counted as the stream goes by.
class TLineCount {
 public:
  std::int64_t Pos() const { return Pos_; }
  std::int64_t Ends(int kind) const { return kind == 0 ? Bytes_ : Units_[kind - 1]; }

  // The stream's next n bytes.
  void Advance(const std::uint8_t* p, std::size_t n) {
    if (n == 0) return;
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: LFs, CRs and CR LF pairs summed in byte lanes
    // (emptied before any lane can pass 255).
    if (n > 64) {
      const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r'), zero = _mm_setzero_si128();
      std::int64_t ends = (ByteCr_ && p[0] == '\n') ? -1 : 0;
      bool passed = false;  // blocks went by without their units since Prev_ was set
      while (i + 65 <= n) {
        __m128i lfs = zero, crs = zero, pairs = zero;
        // 63 rounds of four blocks: no byte lane passes 255.
        for (int round = 0; round < 63 && i + 65 <= n; ++round, i += 64) {
          __m128i nul = zero, anyCr = zero;
          for (int k = 0; k < 4; ++k) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16 * k));
            lfs = _mm_sub_epi8(lfs, _mm_cmpeq_epi8(v, lf));
            anyCr = _mm_or_si128(anyCr, _mm_cmpeq_epi8(v, cr));
            nul = _mm_or_si128(nul, _mm_cmpeq_epi8(v, zero));
          }
          // CRs (and their pairs with an LF) only where there are any.
          if (_mm_movemask_epi8(anyCr) != 0) {
            for (int k = 0; k < 4; ++k) {
              const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16 * k));
              const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16 * k + 1));
              const __m128i isCr = _mm_cmpeq_epi8(v, cr);
              crs = _mm_sub_epi8(crs, isCr);
              pairs = _mm_sub_epi8(pairs, _mm_and_si128(isCr, _mm_cmpeq_epi8(next, lf)));
            }
          }
          // A UTF-16 line end holds a NUL byte: the units are looked at only
          // in blocks that hold one, or follow one.
          if (_mm_movemask_epi8(nul) != 0 || (i > 0 ? p[i - 1] : Prev_) == 0) {
            if (passed) Pass(p[i - 1]), passed = false;
            for (std::size_t k = 0; k < 64; ++k) Unit(Pos_ + static_cast<std::int64_t>(i + k), p[i + k]);
          } else {
            passed = true;
          }
        }
        ends += LaneSum(lfs) + LaneSum(crs) - LaneSum(pairs);
      }
      if (passed) Pass(p[i - 1]);
      Bytes_ += ends;
      // A pair of a CR at i - 1 and an LF at i is counted already: the LF counts
      // as one more, as if no CR came before it.
      ByteCr_ = false;
    }
#endif
    for (; i < n; ++i) {
      CountEnd(Bytes_, ByteCr_, p[i]);
      Unit(Pos_ + static_cast<std::int64_t>(i), p[i]);
    }
    Pos_ += static_cast<std::int64_t>(n);
  }

 private:
  // Blocks without NUL bytes went by, up to `last`: they hold no UTF-16 line
  // end, and end any CR unit's wait for an LF.
  void Pass(std::uint8_t last) {
    UnitCr_.fill(false);
    Prev_ = last;
  }

  // The byte at `at` completes a unit of each byte order at the other alignment.
  void Unit(std::int64_t at, std::uint8_t b) {
    if (Prev_ >= 0) {
      const int odd = static_cast<int>((at - 1) & 1);
      const auto prev = static_cast<std::uint32_t>(Prev_);
      CountEnd(Units_[odd], UnitCr_[odd], prev | (std::uint32_t{b} << 8));
      CountEnd(Units_[2 + odd], UnitCr_[2 + odd], (prev << 8) | b);
    }
    Prev_ = b;
  }

  std::int64_t Pos_ = 0;
  std::int64_t Bytes_ = 0;
  bool ByteCr_ = false;
  std::array<std::int64_t, 4> Units_{};  // LE even, LE odd, BE even, BE odd
  std::array<bool, 4> UnitCr_{};
  int Prev_ = -1;  // the byte before Pos_; -1 at the stream's start
};

// A character of a line and where its bytes start in the stream.
struct TLineChar {
  char32_t C = 0;
  std::int64_t At = 0;
};

bool Printable(char32_t c) {
  return c == '\t' || (c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0) && c != 0xFFFD && c != 0xFFFE &&
                       c != 0xFFFF);
}

// What a character shows as: tabs and control characters as blanks.
char32_t Shown(char32_t c) { return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) ? U' ' : c; }

// Decodes one UTF-8 character of p[0, n): its length, or 0 when the bytes there
// are not one (cut short, overlong, a surrogate, beyond U+10FFFF).
std::size_t Utf8Char(const std::uint8_t* p, std::size_t n, char32_t& c) {
  const std::uint8_t b = p[0];
  if (b < 0x80) {
    c = b;
    return 1;
  }
  std::size_t len = 0;
  char32_t least = 0;
  if (b >= 0xC2 && b <= 0xDF) {
    len = 2, c = b & 0x1F, least = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3, c = b & 0x0F, least = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4, c = b & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (n < len) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    if ((p[k] & 0xC0) != 0x80) return 0;
    c = (c << 6) | (p[k] & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return len;
}

// The line being gathered: its text so far and where its characters came from.
struct TOpenLine {
  THitLine Line;
  std::vector<std::int64_t> At;       // stream offset of each shown character
  std::vector<std::uint32_t> TextAt;  // where its UTF-8 starts in Line.Text
  std::int64_t End = 0;               // stream offset after the last shown character
};

// The hit lines of a file's streams: fed as IStreamSearch, it judges the
// starts a window holds whole, as the stream finder does, and gives each line
// that holds a hit once it can hold no more of them.
class THitScan : public IStreamSearch {
 public:
  // `judge`: the starts judged at once.
  THitScan(const TWordSet& set, const THitLineLimits& limits, const THitLineSink& sink, std::size_t judge)
      : Set_(set), Limits_(limits), Sink_(sink), Judge_(std::max<std::size_t>(judge, 1)),
        Reach_(static_cast<std::int64_t>(4 * limits.Context + 8)) {}

  std::size_t Lines() const { return Lines_; }
  bool Limited() const { return Limited_; }
  bool Stopped() const { return Stopped_; }

  void BeginFile() override {
    Lines_ = 0;
    TextKept_ = 0;
    Limited_ = Stopped_ = Unreadable_ = false;
  }

  void BeginStream(bool text, const std::string& name) override {
    Text_ = text;
    Entry_ = name;
    Shortest_ = static_cast<std::int64_t>(text ? Set_.ShortestText() : Set_.ShortestForm());
    Longest_ = static_cast<std::int64_t>(text ? Set_.LongestText() : Set_.LongestForm());
    Window_.Clear();
    Head_.clear();
    Base_ = nullptr;
    Lo_ = From_ = 0;
    Run_ = {};
    Count_ = {};
    Open_.reset();
    Last_.fill(0);
    LastRun_.fill(false);
    Places_.clear();
  }

  // A sheet's cells: each line of its text is one cell's, named by it.
  bool WantsPlaces() const override { return true; }
  void Place(std::string_view name, std::int64_t offset) override {
    if (!Places_.empty() && Places_.back().Offset >= offset) Places_.pop_back();  // a cell with no text
    Places_.push_back({offset, std::string(name)});
  }

  // Gives a line found elsewhere (a shared string's, under a cell that shows
  // it) after the lines taken so far.
  void Give(const THitLine& line) {
    Close();
    if (Done()) return;
    if (Lines_ >= Limits_.MaxLines) {
      Limited_ = true;
      return;
    }
    ++Lines_;
    TextKept_ += line.Text.size();
    if (!Sink_(line)) Stopped_ = true;
  }

  bool Feed(const std::uint8_t* data, std::size_t n) override {
    if (Done() || Shortest_ == 0) return !Done();
    KeepHead(data, n);
    const std::size_t full = Judge_ + static_cast<std::size_t>(Longest_ + kBefore + kAfter + 2 * Reach_);
    return Window_.Feed(data, n, full, [this](bool full) {
      // Bytes of a view whose pages could not be read are never judged.
      if (Source_ && Source_->Faulted()) {
        Unreadable_ = true;
        return false;
      }
      if (full) Judge(false);
      return !Done();
    });
  }

  // The whole stream at once, in memory that stays for the call (a view of a
  // whole file): judged where it is, a part at a time, with no window.
  void FeedAll(const std::uint8_t* data, std::size_t n) {
    if (Done() || Shortest_ == 0) return;
    KeepHead(data, n);
    Base_ = data;
    Lo_ = 0;
    const auto hi = static_cast<std::int64_t>(n);
    const TScanSpan span{data, 0, hi, hi};
    while (From_ <= hi - Shortest_ && !Done()) {
      JudgeSpan(span, std::min(hi - Shortest_, From_ + static_cast<std::int64_t>(Judge_) - 1), true);
      if (Open_ && From_ >= Open_->End) Close();
      if (From_ <= hi - Shortest_ && Interrupted_ && Interrupted_()) Stopped_ = true;
    }
    if (Source_ && Source_->Faulted()) Unreadable_ = true;
    if (!Done()) Close();
    From_ = hi + 1;  // nothing is left to judge at the stream's end
  }
  void SetInterrupt(const std::function<bool()>& interrupted) { Interrupted_ = interrupted; }

  // The views the stream's bytes come from, when they are a file's own.
  void ReadFrom(const IContentsReader* source) { Source_ = source; }
  bool Unreadable() const { return Unreadable_; }
  void SetUnreadable() { Unreadable_ = true; }

  bool EndStream() override {
    if (!Done() && Shortest_ > 0) Judge(true);
    if (!Done()) Close();
    Window_.Clear();
    return !Done();
  }

  bool Done() const override { return Limited_ || Stopped_ || Unreadable_; }
  bool Found() const override { return Lines_ > 0; }

 private:
  struct THit {
    std::int64_t Start = 0, End = 0;
    const TWordForm* Form = nullptr;
  };

  // The stream's first bytes: a byte-order mark, or how its text starts. No
  // more than every window holds when a hit is judged, so that the stream is
  // judged alike however it is cut.
  void KeepHead(const std::uint8_t* data, std::size_t n) {
    const auto head = static_cast<std::size_t>(std::min<std::int64_t>(64, Reach_));
    for (std::size_t i = 0; i < n && Head_.size() < head; ++i) Head_.push_back(data[i]);
  }

  const TWordScan& ScanOf(std::size_t w) const { return Text_ ? Set_.TextScan(w) : Set_.Scan(w); }

  void Judge(bool last) {
    Base_ = Window_.Data();
    Lo_ = Window_.Lo();
    const TScanSpan span = Window_.Span(last);
    const std::int64_t hi = span.Hi;
    // A hit's line is taken when the bytes its text may show are in the window.
    JudgeSpan(span, last ? hi - Shortest_ : hi - Longest_ - kAfter - Reach_, last);
    if (Done()) return;
    // No later hit can stand in the open line's text: it is given now, so that
    // a long file shows its first lines at once.
    if (Open_ && From_ >= Open_->End) Close();
    if (last || Done()) return;
    // Keeps the bytes the next starts need before them (their lines' text
    // too), from where a character starts; the line ends before them are counted first.
    const std::int64_t keep = Window_.NeededFrom(From_, kBefore + Reach_, span, Set_.Words().size(),
                                                 [this](std::size_t w) -> const TWordScan& { return ScanOf(w); });
    CountTo(keep);
    Window_.DropBefore(keep);
    Lo_ = keep;
    Base_ = Window_.Data();
  }

  // Takes the lines of the hits that start in [From_, to]. `last`: the span
  // ends where the stream does.
  void JudgeSpan(const TScanSpan& span, std::int64_t to, bool last) {
    if (to < From_) return;
    const bool whole = Set_.Query().WholeWords;
    Hits_.clear();
    for (std::size_t w = 0; w < Set_.Words().size(); ++w) {
      if (Set_.Words()[w].empty()) continue;
      const TWordScan& scan = ScanOf(w);
      for (TScanHit h = scan.Find(span, From_, to, whole, &Run_); h.Start >= 0;
           h = scan.Find(span, h.Start + 1, to, whole, &Run_)) {
        const TWordForm& form = scan.Forms()[h.Form];
        if (!IsGhost(span, scan, form, h.Start, whole))
          Hits_.push_back({h.Start, h.Start + static_cast<std::int64_t>(h.Length), &form});
      }
    }
    std::stable_sort(Hits_.begin(), Hits_.end(), [](const THit& a, const THit& b) { return a.Start < b.Start; });
    if (!Hits_.empty() && Source_) {
      // The bytes the lines' texts may show are read now, so that a view
      // whose pages can't be read is known before any of them is given.
      const std::int64_t reach = std::min(span.Hi, Hits_.back().End + Reach_) - 1;
      [[maybe_unused]] volatile std::uint8_t touch = span.At(reach);
      if (Source_->Faulted()) {
        Unreadable_ = true;
        return;
      }
    }
    for (const THit& hit : Hits_) {
      Take(span, hit, last);
      if (Done()) return;
    }
    From_ = to + 1;
  }

  // UTF-16 text of one byte order reads, one byte along, as text of the other
  // wherever its characters' high bytes are 0, so that an occurrence may be met
  // again in the other reading. Of two such readings, both accepted, the text
  // is the one a byte-order mark at the stream's start says: that byte order,
  // aligned with the mark (a character beyond Latin-1 may read, one byte
  // along, as a line end of the other order). Without a mark, or where neither
  // reading is so aligned, it is the one whose units show more line ends
  // around them (the other misses every LF that follows a character beyond
  // Latin-1). Both readings judge alike, so exactly one is kept.
  bool IsGhost(const TScanSpan& span, const TWordScan& scan, const TWordForm& form, std::int64_t start,
                      bool whole) {
    const bool big = (form.Encodings & kEncUtf16Be) != 0;
    if (!big && !(form.Encodings & kEncUtf16Le)) return false;
    const std::int64_t twin = big ? start + 1 : start - 1;
    if (twin < 0 || twin + static_cast<std::int64_t>(form.Length) > span.Hi) return false;
    const TScanHit other = scan.Find(span, twin, twin, whole, nullptr);
    if (other.Start != twin || other.Length != form.Length ||
        !(scan.Forms()[other.Form].Encodings & (big ? kEncUtf16Le : kEncUtf16Be)))
      return false;
    // Around the pair as far as a line's text reaches: bytes every window
    // holds, so that the readings judge alike however the stream is cut.
    const int mark = MarkOrder();
    if (mark != 0) {
      const bool headBig = mark == 2;
      const bool mineAligned = big == headBig && (start & 1) == 0;
      const bool theirsAligned = big != headBig && (twin & 1) == 0;
      if (mineAligned != theirsAligned) return theirsAligned;
    }
    const std::int64_t at = std::min(start, twin);
    const std::int64_t lo = std::max(span.Lo, at - Reach_), hi = std::min(span.Hi, at + Reach_);
    const auto lineEnds = [&](bool bigEndian, std::int64_t alignedTo) {
      int ends = 0;
      for (std::int64_t o = lo + ((lo ^ alignedTo) & 1); o + 1 < hi; o += 2) {
        const std::uint32_t unit = bigEndian ? (std::uint32_t{span.At(o)} << 8) | span.At(o + 1)
                                             : span.At(o) | (std::uint32_t{span.At(o + 1)} << 8);
        ends += IsLineEnd(unit) ? 1 : 0;
      }
      return ends;
    };
    const int mine = lineEnds(big, start), theirs = lineEnds(!big, twin);
    if (mine != theirs) return mine < theirs;
    // Of equals: the reading at an even offset in the byte order the stream
    // starts in, when it starts as UTF-16 text; else little-endian.
    const int order = HeadOrder();
    const bool keepBig = order == 2 && ((big ? start : twin) & 1) == 0;
    return big != keepBig;
  }

  // The byte order a UTF-16 byte-order mark at the stream's start gives: 1
  // little-endian, 2 big-endian, 0 none.
  int MarkOrder() const {
    if (Head_.size() >= 2 && Head_[0] == 0xFF && Head_[1] == 0xFE) return 1;
    if (Head_.size() >= 2 && Head_[0] == 0xFE && Head_[1] == 0xFF) return 2;
    return 0;
  }

  // The byte order the stream starts in as UTF-16 text, by its byte-order
  // mark or the NUL bytes of its first characters (those of Latin-1 text):
  // 1 little-endian, 2 big-endian, 0 neither.
  int HeadOrder() const {
    if (const int mark = MarkOrder(); mark != 0) return mark;
    std::array<int, 2> nuls{};
    for (std::size_t i = 0; i < Head_.size(); ++i) nuls[i & 1] += Head_[i] == 0 ? 1 : 0;
    constexpr int kEnough = 8;
    if (nuls[1] >= kEnough && nuls[0] == 0) return 1;
    if (nuls[0] >= kEnough && nuls[1] == 0) return 2;
    return 0;
  }

  void CountTo(std::int64_t at) {
    if (at > Count_.Pos())
      Count_.Advance(Base_ + (Count_.Pos() - Lo_), static_cast<std::size_t>(at - Count_.Pos()));
  }

  void Take(const TScanSpan& span, const THit& hit, bool last) {
    const int kind = KindOf(*hit.Form, hit.Start);
    CountTo(hit.Start);
    const std::int64_t number = Count_.Ends(kind) + 1;
    // A line already taken: a mark more, where its text shows the hit. In
    // binary bytes, a hit past the printable run taken is a line of its own.
    if (Last_[kind] == number && !(LastRun_[kind] && hit.Start >= LastEnd_[kind])) {
      if (Open_ && OpenKind_ == kind) AddMark(*Open_, hit.Start, hit.End);
      return;
    }
    Close();
    if (Done()) return;
    if (Lines_ >= Limits_.MaxLines) {
      Limited_ = true;
      return;
    }
    Last_[kind] = number;
    OpenKind_ = kind;
    Open_.emplace();
    Open_->Line.Entry = Entry_;
    Open_->Line.Number = number;
    NameByPlace(hit.Start, Open_->Line);
    LastRun_[kind] = MakeText(span, hit, kind, last, *Open_);
    LastEnd_[kind] = Open_->End;
  }

  // A line of a sheet's cell goes by the sheet and the cell ("Budget!B2"),
  // numbered by the cell's row.
  void NameByPlace(std::int64_t at, THitLine& line) {
    // The places before the line's are of lines taken already.
    while (Places_.size() > 1 && Places_[1].Offset <= at) Places_.pop_front();
    if (Places_.empty() || Places_.front().Offset > at) return;
    const std::string& cell = Places_.front().Name;
    line.Entry = Entry_ + "!" + cell;
    const std::size_t digits = cell.find_first_of("0123456789");
    if (digits != std::string::npos && cell.size() - digits <= 9 &&
        cell.find_first_not_of("0123456789", digits) == std::string::npos)
      line.Number = std::stoll(cell.substr(digits));
  }

  // Gives the open line to the sink.
  void Close() {
    if (!Open_ || Stopped_) return;
    ++Lines_;
    TextKept_ += Open_->Line.Text.size();
    if (!Sink_(Open_->Line)) Stopped_ = true;
    Open_.reset();
  }

  static void AddMark(TOpenLine& open, std::int64_t start, std::int64_t end) {
    if (open.At.empty() || start < open.At.front() || end > open.End) return;
    // From the character the hit starts in (a hit in another reading may start
    // inside one) to the first that starts at or after its end.
    const auto first = std::upper_bound(open.At.begin(), open.At.end(), start) - 1;
    const auto past = std::lower_bound(open.At.begin(), open.At.end(), end);
    const auto begin = open.TextAt[static_cast<std::size_t>(first - open.At.begin())];
    const auto stop = past == open.At.end() ? static_cast<std::uint32_t>(open.Line.Text.size())
                                            : open.TextAt[static_cast<std::size_t>(past - open.At.begin())];
    if (begin >= stop) return;
    std::vector<THitMark>& marks = open.Line.Marks;
    if (!marks.empty() && begin <= marks.back().End)
      marks.back().End = std::max(marks.back().End, stop);
    else
      marks.push_back({begin, stop});
  }

  // The characters of the hit's line within reach of it, decoded in the hit's
  // encoding; whether the line goes on beyond them.
  void Decode(const TScanSpan& span, const THit& hit, int kind, bool last, std::vector<TLineChar>& chars,
              bool& moreBefore, bool& moreAfter) {
    chars.clear();
    const std::int64_t hi = span.Hi;
    if (kind != 0) {
      // UTF-16: units at the hit's alignment.
      const bool big = kind >= 3;
      auto unit = [&](std::int64_t at) -> std::uint32_t {
        const std::uint32_t a = span.At(at), b = span.At(at + 1);
        return big ? (a << 8) | b : a | (b << 8);
      };
      std::int64_t start = hit.Start;
      while (start - 2 >= Lo_ && start - 2 >= hit.Start - Reach_ && !IsLineEnd(unit(start - 2))) start -= 2;
      moreBefore = start - 2 >= 0 && (start - 2 < Lo_ || !IsLineEnd(unit(start - 2)));
      std::int64_t end = hit.End;
      while (end + 2 <= hi && end < hit.End + Reach_ && !IsLineEnd(unit(end))) end += 2;
      moreAfter = end + 2 <= hi ? !IsLineEnd(unit(end)) : !last;
      for (std::int64_t at = start; at < end; at += 2) {
        char32_t c = unit(at);
        if (c >= 0xD800 && c <= 0xDBFF && at + 2 < end) {
          const std::uint32_t low = unit(at + 2);
          if (low >= 0xDC00 && low <= 0xDFFF) {
            chars.push_back({0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00), at});
            at += 2;
            continue;
          }
        }
        if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
        if (c != 0xFEFF || at != 0) chars.push_back({c, at});  // a byte-order mark is no text
      }
      return;
    }
    std::int64_t start = hit.Start;
    while (start > Lo_ && start > hit.Start - Reach_ && !IsLineEnd(span.At(start - 1))) --start;
    moreBefore = start > 0 && (start <= Lo_ || !IsLineEnd(span.At(start - 1)));
    std::int64_t end = hit.End;
    while (end < hi && end < hit.End + Reach_ && !IsLineEnd(span.At(end))) ++end;
    moreAfter = end < hi ? !IsLineEnd(span.At(end)) : !last;
    const std::uint8_t* p = span.P + (start - span.Lo);
    const auto n = static_cast<std::size_t>(end - start);
    const TWordForm& form = *hit.Form;
    // UTF-8 where the hit is, or an ASCII word's line that reads as UTF-8 (a
    // character cut at either end of the reach left aside).
    bool utf8 = (form.Encodings & kEncUtf8) != 0;
    if (utf8 && (form.Encodings & kEncAnsi)) {
      std::size_t i = 0;
      while (i < n && i < 3 && (p[i] & 0xC0) == 0x80) ++i;
      for (char32_t c = 0; i < n;) {
        const std::size_t len = Utf8Char(p + i, n - i, c);
        if (len == 0) {
          // A character the reach cut; in binary bytes, the text around the hit is read as UTF-8 still.
          utf8 = (n - i < 4 && moreAfter) || std::memchr(p, 0, n) != nullptr;
          break;
        }
        i += len;
      }
    }
    if (utf8) {
      std::size_t i = 0;
      while (i < n && i < 3 && (p[i] & 0xC0) == 0x80) ++i;
      while (i < n) {
        char32_t c = 0;
        std::size_t len = Utf8Char(p + i, n - i, c);
        if (len == 0) {
          if (n - i < 4 && moreAfter) break;
          c = 0xFFFD, len = 1;
        }
        if (c != 0xFEFF || start + static_cast<std::int64_t>(i) != 0)  // a byte-order mark is no text
          chars.push_back({c, start + static_cast<std::int64_t>(i)});
        i += len;
      }
      return;
    }
    // ANSI: in a double-byte code page, from a character start (the window
    // starts at one, and so does every byte after a line end).
    std::size_t i = 0;
    if (form.Lead && start > Lo_ && !IsLineEnd(span.At(start - 1))) {
      std::int64_t at = Lo_;
      while (at < start) at += (*form.Lead)[span.At(at)] ? 2 : 1;
      i = static_cast<std::size_t>(at - start);
    }
    while (i < n) {
      const std::uint8_t b = p[i];
      if (form.Lead && (*form.Lead)[b] && i + 1 < n) {
        chars.push_back({AnsiPairChar(b, p[i + 1]), start + static_cast<std::int64_t>(i)});
        i += 2;
        continue;
      }
      chars.push_back({AnsiChar(b), start + static_cast<std::int64_t>(i)});
      ++i;
    }
  }

  char32_t AnsiChar(std::uint8_t b) {
    if (!AnsiTable_) {
      AnsiTable_.emplace();
      for (int k = 0; k < 256; ++k) (*AnsiTable_)[k] = AnsiByteChar(static_cast<std::uint8_t>(k));
    }
    return (*AnsiTable_)[b];
  }

  // The line's text around the hit; true when it is a printable run of binary bytes.
  bool MakeText(const TScanSpan& span, const THit& hit, int kind, bool last, TOpenLine& open) {
    bool moreBefore = false, moreAfter = false;
    Decode(span, hit, kind, last, Chars_, moreBefore, moreAfter);
    const auto at = [&](std::int64_t offset) {
      return static_cast<std::size_t>(
          std::lower_bound(Chars_.begin(), Chars_.end(), offset,
                           [](const TLineChar& c, std::int64_t o) { return c.At < o; }) -
          Chars_.begin());
    };
    const std::size_t n = Chars_.size(), h0 = at(hit.Start), h1 = at(hit.End);
    const std::size_t context =
        TextKept_ < Limits_.TextBudget ? Limits_.Context : std::min(Limits_.Context, THitLineLimits::kShortContext);
    std::size_t left = h0 > context ? h0 - context : 0;
    std::size_t right = std::min(n, h1 + context);
    const bool binary =
        std::any_of(Chars_.begin(), Chars_.end(), [](const TLineChar& c) { return c.C == 0; });
    if (binary) {
      // Only the printable run around the hit.
      left = h0;
      while (left > 0 && h0 - left < context && Printable(Chars_[left - 1].C)) --left;
      right = h1;
      while (right < n && right - h1 < context && Printable(Chars_[right].C)) ++right;
      moreBefore = left > 0 ? Printable(Chars_[left - 1].C) : moreBefore;
      moreAfter = right < n ? Printable(Chars_[right].C) : moreAfter;
    } else {
      moreBefore = moreBefore || left > 0;
      moreAfter = moreAfter || right < n;
    }
    THitLine& line = open.Line;
    line.MoreBefore = moreBefore;
    line.MoreAfter = moreAfter;
    for (std::size_t k = left; k < right; ++k) {
      open.At.push_back(Chars_[k].At);
      open.TextAt.push_back(static_cast<std::uint32_t>(line.Text.size()));
      AppendUtf8(line.Text, Shown(Chars_[k].C));
    }
    open.End = right < n ? Chars_[right].At : (n > 0 ? std::max(hit.End, Chars_.back().At + 1) : hit.End);
    AddMark(open, hit.Start, hit.End);
    return binary;
  }

  const TWordSet& Set_;
  const THitLineLimits& Limits_;
  const THitLineSink& Sink_;
  const std::size_t Judge_;
  const std::int64_t Reach_;  // bytes of a line's text kept on each side of a hit
  std::size_t Lines_ = 0;
  std::size_t TextKept_ = 0;  // bytes of text in the lines given
  bool Limited_ = false, Stopped_ = false, Unreadable_ = false;
  const IContentsReader* Source_ = nullptr;
  std::function<bool()> Interrupted_;
  // The stream.
  const std::uint8_t* Base_ = nullptr;  // the byte at Lo_, where the bytes judged are (set as they are)
  bool Text_ = false;
  std::string Entry_;
  std::int64_t Shortest_ = 0, Longest_ = 0;
  TStreamWindow Window_;
  std::vector<std::uint8_t> Head_;
  std::int64_t Lo_ = 0;  // where the bytes judged start: the window's, or 0 for a whole stream
  std::int64_t From_ = 0;
  TLeadRun Run_;
  TLineCount Count_;
  std::optional<TOpenLine> Open_;
  int OpenKind_ = 0;
  // Of each kind, the last line taken: its number, whether it is a run of
  // binary bytes, and where its text ends.
  std::array<std::int64_t, kKinds> Last_{};
  std::array<bool, kKinds> LastRun_{};
  std::array<std::int64_t, kKinds> LastEnd_{};
  std::vector<THit> Hits_;
  std::vector<TLineChar> Chars_;
  struct TPlace {
    std::int64_t Offset;
    std::string Name;
  };
  std::deque<TPlace> Places_;  // the cells from the last one before the lines not yet taken
  std::optional<std::array<char32_t, 256>> AnsiTable_;
};

// A workbook's shared-string table.
bool IsSharedStrings(std::string_view part) { return AsciiLowerCopy(part) == "xl/sharedstrings.xml"; }

}  // namespace

THitLineFinder::THitLineFinder(std::shared_ptr<const TWordSet> words, IFileSystem& fs)
    : Words_(std::move(words)), Fs_(fs) {}

THitLineFinder::~THitLineFinder() = default;

THitLinesEnd THitLineFinder::Run(const std::string& path, const THitLineSink& sink) {
  Lines_ = 0;
  Report_ = {};
  if (!Words_ || !Words_->HasText()) return THitLinesEnd::Done;
  const std::unique_ptr<IContentsReader> reader = Fs_.NewContentsReader();
  if (!reader->Open(path)) return THitLinesEnd::Unreadable;
  const std::uint64_t size = reader->Size();
  THitScan scan(*Words_, Limits_, sink, Piece_);
  scan.BeginFile();
  const auto interrupted = [this] { return Interrupted_ && Interrupted_(); };
  const auto end = [&](bool stopped) {
    Lines_ = scan.Lines();
    if (scan.Unreadable()) return THitLinesEnd::Unreadable;
    if (scan.Stopped() || stopped) return THitLinesEnd::Stopped;
    return scan.Limited() ? THitLinesEnd::Limit : THitLinesEnd::Done;
  };
  if (Inside_ && size > 0) {
    const TPackageKind kind = PackageKindOf(path);
    if (kind != TPackageKind::None) {
      const auto head = static_cast<std::size_t>(std::min<std::uint64_t>(size, kPackageHead));
      const std::uint8_t* p = reader->Map(0, head);
      if (p && StartsLikePackage(kind, p, head) && !reader->Faulted()) {
        TViewBytes bytes(*reader, size);
        TPackageOptions options;
        options.Limits.Interrupted = interrupted;
        options.Report = &Report_;
        // A workbook's shared strings are shown under the cells that show
        // them: their lines are found first, then given where a sheet's cell
        // holds one.
        std::map<std::int64_t, THitLine> shared;
        if (kind == TPackageKind::OfficeOpenXml) {
          // Each line of the table is one string's, numbered by its index.
          const THitLineSink keep = [&](const THitLine& line) {
            if (line.Entry.find('!') != std::string::npos) shared.emplace(line.Number, line);
            return true;
          };
          THitScan strings(*Words_, Limits_, keep, Piece_);
          strings.BeginFile();
          TPackageOptions first;
          first.Limits.Interrupted = interrupted;
          first.ReadsPart = [](std::string_view part) { return IsSharedStrings(part); };
          if (SearchPackage(bytes, kind, strings, first) == TPackageVerdict::Interrupted) return end(true);
          options.ReadsPart = [](std::string_view part) { return !IsSharedStrings(part); };
          options.SharedCell = [&](const std::string& sheet, std::string_view cell, std::uint64_t index) {
            const auto line = shared.find(static_cast<std::int64_t>(index));
            if (line == shared.end()) return;
            THitLine shown = line->second;
            shown.Entry = sheet + "!" + std::string(cell);
            const std::size_t digits = cell.find_first_of("0123456789");
            if (digits != std::string_view::npos && cell.size() - digits <= 9)
              shown.Number = std::stoll(std::string(cell.substr(digits)));
            scan.Give(shown);
          };
        }
        const TPackageVerdict verdict = SearchPackage(bytes, kind, scan, options);
        if (verdict != TPackageVerdict::NotPackage) return end(verdict == TPackageVerdict::Interrupted);
        scan.BeginFile();
      }
    }
  }
  // The file's own bytes: judged where a view of the whole file shows them, or
  // else a piece at a time. A view whose pages can't be read ends it.
  scan.BeginStream(false, {});
  scan.ReadFrom(reader.get());
  scan.SetInterrupt(interrupted);
  if (size <= kDefaultMaxView && reader->ViewSizeHint() == 0) {
    if (const std::uint8_t* whole = reader->Map(0, static_cast<std::size_t>(size))) {
      scan.FeedAll(whole, static_cast<std::size_t>(size));
      return end(false);
    }
  }
  for (std::uint64_t offset = 0; offset < size;) {
    const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(Piece_, size - offset));
    const std::uint8_t* p = reader->Map(offset, length);
    if (!p) scan.SetUnreadable();
    if (!p || !scan.Feed(p, length)) break;
    offset += length;
    if (interrupted()) return end(true);
  }
  if (!scan.Done()) scan.EndStream();
  return end(false);
}

THitLine CutHitLine(const THitLine& line, std::size_t columns) {
  // Where each character starts in the text.
  std::vector<std::uint32_t> starts;
  for (std::uint32_t i = 0; i < line.Text.size(); ++i)
    if ((static_cast<std::uint8_t>(line.Text[i]) & 0xC0) != 0x80) starts.push_back(i);
  const std::size_t n = starts.size();
  const std::size_t before = line.MoreBefore ? 1 : 0, after = line.MoreAfter ? 1 : 0;
  if (n + before + after <= columns) {
    THitLine whole = line;
    whole.Text.clear();
    if (line.MoreBefore) whole.Text = "\xE2\x80\xA6";
    for (THitMark& m : whole.Marks) m.Begin += static_cast<std::uint32_t>(whole.Text.size()),
                                     m.End += static_cast<std::uint32_t>(whole.Text.size());
    whole.Text += line.Text;
    if (line.MoreAfter) whole.Text += "\xE2\x80\xA6";
    return whole;
  }
  const auto charAt = [&](std::uint32_t byte) {
    return static_cast<std::size_t>(std::lower_bound(starts.begin(), starts.end(), byte) - starts.begin());
  };
  const std::size_t room = columns > 3 ? columns - 2 : 1;
  const std::size_t h0 = line.Marks.empty() ? 0 : charAt(line.Marks.front().Begin);
  std::size_t first = h0 - std::min(h0, room / 3);
  const std::size_t last = std::min(n, first + room);
  if (last - first < room) first = last > room ? last - room : 0;
  const std::uint32_t lo = first < n ? starts[first] : static_cast<std::uint32_t>(line.Text.size());
  const std::uint32_t hi = last < n ? starts[last] : static_cast<std::uint32_t>(line.Text.size());
  THitLine cut;
  cut.Entry = line.Entry;
  cut.Number = line.Number;
  cut.MoreBefore = first > 0 || line.MoreBefore;
  cut.MoreAfter = last < n || line.MoreAfter;
  if (cut.MoreBefore) cut.Text = "\xE2\x80\xA6";
  const auto shift = static_cast<std::uint32_t>(cut.Text.size());
  cut.Text.append(line.Text, lo, hi - lo);
  for (const THitMark& m : line.Marks) {
    const std::uint32_t b = std::max(m.Begin, lo), e = std::min(m.End, hi);
    if (b < e) cut.Marks.push_back({b - lo + shift, e - lo + shift});
  }
  if (cut.MoreAfter) cut.Text += "\xE2\x80\xA6";
  return cut;
}

}  // namespace sorvik
