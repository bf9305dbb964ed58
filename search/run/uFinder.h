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

#include "DocumentText.h"
#include "FileSystem.h"
#include "WordSet.h"

namespace sorvik {

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

  virtual void SetIgnoreCase(bool value) = 0;
  virtual void SetWholeWords(bool value) = 0;
  // Kept for callers that hand a finder a text; no search reads it.
  virtual void SetText(const std::string& text) { Text_ = text; }
  virtual void SetWords(const std::string& text) = 0;
  virtual std::int64_t Find() = 0;
  virtual std::int64_t FindNextHit() = 0;
  virtual const THitList& FindAllHits() = 0;

  const std::string& Text() const { return Text_; }

 private:
  std::string Text_;
};

// Largest view tried for a whole file: a 32-bit process can't map 2 GiB.
inline constexpr std::size_t kDefaultMaxView = sizeof(void*) == 4 ? std::size_t{0x7FFFFFFF} : std::size_t{1} << 40;

class TBMHWordsFinder : public TFinder {
 public:
  explicit TBMHWordsFinder(IFileSystem& fs = NativeFileSystem());
  ~TBMHWordsFinder() override;

  // The finder searches for one prepared word set, given here; the set is read
  // only, so the finders of a search's threads share one. Each setter below
  // makes a new set from the current one's query with one thing changed.
  void Use(std::shared_ptr<const TWordSet> words);
  const TWordQuery& Query() const { return Prepared_->Query(); }

  void SetIgnoreCase(bool value) override;
  void SetWholeWords(bool value) override;
  void SetWords(const std::string& text) override;
  // 0 any, 1 all, 2 exact; any other value counts as any.
  void SetMatchMode(std::uint8_t mode);

  // Every word in one pass over the contents: any mode ends at the first
  // accepted occurrence of any word and gives its position (the leftmost; of
  // words found at one place, the first in list order); all mode ends when
  // every word has been seen and gives the position of the last word's first
  // occurrence; 0 when the contents don't hold them.
  std::int64_t Find() override;
  std::int64_t FindNextHit() override;
  // Every accepted occurrence of every word, by position (at one position, in list order).
  const THitList& FindAllHits() override;

  bool HasWords() const { return Prepared_->HasText(); }

  // Attaches the file's contents; a file that can't be used leaves nothing attached.
  void AttachFile(const std::string& path);
  void DetachFile();
  bool Attached() const { return Size_ > 0; }
  // The size of the contents attached last (0 when nothing is).
  std::uint64_t AttachedSize() const { return Size_; }
  const std::string& FileName() const { return FileName_; }
  // How the reads of the file attached last went (kept after DetachFile).
  TReadWaits ReadWaits() const { return Reader_ ? Reader_->Waits() : TReadWaits{}; }

  // Attaches bytes that stay owned by the caller (contents already in memory).
  void AttachBuffer(const std::uint8_t* data, std::size_t size);

  // The word list in search order (UTF-8; upper-cased while ignoring case).
  const std::vector<std::string>& WordList() const { return Prepared_->Words(); }

  // Asked between spans of a large file's scan (every few megabytes): true ends
  // the scan, and the file counts as not found. It may also wait (a pause), and
  // the scan goes on where it stood.
  void SetInterrupt(std::function<bool()> interrupted) { Interrupted_ = std::move(interrupted); }
  bool Interrupted() const { return Aborted_; }

  // With `value`, a file whose name says it is a zip archive or a document of
  // zip-packaged XML (see PackageKindOf) and whose bytes start as one is
  // searched by what it holds: an archive's entries as files, a document's
  // text. One that doesn't read as a package is searched by its bytes. Off by
  // default. FindAllHits always gives the bytes' hits.
  void SetSearchInside(bool value) { Inside_ = value; }
  // Told the name of each entry of a package as its reading begins, on the
  // thread that runs Find (the entry in the package's own terms, "a.zip > b.txt"
  // inside an archive in it).
  void SetEntryWatch(std::function<void(const std::string& entry)> watch) { EntryWatch_ = std::move(watch); }

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

  void Remake(TWordQuery query);
  // Maps the attached file's contents for the scan (a view of the whole file,
  // or the first of successive ones); false when it can't be.
  bool MapContents();
  std::int64_t FindInPackage();
  std::size_t LeastView() const;
  bool EnsureView(std::uint64_t lo, std::uint64_t hi);
  // Calls visit(span, from, to, last) for successive runs of starts [from, to]
  // that cover the contents once, each with the bytes around it in memory (last:
  // no start is left after `to`), until visit returns false, a view can't be had
  // or the scan is interrupted.
  template <class TVisit>
  void ForEachSpan(TVisit&& visit);
  std::int64_t FindAttached();

  IFileSystem& Fs_;
  std::unique_ptr<IContentsReader> Reader_;
  std::shared_ptr<const TWordSet> Prepared_;
  std::unique_ptr<THitList> HitList_;
  std::size_t NextHit_ = 0;
  std::vector<std::int64_t> First_;  // all mode: each word's first start, -1 while unseen
  std::string FileName_;
  std::uint64_t Size_ = 0;
  TView View_;
  const std::uint8_t* OwnBuffer_ = nullptr;  // AttachBuffer's bytes
  std::size_t MaxView_;
  std::size_t WindowSize_ = 0;  // size of successive views; 0 while the whole file is one view
  std::function<bool()> Interrupted_;
  bool Aborted_ = false;  // the last scan was ended by Interrupted_
  bool Inside_ = false;
  TPackageKind Package_ = TPackageKind::None;  // the attached file starts as a package of this kind
  std::function<void(const std::string&)> EntryWatch_;
};

// True when the file exists and can't be opened for reading without sharing
// (another process holds it open, or the user may not read it).
bool IsFileLocked(IFileSystem& fs, const std::string& path);
inline bool IsFileLocked(const std::string& path) { return IsFileLocked(NativeFileSystem(), path); }

// Kilobytes to megabytes.
double KBToMB(std::int64_t kb);

}  // namespace sorvik
