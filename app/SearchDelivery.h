// The delivery of a search's results to its owner: the worker's typed results
// (files found, progress, the end) become rows and panel texts that reach a
// sink on the owner's thread, in batches, paced, held at the pause gate, and
// always closed by one last hand-over that turns the owner idle.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FileSystem.h"
#include "SearchOutput.h"
#include "uFindThread.h"

namespace sorvik {

// The four status panels: entries examined, files found, their size, and
// where the walk stands ("(F) " a file, "(D) " a folder).
using TPanelTexts = std::array<std::string, 4>;
TPanelTexts PanelTexts(const TSearchProgress& progress);

// Status panel 2: "%8.3f MB" of the kilobytes, with the user's decimal separator.
std::string FormatMB(std::int64_t kb);
// The status bar's total: the files' sizes added as bytes, shown in MB.
std::string FormatBytesAsMB(std::int64_t bytes);

// What a search tells its owner, always on the owner's thread.
class ISearchSink {
 public:
  virtual ~ISearchSink() = default;
  // A found file, in walk order.
  virtual void AddRow(const TFoundFile& file) = 0;
  virtual void ShowPanels(const TPanelTexts& panels) = 0;
  virtual void SetAnimationActive(bool active) = 0;
  // The search is over (the last call of a run but for ShowError).
  virtual void SetSearchIdle() = 0;
  // Why the search ended early or could not run.
  virtual void ShowError(const std::string& message) = 0;
};

class TSearchDelivery : public ISearchOutput {
 public:
  // Hands over through `worker` (its pause gate applies) to `sink`.
  TSearchDelivery(TKtSearchThread& worker, ISearchSink& sink) : Worker_(worker), Sink_(sink) {}

  // Rows found and progress travel together, at most this often, in one
  // hand-over (and at the end). Zero hands over after every entry, waiting for
  // the owner to take each.
  static constexpr std::chrono::milliseconds kDefaultInterval{50};
  void SetInterval(std::chrono::milliseconds interval) { Interval_ = interval; }

  // ISearchOutput, on the worker's thread.
  void StartAnimation() override;
  void AddResultRow(TFoundFile file) override { Pending_.push_back(std::move(file)); }
  void ShowProgress(const TSearchProgress& progress) override;
  void SearchFinished(const TSearchProgress* progress, const std::string& error) override;

 private:
  struct TBatch {
    std::vector<TFoundFile> Rows;
    TPanelTexts Panels;
    bool Taken = false;  // the owner has begun to take it (written on the owner's thread)
  };
  std::shared_ptr<TBatch> TakeBatch(TPanelTexts panels);
  // A batch that never reached the owner: its rows wait, in walk order, for the next hand-over.
  void PutBack(TBatch& batch);
  // On the owner's thread: the batch's rows into the list, then its panels.
  // Every row is offered even when one fails; the first failure is thrown at the end.
  void HandOver(TBatch& batch);

  TKtSearchThread& Worker_;
  ISearchSink& Sink_;
  std::chrono::milliseconds Interval_ = kDefaultInterval;
  std::chrono::steady_clock::time_point LastDelivery_{};
  bool Delivered_ = false;
  std::vector<TFoundFile> Pending_;  // found since the last hand-over
};

// A worker and the delivery of its results to a sink: what an owner starts.
class TSearchRun {
 public:
  explicit TSearchRun(ISearchSink& sink, IFileSystem& fs = NativeFileSystem())
      : Delivery_(Worker_, sink), Worker_(fs) {
    Worker_.SetOutput(&Delivery_);
  }
  TKtSearchThread& Worker() { return Worker_; }
  const TKtSearchThread& Worker() const { return Worker_; }
  TSearchDelivery& Delivery() { return Delivery_; }

 private:
  // Declared first, so the worker (which ends its run when destroyed) goes first.
  TSearchDelivery Delivery_;
  TKtSearchThread Worker_;
};

}  // namespace sorvik
