// The word finder: searches the bytes of one file for a list of words (the
// scan itself is TWordScanner), read in place through views or a buffer. Plus the small file
// helpers the search shares (the locked-file test, kilobytes to megabytes).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "FileSystem.h"
#include "WordScan.h"

namespace sorvik {

class EPatternTooLarge : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kPatternTooLargeMessage =
    "Length of text to be found must be 255 characters or less";
inline constexpr std::size_t kMaxWordLength = 255;

// What the words text asks of a file: any of its words, all of them, or the
// exact text (the finder's match mode codes 0, 1 and 2).
enum class TMatchMode : std::uint8_t { Any = 0, All = 1, Exact = 2 };

// The words of a words text (any and all modes): runs of bytes above blank,
// or text in double quotes (a doubled quote stands for one).
std::vector<std::string> SplitWords(const std::string& text);

// The text fold: entry b is byte b upper-cased on its own in the ANSI code page.
// Built once, on first use (before any search), and only read afterwards.
const std::array<std::uint8_t, 256>& UpperCaseTable();

// Whether byte b separates words (the 26 separator bytes).
bool IsWordSeparator(std::uint8_t b);

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
  bool HasWords() const { return !WorkingWords_.empty(); }

  // Attaches the file's contents; a file that can't be used leaves nothing attached.
  void AttachFile(const std::string& path);
  void DetachFile();
  bool Attached() const { return Size_ > 0; }
  // The size of the contents attached last (0 when nothing is).
  std::uint64_t AttachedSize() const { return Size_; }
  const std::string& FileName() const { return FileName_; }

  // Attaches bytes that stay owned by the caller (contents already in memory).
  void AttachBuffer(const std::uint8_t* data, std::size_t size);

  // The word list in search order.
  const std::vector<std::string>& WordList() const { return WordList_; }

  // Asked between spans of a large file's scan (every few megabytes): true ends
  // the scan, and the file counts as not found. It may also wait (a pause), and
  // the scan goes on where it stood.
  void SetInterrupt(std::function<bool()> interrupted) { Interrupted_ = std::move(interrupted); }
  bool Interrupted() const { return Aborted_; }

  // The largest view the finder maps at once. Files larger than this are read
  // through successive views; tests lower it to exercise that path.
  void SetMaxViewSize(std::size_t bytes);

 private:
  struct TView {
    const std::uint8_t* Base = nullptr;  // address of the byte at Start
    std::uint64_t Start = 0;             // file offset of Base
    std::uint64_t End = 0;               // file offset one past the view
  };

  void RebuildWordList();
  void BuildScanners();
  bool EnsureView(std::uint64_t lo, std::uint64_t hi);
  std::int64_t NextOccurrence(std::size_t w, std::int64_t e);
  std::int64_t FindAttached();

  IFileSystem& Fs_;
  std::unique_ptr<IContentsReader> Reader_;
  std::vector<std::string> WordList_;
  std::vector<TWordScanner> Scanners_;  // one per word of WordList_
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
