// The search worker: walks a folder (and its subfolders), sends each entry that
// matches the mask through the tests, counts, and hands rows and progress to the
// window on the owner's thread.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ContentPool.h"
#include "FileSystem.h"
#include "FolderWalk.h"
#include "Thread.h"
#include "uFileConditions.h"
#include "uFinder.h"

namespace sorvik {

// A file the search found, as the walk saw it. Its texts are made where it is shown.
struct TFoundFile {
  std::string Name;
  std::string Folder;          // ends in the delimiter
  std::int64_t Size = 0;       // bytes
  TStamp Modified;             // local last-write time
  FileTime Accessed = 0;       // UTC
  FileTime Created = 0;        // UTC
  int ImageIndex = 0;          // small icon in the system image list
};

// One row of the results list: the texts shown.
struct TResultRow {
  std::string Caption;                 // Filename
  std::array<std::string, 5> SubItems; // Folder, Size, modified, accessed, created
  int ImageIndex = 0;
};

// Where the found files go (the results list), in walk order.
class IResultList {
 public:
  virtual ~IResultList() = default;
  virtual void AddRow(const TFoundFile& file) = 0;
};

// What the worker changes on the window, always on the owner's thread.
class ISearchWindow {
 public:
  virtual ~ISearchWindow() = default;
  virtual void ShowPanels(const std::array<std::string, 4>& panels) = 0;
  virtual void SetAnimationActive(bool active) = 0;
  virtual void SetSearchIdle() = 0;
};

// The worker's inputs, set before it starts and unchanged during the run.
struct TSearchRequest {
  std::string Folder;
  std::string Mask;
  std::string Words;  // UTF-8; reaches the finder in the ANSI code page
  bool Recursive = false;
  IResultList* ResultList = nullptr;
  bool CaseSensitive = false;
  std::uint8_t MatchMode = 0;
  bool WholeWords = false;
  // Borrowed from the window, which hands it over only when it holds a condition.
  TKtFileConditions* Conditions = nullptr;
  // Found files carry their small icon's index, looked up on the search's threads.
  bool Icons = false;
};

// The texts of a found file's row: the last-access and creation times are
// shown in UTC, as the walk reports them, the modification time in local time.
TResultRow MakeResultRow(const TFoundFile& file);

// Status panel 2: "%8.3f MB" of the kilobytes, with the user's decimal separator.
std::string FormatMB(std::int64_t kb);

class TKtSearchThread : public TThread {
 public:
  explicit TKtSearchThread(ISearchWindow* window = nullptr, IFileSystem& fs = NativeFileSystem());
  ~TKtSearchThread() override;

  TSearchRequest Request;

  std::int64_t EntriesExamined() const { return EntriesExamined_; }
  std::int64_t FilesFound() const { return FilesFound_; }
  std::int64_t KBFound() const { return KBFound_; }
  const std::string& StatusText() const { return StatusText_; }

  // True when a contents test of the last run was cut short by Stop.
  bool CutShort() const { return CutShort_; }

  // Helper threads for the contents tests besides the worker's own
  // (DefaultContentHelpers unless set; 0 tests every file on the worker).
  void SetContentHelpers(unsigned helpers) { ContentHelpers_ = helpers; }

  // The message of the error that ended the last run, empty when none did.
  const std::string& ErrorMessage() const { return Error_; }

  // Rows found and progress travel together, at most this often, in one
  // hand-over (and at the end). Zero hands over after every entry.
  static constexpr std::chrono::milliseconds kDeliveryInterval{50};
  void SetDeliveryInterval(std::chrono::milliseconds interval) { DeliveryInterval_ = interval; }

  using TEntryCallback = void (TKtSearchThread::*)(const std::string& folder, const TDirEntry& entry);
  void WalkFolder(const std::string& folder, const std::string& mask, bool recursive,
                  TEntryCallback callback, std::uint32_t attrMask);
  void HandleEntry(const std::string& folder, const TDirEntry& entry);

 protected:
  void Execute() override;

 private:
  // Progress changed: hands it over with the rows found when the interval has
  // passed or too many rows wait.
  void ShowProgress();
  // One hand-over: the rows found since the last one, in order, then the panels.
  // With `wait` the worker waits until the window has taken them.
  void Deliver(bool wait);
  struct TBatch {
    std::vector<TFoundFile> Rows;
    std::array<std::string, 4> Panels;
  };
  std::shared_ptr<TBatch> TakeBatch();
  // On the window's thread: the batch's rows into the list, its panels shown.
  void HandOver(TBatch& batch);
  void StartAnimation();
  void SearchFinished();
  // The finder readied for the request's words, case and mode.
  void ConfigureFinder(TBMHWordsFinder& finder) const;
  // The request's conditions on a file, when it has any. `e` then points at
  // the entry with the details the enumeration had left out.
  bool MeetsConditions(const TDirEntry& entry, const TDirEntry*& e);
  // A file that passed every test: counted, and its row queued.
  void AddFound(const std::string& folder, const TDirEntry& entry, int imageIndex);
  // A contents test's verdict, taken in walk order.
  void FinishContentTest(TContentJob& job);

  TBMHWordsFinder Finder_;
  IFileSystem& Fs_;
  ISearchWindow* Window_;
  std::string StatusText_;
  std::string Path_;  // the entry being tested, reused from entry to entry
  IDirEnum* Files_ = nullptr;  // the listing the entry being handled comes from
  TDirEntry Details_;          // an entry with the details the enumeration left out
  std::vector<TFoundFile> PendingRows_;  // found since the last hand-over
  std::chrono::milliseconds DeliveryInterval_ = kDeliveryInterval;
  std::chrono::steady_clock::time_point LastDelivery_{};
  TContentPool* Contents_ = nullptr;  // the tests that open the files, while the walk runs
  unsigned ContentHelpers_ = DefaultContentHelpers();
  bool CutShort_ = false;
  std::int64_t EntriesExamined_ = 0;
  std::int64_t FilesFound_ = 0;
  std::int64_t KBFound_ = 0;
  std::string Error_;
};

}  // namespace sorvik
