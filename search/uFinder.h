// The word finder: searches the bytes of one file for a list of words, each in
// all its encodings (the words are a TWordSet, the scan a TWordScan), read in
// place through views or a buffer. Plus the small file helpers the search
// shares (the locked-file test, kilobytes to megabytes).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "FileSystem.h"
#include "WordSet.h"

namespace sorvik {

// The words fold: a..z to A..Z in place, every other byte unchanged.
void FoldWords(std::string& text);

// The text fold in place: every byte through the upper-case table. With ignore
// case on, the words are folded by it too, so that a word holding a lower-case
// letter outside a..z (the é of "café") meets its folded forms in the contents.
void FoldText(std::string& text);

// One accepted occurrence: 1-based position of its first byte and its length.
struct TFoundWord {
  std::int64_t Position = 0;
  std::int32_t Length = 0;
};

using THitList = std::vector<TFoundWord>;

// The abstract base of text finders.
class TFinder {
 public:
  virtual ~TFinder() = default;

  virtual void SetIgnoreCase(bool value);
  virtual void SetWholeWords(bool value);
  virtual void SetText(const std::string& text);
  virtual void SetWords(const std::string& text);
  virtual std::int64_t Find() = 0;
  virtual std::int64_t FindNextHit() = 0;
  virtual const THitList& FindAllHits() = 0;

  bool WholeWords() const { return WholeWords_; }
  bool IgnoreCase() const { return IgnoreCase_; }
  const std::string& Words() const { return Words_; }
  // The words text as the search uses it: text-folded while ignore case is on.
  const std::string& WorkingWords() const { return WorkingWords_; }

 protected:
  bool WholeWords_ = false;
  bool IgnoreCase_ = false;
  std::string Words_;
  std::string WorkingWords_;
  std::string Text_;
  std::string WorkingText_;
};

// Largest view tried for a whole file: a 32-bit process can't map 2 GiB.
inline constexpr std::size_t kDefaultMaxView = sizeof(void*) == 4 ? std::size_t{0x7FFFFFFF} : std::size_t{1} << 40;

class TBMHWordsFinder : public TFinder {
 public:
  explicit TBMHWordsFinder(IFileSystem& fs = NativeFileSystem());
  ~TBMHWordsFinder() override;

  void SetIgnoreCase(bool value) override;
  void SetWords(const std::string& text) override;
  std::int64_t Find() override;
  std::int64_t FindNextHit() override;
  const THitList& FindAllHits() override;

  void SetMatchMode(std::uint8_t mode);
  std::uint8_t MatchMode() const { return MatchMode_; }
  bool HasWords() const { return Prepared_->HasText(); }

  // Searches for words prepared elsewhere (shared by the finders of a search's
  // threads) in the given match mode, instead of the setters' own set.
  void UseWords(std::shared_ptr<const TWordSet> words, TMatchMode mode);

  // Attaches the file's contents; a file that can't be used leaves nothing attached.
  void AttachFile(const std::string& path);
  void DetachFile();
  bool Attached() const { return Size_ > 0; }
  // The size of the contents attached last (0 when nothing is).
  std::uint64_t AttachedSize() const { return Size_; }
  const std::string& FileName() const { return FileName_; }

  // Attaches bytes that stay owned by the caller (contents already in memory).
  void AttachBuffer(const std::uint8_t* data, std::size_t size);

  // The word list in search order (UTF-8; upper-cased while ignoring case).
  const std::vector<std::string>& WordList() const { return Prepared_->Words(); }

  // Asked between spans of a large file's scan (every few megabytes): true ends
  // the scan, and the file counts as not found. It may also wait (a pause), and
  // the scan goes on where it stood.
  void SetInterrupt(std::function<bool()> interrupted) { Interrupted_ = std::move(interrupted); }
  bool Interrupted() const { return Aborted_; }

  // The largest view the finder maps at once (kDefaultMaxView unless set).
  // Files larger than this are read through successive views; a search of a
  // share lowers it, so that each read ends soon, and tests to exercise that
  // path (views always hold the longest word's longest encoding and a little more).
  void SetMaxViewSize(std::size_t bytes);

 private:
  struct TView {
    const std::uint8_t* Base = nullptr;  // address of the byte at Start
    std::uint64_t Start = 0;             // file offset of Base
    std::uint64_t End = 0;               // file offset one past the view
  };

  void RebuildWordList();
  std::size_t LeastView() const;
  bool EnsureView(std::uint64_t lo, std::uint64_t hi);
  // The first accepted occurrence of word w that starts at `from` (0-based) or later.
  TScanHit NextOccurrence(std::size_t w, std::int64_t from);
  std::int64_t FindAttached();

  IFileSystem& Fs_;
  std::unique_ptr<IContentsReader> Reader_;
  std::shared_ptr<const TWordSet> Prepared_;
  std::unique_ptr<THitList> HitList_;
  std::size_t NextHit_ = 0;
  std::uint8_t MatchMode_ = 0;
  std::string ModeWords_;
  std::string FileName_;
  std::uint64_t Size_ = 0;
  TView View_;
  const std::uint8_t* OwnBuffer_ = nullptr;  // AttachBuffer's bytes
  std::size_t MaxView_;
  std::size_t WindowSize_ = 0;  // size of successive views; 0 while the whole file is one view
  std::function<bool()> Interrupted_;
  bool Aborted_ = false;  // the last scan was ended by Interrupted_
};

// True when the file exists and can't be opened for reading without sharing
// (another process holds it open, or the user may not read it).
bool IsFileLocked(IFileSystem& fs, const std::string& path);
inline bool IsFileLocked(const std::string& path) { return IsFileLocked(NativeFileSystem(), path); }

// Kilobytes to megabytes.
double KBToMB(std::int64_t kb);

}  // namespace sorvik
