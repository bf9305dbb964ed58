#include "uFinder.h"

#include <algorithm>
#include <cstring>

#include "Locale.h"
#include "PackageSearch.h"
#include "ViewBytes.h"

namespace sorvik {

namespace {

// Bytes on each side of an occurrence that tell whether it is a whole word (a
// UTF-8 byte-order mark before it, a UTF-16 unit after it).
constexpr std::size_t kBoundaryBytes = 4;

// Views of this size are used when a file can't be mapped whole.
constexpr std::size_t kWindowSize = 64u << 20;

// The starts of one chunk: every word is looked for in a chunk before the scan
// moves on, so the contents pass through memory and the cache once.
constexpr std::int64_t kChunk = 256 << 10;

}  // namespace

TBMHWordsFinder::TBMHWordsFinder(IFileSystem& fs)
    : Fs_(fs), Prepared_(std::make_shared<TWordSet>()), MaxView_(kDefaultMaxView) {
  UpperCaseTable();
}

TBMHWordsFinder::~TBMHWordsFinder() { DetachFile(); }

void TBMHWordsFinder::Use(std::shared_ptr<const TWordSet> words) {
  HitList_.reset();
  Prepared_ = words ? std::move(words) : std::make_shared<TWordSet>();
}

void TBMHWordsFinder::Remake(TWordQuery query) {
  Use(nullptr);  // nothing is searched for if the words are refused
  Use(std::make_shared<TWordSet>(std::move(query)));
}

void TBMHWordsFinder::SetIgnoreCase(bool value) {
  TWordQuery query = Query();
  query.IgnoreCase = value;
  Remake(std::move(query));
}

void TBMHWordsFinder::SetWholeWords(bool value) {
  TWordQuery query = Query();
  query.WholeWords = value;
  Remake(std::move(query));
}

void TBMHWordsFinder::SetWords(const std::string& text) {
  TWordQuery query = Query();
  query.Text = text;
  Remake(std::move(query));
}

void TBMHWordsFinder::SetMatchMode(std::uint8_t mode) {
  TWordQuery query = Query();
  query.Mode = mode == 2 ? TMatchMode::Exact : mode == 1 ? TMatchMode::All : TMatchMode::Any;
  Remake(std::move(query));
}

void TBMHWordsFinder::SetMaxViewSize(std::size_t bytes) { MaxView_ = bytes; }

void TBMHWordsFinder::AttachFile(const std::string& path) {
  DetachFile();
  if (path.empty()) return;
  if (!Reader_) Reader_ = Fs_.NewContentsReader();
  if (!Reader_->Open(path)) return;
  const std::uint64_t size = Reader_->Size();
  if (size == 0) {
    Reader_->Close();
    return;
  }
  Size_ = size;
  FileName_ = path;
  if (Inside_) {
    // A package is read piece by piece as its directory says, not mapped whole.
    const TPackageKind kind = PackageKindOf(path);
    if (kind != TPackageKind::None) {
      const auto head = static_cast<std::size_t>(std::min<std::uint64_t>(size, kPackageHead));
      const std::uint8_t* p = Reader_->Map(0, head);
      if (p && StartsLikePackage(kind, p, head) && !Reader_->Faulted()) {
        Package_ = kind;
        return;
      }
    }
  }
  if (!MapContents()) DetachFile();
}

bool TBMHWordsFinder::MapContents() {
  WindowSize_ = 0;
  std::size_t wholeView = MaxView_;
  if (const std::size_t hint = Reader_->ViewSizeHint()) wholeView = std::min(MaxView_, hint);
  wholeView = std::max(wholeView, LeastView());
  if (Size_ <= wholeView) {
    const std::uint8_t* base = Reader_->Map(0, static_cast<std::size_t>(Size_));
    if (base) {
      View_ = {base, 0, Size_};
      return true;
    }
  }
  // Too large for one view: successive views, mapped or read as the scan moves on.
  WindowSize_ = std::min(wholeView, kWindowSize);
  View_ = {};
  return EnsureView(0, std::min<std::uint64_t>(Size_, WindowSize_));
}

void TBMHWordsFinder::AttachBuffer(const std::uint8_t* data, std::size_t size) {
  DetachFile();
  if (!data || size == 0) return;
  OwnBuffer_ = data;
  Size_ = size;
  const std::size_t view = std::max(MaxView_, LeastView());
  WindowSize_ = size <= view ? 0 : view;
  View_ = {data, 0, WindowSize_ ? 0 : size};
  if (WindowSize_) EnsureView(0, std::min<std::uint64_t>(size, WindowSize_));
}

void TBMHWordsFinder::DetachFile() {
  if (Reader_) Reader_->Close();
  OwnBuffer_ = nullptr;
  Package_ = TPackageKind::None;
  FileName_.clear();
  View_ = {};
  Size_ = 0;
  WindowSize_ = 0;
}

bool TBMHWordsFinder::EnsureView(std::uint64_t lo, std::uint64_t hi) {
  if (View_.Base && lo >= View_.Start && hi <= View_.End) return true;
  if (WindowSize_ == 0) return false;
  const std::uint64_t length = std::min<std::uint64_t>(WindowSize_, Size_ - lo);
  if (length < hi - lo) return false;
  const std::uint8_t* base =
      OwnBuffer_ ? OwnBuffer_ + lo : Reader_->Map(lo, static_cast<std::size_t>(length));
  if (!base) {
    View_ = {};
    return false;
  }
  View_ = {base, lo, lo + length};
  return true;
}

// Views must hold an occurrence of the longest form with the bytes on both
// sides that tell whole words, and room to move on.
std::size_t TBMHWordsFinder::LeastView() const { return Prepared_->LongestForm() + 2 * kBoundaryBytes + 64; }

template <class TVisit>
void TBMHWordsFinder::ForEachSpan(TVisit&& visit) {
  const auto shortest = static_cast<std::int64_t>(Prepared_->ShortestForm());
  if (shortest == 0) return;  // no word can lie in any contents
  const auto longest = static_cast<std::int64_t>(Prepared_->LongestForm());
  const auto n = static_cast<std::int64_t>(Size_);
  constexpr auto margin = static_cast<std::int64_t>(kBoundaryBytes);
  std::int64_t from = 0;
  while (from + shortest <= n) {
    // The starts from `from` on, with the bytes before them that tell whole words.
    std::int64_t lo = std::max<std::int64_t>(0, from - margin);
    // In a double-byte code page every view starts at a character start (the first at 0).
    const std::int64_t hi = std::min(n, from + longest + margin);
    if (View_.Base && (lo < static_cast<std::int64_t>(View_.Start) || hi > static_cast<std::int64_t>(View_.End))) {
      const TScanSpan current{View_.Base, static_cast<std::int64_t>(View_.Start), static_cast<std::int64_t>(View_.End),
                              n};
      const std::int64_t wanted = lo;
      for (std::size_t w = 0; w < Prepared_->Words().size(); ++w)
        lo = std::min(lo, Prepared_->Scan(w).SpanStart(current, wanted));
    }
    if (!EnsureView(static_cast<std::uint64_t>(lo), static_cast<std::uint64_t>(hi))) return;
    const TScanSpan span{View_.Base, static_cast<std::int64_t>(View_.Start), static_cast<std::int64_t>(View_.End), n};
    // The last start this view can judge whole, one chunk at a time: every
    // word is looked for in a chunk while its bytes are still in the cache.
    std::int64_t to = span.Hi >= n ? n - shortest : span.Hi - longest - margin;
    to = std::min(to, from + kChunk - 1);
    if (!visit(span, from, to, to >= n - shortest)) return;
    from = to + 1;
    if (from + shortest <= n && Interrupted_ && Interrupted_()) {
      Aborted_ = true;
      return;
    }
  }
}

std::int64_t TBMHWordsFinder::FindAttached() {
  const TWordSet& set = *Prepared_;
  const bool all = set.Query().Mode == TMatchMode::All;
  const bool whole = set.Query().WholeWords;
  const std::size_t count = set.Words().size();
  // The words still looked for; in all mode a word no contents can hold ends it at once.
  First_.assign(count, -1);
  std::size_t open = 0, lastWord = count;
  for (std::size_t w = 0; w < count; ++w) {
    if (set.Words()[w].empty()) {
      First_[w] = 0;  // skipped
      continue;
    }
    if (all && set.Scan(w).ShortestForm() == 0) return 0;
    ++open;
    lastWord = w;
  }
  if (open == 0 || Size_ == 0) return 0;
  std::int64_t result = 0;
  TLeadRun run;  // in a double-byte code page, where characters start in this file
  ForEachSpan([&](const TScanSpan& span, std::int64_t from, std::int64_t to, bool lastChunk) {
    std::int64_t best = -1;
    for (std::size_t w = 0; w < count; ++w) {
      if (First_[w] >= 0) continue;
      // Any mode: only a start left of the best one so far can change the answer.
      const TScanHit hit = set.Scan(w).Find(span, from, best >= 0 ? best - 1 : to, whole, &run);
      if (hit.Start < 0) {
        // All mode: a word missing from the last chunk is missing from the file.
        if (all && lastChunk) return false;
        continue;
      }
      if (all) {
        First_[w] = hit.Start;
        --open;
      } else {
        best = hit.Start;
      }
    }
    if (all ? open == 0 : best >= 0) {
      result = (all ? First_[lastWord] : best) + 1;
      return false;
    }
    return true;
  });
  return result;
}

std::int64_t TBMHWordsFinder::FindInPackage() {
  TViewBytes bytes(*Reader_, Size_);
  TStreamFind find(*Prepared_);
  TPackageOptions options;
  options.Limits.Interrupted = [this] { return Interrupted_ && Interrupted_(); };
  if (EntryWatch_) options.EntryBegins = EntryWatch_;
  switch (SearchPackage(bytes, Package_, find, options)) {
    case TPackageVerdict::Found:
      return 1;
    case TPackageVerdict::NotFound:
      return 0;
    case TPackageVerdict::Interrupted:
      Aborted_ = true;
      return 0;
    case TPackageVerdict::NotPackage:
      break;
  }
  // Nothing in it read as a package: its bytes are searched as any file's.
  Package_ = TPackageKind::None;
  if (!MapContents()) return 0;
  return FindAttached();
}

std::int64_t TBMHWordsFinder::Find() {
  Aborted_ = false;
  const std::int64_t result = Package_ != TPackageKind::None ? FindInPackage() : FindAttached();
  if (Aborted_) return 0;  // cut short: not found
  // A view whose pages could not be read ends the file as "not found".
  if (Reader_ && !OwnBuffer_ && Reader_->Faulted()) return 0;
  return result;
}

const THitList& TBMHWordsFinder::FindAllHits() {
  if (HitList_)
    HitList_->clear();
  else
    HitList_ = std::make_unique<THitList>();
  NextHit_ = 0;
  Aborted_ = false;
  if (Package_ != TPackageKind::None) {
    Package_ = TPackageKind::None;
    if (!MapContents()) return *HitList_;
  }
  if (Size_ == 0) return *HitList_;
  const TWordSet& set = *Prepared_;
  const bool whole = set.Query().WholeWords;
  TLeadRun run;
  ForEachSpan([&](const TScanSpan& span, std::int64_t from, std::int64_t to, bool) {
    for (std::size_t w = 0; w < set.Words().size(); ++w) {
      if (set.Words()[w].empty()) continue;
      for (TScanHit h = set.Scan(w).Find(span, from, to, whole, &run); h.Start >= 0;
           h = set.Scan(w).Find(span, h.Start + 1, to, whole, &run))
        HitList_->push_back({h.Start + 1, static_cast<std::int32_t>(h.Length)});
    }
    return true;
  });
  std::stable_sort(HitList_->begin(), HitList_->end(),
                   [](const TFoundWord& a, const TFoundWord& b) { return a.Position < b.Position; });
  if ((Reader_ && !OwnBuffer_ && Reader_->Faulted()) || Aborted_) HitList_->clear();
  return *HitList_;
}

std::int64_t TBMHWordsFinder::FindNextHit() {
  if (!HitList_) FindAllHits();
  if (NextHit_ >= HitList_->size()) return 0;
  return (*HitList_)[NextHit_++].Position;
}

// ---- file helpers ----------------------------------------------------------

bool IsFileLocked(IFileSystem& fs, const std::string& path) { return fs.IsFileLocked(path); }

double KBToMB(std::int64_t kb) { return static_cast<double>(kb) / 1024.0; }

}  // namespace sorvik
