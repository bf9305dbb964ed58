// The search worker: walks a folder (and its subfolders), sends each entry that
// matches the mask through the tests, counts, and tells its output (typed: the
// files found, the progress, the end) what it found.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ContentPool.h"
#include "FileSystem.h"
#include "FolderWalk.h"
#include "SearchOutput.h"
#include "Thread.h"
#include "uFileConditions.h"
#include "uFinder.h"

namespace sorvik {

// The worker's inputs: a value given to the worker before it starts, which it
// only reads; what it derives from them lives in its own members.
struct TSearchRequest {
  std::string Folder;
  std::string Mask;
  // Names or masks of folders the walk leaves out, ';' between them (see TFolderSkip).
  std::string SkipFolders;
  std::string Words;  // UTF-8; reaches the finder in the ANSI code page
  bool Recursive = false;
  bool CaseSensitive = false;
  TMatchMode MatchMode = TMatchMode::Any;
  bool WholeWords = false;
  // The file conditions, a copy; none when it holds no condition.
  TKtFileConditions Conditions;
  // Archives and documents are searched by what they hold (see
  // TBMHWordsFinder::SetSearchInside); otherwise by their bytes.
  bool InsideDocuments = true;
  // Found files carry their small icon's index, looked up on the search's threads.
  bool Icons = false;
};

// The words a request asks for, as its finders take them.
inline TWordQuery WordQueryOf(const TSearchRequest& request) {
  return {request.Words, !request.CaseSensitive, request.WholeWords, request.MatchMode};
}

// Why the request can't be searched (a missing or empty folder, a folder text
// that names a file, no mask, a folder to skip given as a path, an empty quoted
// word, a word too long, conditions with a Problem), in a short text for the
// status bar; empty when it can.
std::string RequestProblem(IFileSystem& fs, const TSearchRequest& request);

class TKtSearchThread : public TThread {
 public:
  explicit TKtSearchThread(IFileSystem& fs = NativeFileSystem());
  ~TKtSearchThread() override;

  // The search to run, set before the worker starts (after that, a
  // std::logic_error): the worker keeps this copy and never changes it.
  void SetRequest(TSearchRequest request);

  // Where the run's results go; set before the worker starts, and outliving it.
  void SetOutput(ISearchOutput* output) { Output_ = output; }

  std::int64_t EntriesExamined() const { return Progress_.EntriesExamined; }
  std::int64_t FilesFound() const { return Progress_.FilesFound; }
  std::int64_t KBFound() const { return Progress_.KBFound; }
  std::int64_t BytesFound() const { return Progress_.BytesFound; }
  std::int64_t FilesUnread() const { return Progress_.FilesUnread; }

  // True when a contents test of the last run was cut short by Stop.
  bool CutShort() const { return CutShort_; }

  // Helper threads for the contents tests besides the worker's own (unless
  // set, RemoteContentHelpers for a folder on a network share, LockedTestHelpers
  // for a search without words and DefaultContentHelpers for any other, which
  // grows up to RemoteContentHelpers while the reads wait for the disk; 0 tests
  // every file on the worker). A count that was set stays as set.
  void SetContentHelpers(unsigned helpers) { ContentHelpers_ = helpers; }
  // The most helper threads the last run had testing files at once.
  unsigned ContentHelpersUsed() const { return HelpersUsed_; }

  // The message of the error that ended (or refused) the last run, empty when none did.
  const std::string& ErrorMessage() const { return Error_; }

  using TEntryCallback = void (TKtSearchThread::*)(const std::string& folder, const TDirEntry& entry);
  void WalkFolder(const std::string& folder, const std::string& mask, bool recursive,
                  TEntryCallback callback, std::uint32_t attrMask);
  void HandleEntry(const std::string& folder, const TDirEntry& entry);

  // The output's hand-overs to the owner's thread, with the pause gate.
  using TThread::Synchronize;
  using TThread::TryPost;

 protected:
  void Execute() override;

 private:
  void Search();
  void ShowProgress();
  // The finder readied for the request's words, case and mode.
  void ConfigureFinder(TBMHWordsFinder& finder) const;
  // The request's conditions on a file, when it has any. `e` then points at
  // the entry with the details the enumeration had left out.
  bool MeetsConditions(const TDirEntry& entry, const TDirEntry*& e);
  // A contents test's verdict, taken in walk order.
  void FinishContentTest(TContentJob& job);

  TSearchRequest Request;  // as given; read-only to the run
  std::string Folder_;     // the request's folder, full and normal
  TFolderSkip Skip_;       // the request's folders to skip
  TKtFileConditions Conditions_;  // the request's conditions, with the file values of the entry tested last
  TBMHWordsFinder Finder_;
  std::shared_ptr<const TWordSet> Words_;  // prepared once per run, read by every thread's finder
  IFileSystem& Fs_;
  ISearchOutput* Output_ = nullptr;
  TSearchProgress Progress_;
  IDirEnum* Files_ = nullptr;  // the listing the entry being handled comes from
  TDirEntry Details_;          // an entry with the details the enumeration left out
  TContentPool* Contents_ = nullptr;  // the tests that open the files, while the walk runs
  std::optional<unsigned> ContentHelpers_;  // as set; none: the search's own choice
  unsigned HelpersUsed_ = 0;
  bool Remote_ = false;  // the run's folder is on a network share
  // A test was cut short by Stop: from that file on, nothing more is judged.
  bool CutShort_ = false;
  bool AfterQueuedFile_ = false;  // the entry handled last was a file queued for its test
  std::string LastQueuedPath_;    // the path of the queued file whose verdict came last
  std::string Error_;
};

}  // namespace sorvik
