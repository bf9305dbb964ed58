#include "uFindThread.h"

#include <cstdio>
#include <memory>

#include "Locale.h"

namespace sorvik {

TResultRow MakeResultRow(const TFoundFile& file) {
  TResultRow row;
  row.Caption = file.Name;
  row.ImageIndex = file.ImageIndex;
  row.SubItems[0] = file.Folder;
  row.SubItems[1] = std::to_string(file.Size);
  row.SubItems[2] = DateTimeToStr(file.Modified);
  row.SubItems[3] = DateTimeToStr(StampFromFileTime(file.Accessed));
  row.SubItems[4] = DateTimeToStr(StampFromFileTime(file.Created));
  return row;
}

std::string FormatMB(std::int64_t kb) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%8.3f", KBToMB(kb));
  std::string text = buf;
  const std::size_t dot = text.find('.');
  if (dot != std::string::npos) text.replace(dot, 1, DecimalSeparator());
  return text + " MB";
}

TKtSearchThread::TKtSearchThread(ISearchWindow* window, IFileSystem& fs)
    : Finder_(fs), Fs_(fs), Window_(window) {}

TKtSearchThread::~TKtSearchThread() { StopAndWait(); }

void TKtSearchThread::Execute() {
  EntriesExamined_ = 0;
  CutShort_ = false;
  FilesFound_ = 0;
  KBFound_ = 0;
  StatusText_.clear();
  Error_.clear();
  PendingRows_.clear();
  LastDelivery_ = {};
  try {
    const TIconThreadScope icons;  // this thread tests files too
    ShowProgress();
    if (Request.ResultList && !Terminated()) {
      ConfigureFinder(Finder_);
      // Stop and Pause reach into a large file between the spans of its scan.
      auto interrupt = [this] {
        PollPause();
        return Terminated();
      };
      Finder_.SetInterrupt(interrupt);
      auto pool = std::make_unique<TContentPool>(
          Fs_, Finder_, ContentHelpers_, [this](TBMHWordsFinder& f) { ConfigureFinder(f); }, interrupt,
          Request.Icons);
      Contents_ = pool.get();
      struct TUnset {
        TContentPool*& Pool;
        ~TUnset() { Pool = nullptr; }
      } unset{Contents_};
      StartAnimation();
      WalkFolder(Request.Folder, Request.Mask, Request.Recursive, &TKtSearchThread::HandleEntry, faAnyFile);
      // The files still in their tests; contents tests are cut short after a Stop.
      pool->Drain(true, [this](TContentJob& job) { FinishContentTest(job); });
    }
  } catch (const std::exception& e) {
    Error_ = e.what();
  } catch (...) {
    Error_ = "Unknown error";
  }
  // The closing hand-over runs however the walk ended; a failure in it has no
  // one left to hear of it.
  try {
    SearchFinished();
  } catch (...) {
  }
}

void TKtSearchThread::WalkFolder(const std::string& folder, const std::string& mask, bool recursive,
                                 TEntryCallback callback, std::uint32_t attrMask) {
  struct TVisitor : TFolderWalk::IVisitor {
    TKtSearchThread& Thread;
    TEntryCallback Callback;
    TVisitor(TKtSearchThread& thread, TEntryCallback callback) : Thread(thread), Callback(callback) {}
    void EnterFolder(const std::string& f) override {
      Thread.StatusText_.assign("(D) ").append(f);
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
  TFolderWalk(Fs_).Walk(folder, mask, recursive, attrMask, visitor);
}

void TKtSearchThread::HandleEntry(const std::string& folder, const TDirEntry& entry) {
  StatusText_.assign("(F) ").append(folder).append(entry.Name);  // in place: no allocation per entry
  ++EntriesExamined_;
  const TDirEntry* e = &entry;
  if ((entry.Attr & faDirectory) == 0 && Contents_ && MeetsConditions(entry, e)) {
    // The test that opens the file (the contents, or the locked test without
    // words) runs on whichever core is free; its verdict comes back in walk order.
    Contents_->Submit(folder, *e, Path_.assign(folder).append(entry.Name),
                      [this](TContentJob& job) { FinishContentTest(job); });
  }
  ShowProgress();
}

bool TKtSearchThread::MeetsConditions(const TDirEntry& entry, const TDirEntry*& e) {
  if (!Request.Conditions || Request.Conditions->Count() == 0) return true;
  // The size and times, where the enumeration left them out, are asked for
  // now; a file gone by then is not found.
  if (entry.DetailsDeferred) {
    Details_ = entry;
    if (!Files_ || !Files_->FillDetails(Details_)) return false;
    e = &Details_;
  }
  Request.Conditions->LoadFileValues(*e);
  return Request.Conditions->Matches();
}

void TKtSearchThread::FinishContentTest(TContentJob& job) {
  if (job.CutShort) CutShort_ = true;
  if (job.Found) AddFound(job.Folder, job.Entry, job.ImageIndex);
}

void TKtSearchThread::AddFound(const std::string& folder, const TDirEntry& e, int imageIndex) {
  if (Request.ResultList)
    PendingRows_.push_back(
        {e.Name, folder, e.Size, e.LocalWrite, e.FindData.LastAccessTime, e.FindData.CreationTime, imageIndex});
  ++FilesFound_;
  KBFound_ += e.Size / 1024;
}

void TKtSearchThread::ConfigureFinder(TBMHWordsFinder& finder) const {
  finder.SetWords(Utf8ToAnsi(Request.Words));
  finder.SetIgnoreCase(!Request.CaseSensitive);
  finder.SetWholeWords(Request.WholeWords);
  finder.SetMatchMode(Request.MatchMode);
}

namespace {
// Rows the worker keeps before it waits for the window to take them.
constexpr std::size_t kMaxPendingRows = 4096;
}  // namespace

void TKtSearchThread::ShowProgress() {
  const auto now = std::chrono::steady_clock::now();
  const bool full = PendingRows_.size() >= kMaxPendingRows;
  if (now - LastDelivery_ < DeliveryInterval_ && !full) return;
  // Too many rows waiting, or a hand-over after every entry: the worker waits
  // for the window. Otherwise it goes on while the window takes the batch.
  Deliver(full || DeliveryInterval_.count() == 0);
}

std::shared_ptr<TKtSearchThread::TBatch> TKtSearchThread::TakeBatch() {
  // The rows and the panels as they stand now travel together; the window may
  // take them while the worker goes on, so nothing the window runs reads the
  // worker's counters later.
  auto batch = std::make_shared<TBatch>();
  batch->Rows.swap(PendingRows_);
  batch->Panels = {std::to_string(EntriesExamined_), std::to_string(FilesFound_), FormatMB(KBFound_), StatusText_};
  return batch;
}

void TKtSearchThread::HandOver(TBatch& batch) {
  if (Request.ResultList) {
    for (const TFoundFile& file : batch.Rows) Request.ResultList->AddRow(file);
  }
  if (Window_) Window_->ShowPanels(batch.Panels);
}

void TKtSearchThread::Deliver(bool wait) {
  auto batch = TakeBatch();
  auto handOver = [this, batch] { HandOver(*batch); };
  if (wait) {
    Synchronize(handOver);
  } else if (!TryPost(handOver)) {
    // The window hasn't taken the last batch yet: these rows wait for the next.
    PendingRows_.swap(batch->Rows);
  }
  LastDelivery_ = std::chrono::steady_clock::now();
}

void TKtSearchThread::StartAnimation() {
  Synchronize([this] {
    if (Window_) Window_->SetAnimationActive(true);
  });
}

void TKtSearchThread::SearchFinished() {
  // What was found last, the exact final counts and the turn to idle, in one
  // hand-over: a pause can't come between them and leave its own panel text
  // over the final one.
  auto batch = TakeBatch();
  Synchronize([this, batch] {
    HandOver(*batch);
    if (Window_) {
      Window_->SetAnimationActive(false);
      Window_->SetSearchIdle();
    }
  });
}

}  // namespace sorvik
