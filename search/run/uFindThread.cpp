#include "uFindThread.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <utility>

#include "Locale.h"

namespace sorvik {

namespace {

// The start of a text, cut at a character boundary, for a message.
std::string Shortened(const std::string& text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  std::size_t n = maxBytes;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;  // not inside a UTF-8 character
  return text.substr(0, n) + "...";
}

// The drive part of a folder text ("Q:" of "Q:\data", also after a "\\?\" or
// "\\.\" prefix), empty when it has none.
std::string DrivePart(const std::string& folder) {
  const std::size_t at = folder.size() > 4 && folder[0] == '\\' && folder[1] == '\\' && folder[3] == '\\' ? 4 : 0;
  return folder.size() >= at + 2 && folder[at + 1] == ':' ? folder.substr(at, 2) : std::string();
}

bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

// The most a finder reads at once from a share. A reader keeps a buffer as
// large as its largest read (else up to 4 MiB on Windows and 1 MiB on Linux),
// one per helper, and a Stop or Close waits for the reads under way: 32 reads
// of 256 KiB hold 8 MiB in all and end within about 75 ms on gigabit Ethernet.
constexpr std::size_t kRemoteView = std::size_t{256} << 10;

}  // namespace

std::string RequestProblem(IFileSystem& fs, const TSearchRequest& request) {
  if (IsBlank(request.Folder)) return "Enter a folder to search in";
  if (SplitMasks(request.Mask).empty()) return "Enter a file mask, such as *.*";
  // A folder is skipped by its name wherever it is; a path names no folder's name.
  if (const std::string path = TFolderSkip(request.SkipFolders).PathItem(); !path.empty())
    return "Skip folders takes folder names, not paths: " + Shortened(path, 40);
  // The folder as the walk takes it; the messages name it as typed.
  switch (fs.Kind(fs.FullFolder(request.Folder))) {
    case TPathKind::Folder: break;
    case TPathKind::File: return "Not a folder: " + request.Folder;
    case TPathKind::NoVolume: return "Drive not found: " + DrivePart(request.Folder);
    case TPathKind::Missing: return "Folder not found: " + request.Folder;
    case TPathKind::Unreadable: return "Can't read folder: " + request.Folder;
  }
  // The finder's limit applies to each word as it reaches the finder (the exact
  // text as one word); the message names the word as typed.
  // An empty field searches names only in every mode; in exact mode anything
  // else, blanks and quotes too, is the text looked for.
  const std::vector<std::string> words = request.MatchMode != TMatchMode::Exact ? SplitWords(request.Words)
                                         : request.Words.empty()              ? std::vector<std::string>{}
                                                                              : std::vector<std::string>{request.Words};
  for (const std::string& word : words)
    if (TypedLength(word) > kMaxWordLength)
      return "Word longer than " + std::to_string(kMaxWordLength) + " characters: \"" + Shortened(word, 24) + "\"";
  // Quotes with nothing between them give an empty word, which the finder
  // passes over: with no other word, no file would be found.
  if (!words.empty() && std::all_of(words.begin(), words.end(), [](const std::string& w) { return w.empty(); }))
    return "Enter a word between the quotes";
  if (!request.Conditions.Problem.empty()) return request.Conditions.Problem;
  return {};
}

TKtSearchThread::TKtSearchThread(IFileSystem& fs) : Finder_(fs), Fs_(fs) {}

TKtSearchThread::~TKtSearchThread() { StopAndWait(); }

void TKtSearchThread::SetRequest(TSearchRequest request) {
  if (Started()) throw std::logic_error("The search request is set before the search starts");
  Request = std::move(request);
}

void TKtSearchThread::Execute() {
  Progress_ = {};
  HelpersUsed_ = 0;
  CutShort_ = false;
  Error_.clear();
  bool refused = false;
  try {
    Error_ = RequestProblem(Fs_, Request);
    refused = !Error_.empty();
    if (!refused) {
      Folder_ = Fs_.FullFolder(Request.Folder);
      Skip_ = TFolderSkip(Request.SkipFolders);
      Search();
    }
  } catch (const std::exception& e) {
    Error_ = e.what();
  } catch (...) {
    Error_ = "Unknown error";
  }
  // The closing call comes however the run ended.
  if (Output_) Output_->SearchFinished(refused ? nullptr : &Progress_, Error_);
}

void TKtSearchThread::Search() {
  const TIconThreadScope icons;  // this thread tests files too
  Words_ = std::make_shared<const TWordSet>(WordQueryOf(Request));
  // On a share the tests mostly wait for the network: more of them at once.
  Remote_ = Fs_.IsRemote(Folder_);
  HelpersUsed_ = ContentHelpers_.value_or(Remote_             ? RemoteContentHelpers()
                                           : Words_->HasText() ? DefaultContentHelpers()
                                                               : LockedTestHelpers());
  ConfigureFinder(Finder_);
  ShowProgress();
  if (Terminated()) return;
  // Stop and Pause reach into a large file between the spans of its scan.
  auto interrupt = [this] {
    PollPause();
    return Terminated();
  };
  Finder_.SetInterrupt(interrupt);
  // While a large archive or document is read, the status names the entry.
  auto reading = [this](const std::string& note) {
    if (!Output_) return;
    TSearchProgress progress = Progress_;
    progress.Kind = TStatusKind::File;
    progress.Path = note;
    Output_->ShowProgress(progress);
  };
  // On a local disk the contents tests take more helpers while their reads
  // wait for the disk, as many as on a share.
  const unsigned mostHelpers =
      !ContentHelpers_ && !Remote_ && Words_->HasText() ? RemoteContentHelpers() : HelpersUsed_;
  TContentPool pool(Fs_, Finder_, HelpersUsed_, [this](TBMHWordsFinder& f) { ConfigureFinder(f); }, interrupt,
                    Request.Icons, reading, mostHelpers);
  Contents_ = &pool;
  struct TUnset {
    TContentPool*& Pool;
    ~TUnset() { Pool = nullptr; }
  } unset{Contents_};
  if (Output_) Output_->StartAnimation();
  Conditions_ = Request.Conditions;
  WalkFolder(Folder_, Request.Mask, Request.Recursive, &TKtSearchThread::HandleEntry, faAnyFile);
  // The files still in their tests; contents tests are cut short after a Stop.
  pool.Drain(true, [this](TContentJob& job) { FinishContentTest(job); });
  HelpersUsed_ = pool.MostHelpersUsed();
}

void TKtSearchThread::WalkFolder(const std::string& folder, const std::string& mask, bool recursive,
                                 TEntryCallback callback, std::uint32_t attrMask) {
  struct TVisitor : TFolderWalk::IVisitor {
    TKtSearchThread& Thread;
    TEntryCallback Callback;
    TVisitor(TKtSearchThread& thread, TEntryCallback callback) : Thread(thread), Callback(callback) {}
    void EnterFolder(const std::string& f) override {
      if (Thread.CutShort_) return;
      Thread.AfterQueuedFile_ = false;
      Thread.Progress_.Kind = TStatusKind::Folder;
      Thread.Progress_.Path.assign(f);
      Thread.ShowProgress();
    }
    void Entry(const std::string& f, const TDirEntry& entry, IDirEnum& listing) override {
      Thread.Files_ = &listing;
      (Thread.*Callback)(f, entry);
      Thread.Files_ = nullptr;
    }
    bool Stopped() override {
      Thread.PollPause();
      return Thread.Terminated();
    }
  } visitor(*this, callback);
  TFolderWalk(Fs_).Walk(folder, mask, recursive, attrMask, visitor, &Skip_);
}

void TKtSearchThread::HandleEntry(const std::string& folder, const TDirEntry& entry) {
  if (CutShort_) return;  // stopped: the walk ends at its next stop point
  const TDirEntry* e = &entry;
  const bool test = (entry.Attr & faDirectory) == 0 && Contents_ && MeetsConditions(entry, e);
  if (test) {
    // The test that opens the file (the contents, or the locked test without
    // words) runs on whichever core is free; its verdict comes back in walk
    // order. The job remembers where the walk stood before it, for a Stop.
    TContentJob job;
    job.Folder = folder;
    job.Entry = *e;
    job.Path.assign(folder).append(entry.Name);
    job.ExaminedBefore = Progress_.EntriesExamined;
    job.AfterQueuedFile = AfterQueuedFile_;
    if (!AfterQueuedFile_) {
      job.StatusKindBefore = Progress_.Kind;
      job.StatusBefore = Progress_.Path;
    }
    Contents_->Submit(std::move(job), [this](TContentJob& j) { FinishContentTest(j); });
    if (CutShort_) return;  // an earlier file was cut short: this one was not judged
  }
  AfterQueuedFile_ = test;
  Progress_.Kind = TStatusKind::File;
  Progress_.Path.assign(folder).append(entry.Name);  // in place: no allocation per entry
  ++Progress_.EntriesExamined;
  ShowProgress();
}

bool TKtSearchThread::MeetsConditions(const TDirEntry& entry, const TDirEntry*& e) {
  if (Conditions_.Count() == 0) return true;
  // The size and times, where the enumeration left them out, are asked for
  // now; a file gone by then is not found.
  if (entry.DetailsDeferred) {
    Details_ = entry;
    if (!Files_ || !Files_->FillDetails(Details_)) return false;
    e = &Details_;
  }
  Conditions_.LoadFileValues(*e);
  return Conditions_.Matches();
}

void TKtSearchThread::FinishContentTest(TContentJob& job) {
  if (CutShort_) return;  // after a file cut short, nothing counts
  if (job.CutShort) {
    // Stop came before this file's test ended: the run ends where the walk
    // stood before it, so the counters and the status name only what was judged.
    CutShort_ = true;
    Progress_.EntriesExamined = job.ExaminedBefore;
    if (job.AfterQueuedFile) {
      Progress_.Kind = TStatusKind::File;
      Progress_.Path.swap(LastQueuedPath_);
    } else {
      Progress_.Kind = job.StatusKindBefore;
      Progress_.Path = std::move(job.StatusBefore);
    }
    return;
  }
  LastQueuedPath_.swap(job.Path);  // the status before the next file, if it comes right after
  if (job.Failed) ++Progress_.FilesUnread;
  if (!job.Found) return;
  TDirEntry& e = job.Entry;
  ++Progress_.FilesFound;
  Progress_.KBFound += e.Size / 1024;
  Progress_.BytesFound += e.Size;
  if (Output_)
    Output_->AddResultRow({std::move(e.Name), std::move(job.Folder), e.Size, e.LocalWrite, e.FindData.LastAccessTime,
                           e.FindData.CreationTime, job.ImageIndex});
}

void TKtSearchThread::ShowProgress() {
  if (Output_) Output_->ShowProgress(Progress_);
}

void TKtSearchThread::ConfigureFinder(TBMHWordsFinder& finder) const {
  finder.Use(Words_);
  finder.SetSearchInside(Request.InsideDocuments);
  finder.SetMaxViewSize(Remote_ ? kRemoteView : kDefaultMaxView);
}

}  // namespace sorvik
