#include "uFinder.h"

#include <algorithm>

#include "Ascii.h"
#include "Locale.h"

namespace sorvik {

namespace {

// Bytes on each side of an occurrence that tell whether it is a whole word (a
// UTF-8 byte-order mark before it, a UTF-16 unit after it).
constexpr std::size_t kBoundaryBytes = 4;

// Views of this size are used when a file can't be mapped whole.
constexpr std::size_t kWindowSize = 64u << 20;

// The scan asks whether to stop after each span of this many bytes.
constexpr std::int64_t kSpan = 8 << 20;

}  // namespace

void FoldWords(std::string& text) {
  for (char& c : text) c = AsciiUpper(c);
}

void FoldText(std::string& text) {
  const auto& up = UpperCaseTable();
  for (char& c : text) c = static_cast<char>(up[static_cast<std::uint8_t>(c)]);
}

// ---- TFinder ---------------------------------------------------------------

void TFinder::SetIgnoreCase(bool value) {
  IgnoreCase_ = value;
  WorkingWords_ = Words_;
  WorkingText_ = Text_;
  if (value) {
    FoldText(WorkingWords_);
    FoldWords(WorkingText_);
  }
}

void TFinder::SetWholeWords(bool value) { WholeWords_ = value; }

void TFinder::SetText(const std::string& text) {
  Text_ = text;
  WorkingText_ = text;
  if (IgnoreCase_) FoldWords(WorkingText_);
}

void TFinder::SetWords(const std::string& text) {
  Words_ = text;
  WorkingWords_ = text;
  if (IgnoreCase_) FoldText(WorkingWords_);
}

// ---- TBMHWordsFinder -------------------------------------------------------

TBMHWordsFinder::TBMHWordsFinder(IFileSystem& fs)
    : Fs_(fs), Prepared_(std::make_shared<TWordSet>()), MaxView_(kDefaultMaxView) {
  UpperCaseTable();
}

TBMHWordsFinder::~TBMHWordsFinder() { DetachFile(); }

void TBMHWordsFinder::SetIgnoreCase(bool value) {
  TFinder::SetIgnoreCase(value);
  RebuildWordList();
}

void TBMHWordsFinder::SetWords(const std::string& text) {
  TFinder::SetWords(text);
  ModeWords_ = text;
  RebuildWordList();
}

void TBMHWordsFinder::SetMatchMode(std::uint8_t mode) {
  MatchMode_ = mode;
  if (!ModeWords_.empty()) SetWords(ModeWords_);
}

void TBMHWordsFinder::UseWords(std::shared_ptr<const TWordSet> words, TMatchMode mode) {
  HitList_.reset();
  Prepared_ = words ? std::move(words) : std::make_shared<TWordSet>();
  MatchMode_ = static_cast<std::uint8_t>(mode);
}

void TBMHWordsFinder::SetMaxViewSize(std::size_t bytes) { MaxView_ = bytes; }

void TBMHWordsFinder::RebuildWordList() {
  HitList_.reset();
  Prepared_ = std::make_shared<TWordSet>();  // nothing is searched for if the words are refused
  // The words as given, not the working copy: the set folds each encoding itself.
  const TMatchMode mode = MatchMode_ == 2 ? TMatchMode::Exact : MatchMode_ == 1 ? TMatchMode::All : TMatchMode::Any;
  Prepared_ = std::make_shared<TWordSet>(Words_, IgnoreCase_, mode);
}

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
  WindowSize_ = 0;
  std::size_t wholeView = MaxView_;
  if (const std::size_t hint = Reader_->ViewSizeHint()) wholeView = std::min(MaxView_, hint);
  wholeView = std::max(wholeView, LeastView());
  if (size <= wholeView) {
    const std::uint8_t* base = Reader_->Map(0, static_cast<std::size_t>(size));
    if (base) {
      View_ = {base, 0, size};
      FileName_ = path;
      return;
    }
  }
  // Too large for one view: successive views, mapped or read as the scan moves on.
  WindowSize_ = std::min(wholeView, kWindowSize);
  View_ = {};
  if (!EnsureView(0, std::min<std::uint64_t>(size, WindowSize_))) {
    DetachFile();
    return;
  }
  FileName_ = path;
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
  FileName_.clear();
  View_ = {};
  Size_ = 0;
  WindowSize_ = 0;
  WorkingText_.clear();
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

TScanHit TBMHWordsFinder::NextOccurrence(std::size_t w, std::int64_t from) {
  const TWordScan& scan = Prepared_->Scan(w);
  const auto shortest = static_cast<std::int64_t>(scan.ShortestForm());
  const auto longest = static_cast<std::int64_t>(scan.LongestForm());
  const auto n = static_cast<std::int64_t>(Size_);
  constexpr auto margin = static_cast<std::int64_t>(kBoundaryBytes);
  if (shortest == 0) return {};
  while (from + shortest <= n) {
    // The starts from `from` on, with the bytes before them that tell whole words.
    std::int64_t lo = std::max<std::int64_t>(0, from - margin);
    // In a double-byte code page every view starts at a character start (the first at 0).
    if (View_.Base)
      lo = scan.SpanStart({View_.Base, static_cast<std::int64_t>(View_.Start), static_cast<std::int64_t>(View_.End), n},
                          lo);
    const std::int64_t hi = std::min(n, from + longest + margin);
    if (!EnsureView(static_cast<std::uint64_t>(lo), static_cast<std::uint64_t>(hi))) return {};
    const TScanSpan span{View_.Base, static_cast<std::int64_t>(View_.Start), static_cast<std::int64_t>(View_.End), n};
    // The last start this view can judge whole; one span at a time.
    std::int64_t to = span.Hi >= n ? n - shortest : span.Hi - longest - margin;
    to = std::min(to, from + kSpan);
    const TScanHit hit = scan.Find(span, from, to, WholeWords_);
    if (hit.Start >= 0) return hit;
    from = to + 1;
    if (from + shortest <= n && Interrupted_ && Interrupted_()) {
      Aborted_ = true;
      return {};
    }
  }
  return {};
}

std::int64_t TBMHWordsFinder::FindAttached() {
  std::int64_t result = 0;
  const std::size_t count = Prepared_->Words().size();
  for (std::size_t w = 0; w < count; ++w) {
    if (Prepared_->Words()[w].empty()) continue;
    result = 0;
    const TScanHit hit = Size_ ? NextOccurrence(w, 0) : TScanHit{};
    if (Aborted_) return 0;
    if (hit.Start >= 0) {
      result = hit.Start + 1;
      if (MatchMode_ != 1) return result;
    }
    if (MatchMode_ == 1 && result == 0) return 0;
  }
  return result;
}

std::int64_t TBMHWordsFinder::Find() {
  Aborted_ = false;
  const std::int64_t result = FindAttached();
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
  if (Size_ == 0) return *HitList_;
  const std::size_t count = Prepared_->Words().size();
  for (std::size_t w = 0; w < count && !Aborted_; ++w) {
    for (TScanHit h = NextOccurrence(w, 0); h.Start >= 0; h = NextOccurrence(w, h.Start + 1))
      HitList_->push_back({h.Start + 1, static_cast<std::int32_t>(h.Length)});
  }
  std::sort(HitList_->begin(), HitList_->end(),
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
