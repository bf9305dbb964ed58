#include "uFinder.h"

#include <algorithm>

#include "Ascii.h"
#include "Locale.h"

namespace sorvik {

namespace {

// Views of this size are used when a file can't be mapped whole.
constexpr std::size_t kWindowSize = 64u << 20;

// The scan asks whether to stop after each span of this many bytes.
constexpr std::int64_t kSpan = 8 << 20;

// Largest view tried for a whole file: a 32-bit process can't map 2 GiB.
constexpr std::size_t kDefaultMaxView =
    sizeof(void*) == 4 ? std::size_t{0x7FFFFFFF} : std::size_t{1} << 40;

constexpr std::array<bool, 256> MakeSeparators() {
  std::array<bool, 256> t{};
  for (unsigned char c : {9, 10, 13, 32, 33, 34, 35, 36, 37, 39, 40, 41, 42, 43, 44, 46, 47, 58, 59, 60,
                          61, 62, 63, 64, 92, 124})
    t[c] = true;
  return t;
}

constexpr std::array<bool, 256> kSeparators = MakeSeparators();

}  // namespace

std::vector<std::string> SplitWords(const std::string& text) {
  std::vector<std::string> words;
  const std::size_t n = text.size();
  auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  std::size_t i = 0;
  for (;;) {
    // Byte 0 is skipped too: as a word's first byte it would give an empty run
    // that never advances.
    while (i < n && byte(i) <= 32) ++i;
    if (i >= n) break;
    std::string word;
    if (text[i] == '"') {
      ++i;
      while (i < n) {
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            word += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        const std::size_t step = (IsAnsiLeadByte(byte(i)) && i + 1 < n) ? 2 : 1;
        word.append(text, i, step);
        i += step;
      }
    } else {
      while (i < n && byte(i) > 32) {
        const std::size_t step = (IsAnsiLeadByte(byte(i)) && i + 1 < n && byte(i + 1) > 32) ? 2 : 1;
        word.append(text, i, step);
        i += step;
      }
    }
    words.push_back(std::move(word));
  }
  return words;
}

const std::array<std::uint8_t, 256>& UpperCaseTable() {
  static const std::array<std::uint8_t, 256> table = [] {
    std::array<std::uint8_t, 256> t{};
    for (int b = 0; b < 256; ++b) t[b] = UpperAnsiByte(static_cast<std::uint8_t>(b));
    return t;
  }();
  return table;
}

bool IsWordSeparator(std::uint8_t b) { return kSeparators[b]; }

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

TBMHWordsFinder::TBMHWordsFinder(IFileSystem& fs) : Fs_(fs), MaxView_(kDefaultMaxView) {
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

// Views must hold the longest word and its two boundary bytes.
void TBMHWordsFinder::SetMaxViewSize(std::size_t bytes) { MaxView_ = std::max<std::size_t>(bytes, kMaxWordLength + 2); }

void TBMHWordsFinder::RebuildWordList() {
  WordList_.clear();
  Scanners_.clear();
  HitList_.reset();
  std::vector<std::string> words =
      MatchMode_ == 2 ? std::vector<std::string>{WorkingWords_} : SplitWords(WorkingWords_);
  for (const std::string& w : words)
    if (w.size() > kMaxWordLength) throw EPatternTooLarge(kPatternTooLargeMessage);
  std::sort(words.begin(), words.end(), [](const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return a.size() > b.size();
    return CompareAnsiIgnoreCase(a, b) < 0;
  });
  WordList_ = std::move(words);
  BuildScanners();
}

void TBMHWordsFinder::BuildScanners() {
  Scanners_.resize(WordList_.size());
  const TMatchingBytes matching(IgnoreCase_ ? UpperCaseTable().data() : nullptr);
  for (std::size_t w = 0; w < WordList_.size(); ++w) Scanners_[w].Prepare(WordList_[w], matching);
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
  WindowSize_ = size <= MaxView_ ? 0 : MaxView_;
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

std::int64_t TBMHWordsFinder::NextOccurrence(std::size_t w, std::int64_t e) {
  const TWordScanner& scanner = Scanners_[w];
  const std::int64_t m = static_cast<std::int64_t>(scanner.Length());
  const std::int64_t n = static_cast<std::int64_t>(Size_);

  while (e <= n) {
    // The window t[e-m+1..e] and its two boundary bytes must lie in the view.
    const std::int64_t lo = std::max<std::int64_t>(0, e - m - 1);
    const std::int64_t hi = std::min<std::int64_t>(n, e + 1);
    if (!EnsureView(static_cast<std::uint64_t>(lo), static_cast<std::uint64_t>(hi))) return 0;
    const std::uint8_t* p = View_.Base;
    const std::int64_t off = static_cast<std::int64_t>(View_.Start);
    const std::int64_t viewEnd = static_cast<std::int64_t>(View_.End);
    // Last window end whose following byte still lies in this view.
    const std::int64_t rMax =
        std::min((viewEnd >= n ? n : viewEnd - 1) - off, e - off + kSpan);  // one span at a time
    std::int64_t r = e - off;  // window end relative to the view: its last byte is p[r-1]
    while (r <= rMax) {
      const std::ptrdiff_t s = scanner.Find(p, static_cast<std::size_t>(r - m), static_cast<std::size_t>(rMax - m));
      if (s < 0) {
        r = rMax + 1;
        break;
      }
      r = s + m;
      const std::int64_t end = r + off;
      const std::int64_t start = end - m + 1;
      if (!WholeWords_ || ((start == 1 || kSeparators[p[start - 2 - off]]) &&
                           (end == n || kSeparators[p[end - off]]))) {
        return end;
      }
      ++r;
    }
    e = r + off;
    if (e <= n && Interrupted_ && Interrupted_()) {
      Aborted_ = true;
      return 0;
    }
  }
  return 0;
}

std::int64_t TBMHWordsFinder::FindAttached() {
  std::int64_t result = 0;
  for (std::size_t w = 0; w < WordList_.size(); ++w) {
    const std::int64_t m = static_cast<std::int64_t>(WordList_[w].size());
    if (m == 0) continue;
    result = 0;
    const std::int64_t end = Size_ ? NextOccurrence(w, m) : 0;
    if (Aborted_) return 0;
    if (end > 0) {
      result = end - m + 1;
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
  for (std::size_t w = 0; w < WordList_.size() && !Aborted_; ++w) {
    const std::int64_t m = static_cast<std::int64_t>(WordList_[w].size());
    if (m == 0) continue;
    for (std::int64_t e = NextOccurrence(w, m); e > 0; e = NextOccurrence(w, e + 1))
      HitList_->push_back({e - m + 1, static_cast<std::int32_t>(m)});
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
