#include "SearchDelivery.h"

#include <cstdio>
#include <exception>
#include <iterator>
#include <utility>

#include "Locale.h"
#include "uFinder.h"

namespace sorvik {

namespace {

// Rows the worker keeps before it waits for the owner to take them.
constexpr std::size_t kMaxPendingRows = 4096;

std::string MessageOf(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown error";
  }
}

}  // namespace

namespace {

std::string FormatMegabytes(double mb) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%8.3f", mb);
  std::string text = buf;
  const std::size_t dot = text.find('.');
  if (dot != std::string::npos) text.replace(dot, 1, DecimalSeparator());
  return text + " MB";
}

}  // namespace

std::string FormatMB(std::int64_t kb) { return FormatMegabytes(KBToMB(kb)); }

std::string FormatBytesAsMB(std::int64_t bytes) { return FormatMegabytes(static_cast<double>(bytes) / (1024.0 * 1024.0)); }

TPanelTexts PanelTexts(const TSearchProgress& p) {
  std::string status;
  if (p.Kind != TStatusKind::None) {
    status.reserve(4 + p.Path.size());
    status.append(p.Kind == TStatusKind::File ? "(F) " : "(D) ").append(p.Path);
  }
  // Files passed over because their test failed are said beside it, so that
  // a search that went on past them is not read as one that saw them all.
  if (p.FilesUnread > 0)
    status.append(" \xE2\x80\x94 ")
        .append(std::to_string(p.FilesUnread))
        .append(p.FilesUnread == 1 ? " file couldn't be read" : " files couldn't be read");
  return {std::to_string(p.EntriesExamined), std::to_string(p.FilesFound), FormatBytesAsMB(p.BytesFound), std::move(status)};
}

void TSearchDelivery::StartAnimation() {
  Worker_.Synchronize([this] { Sink_.SetAnimationActive(true); });
}

void TSearchDelivery::ShowProgress(const TSearchProgress& progress) {
  const auto now = std::chrono::steady_clock::now();
  const bool full = Pending_.size() >= kMaxPendingRows;
  // The first progress always goes (a steady clock may start near zero with the process).
  if (Delivered_ && now - LastDelivery_ < Interval_ && !full) return;
  Delivered_ = true;
  auto batch = TakeBatch(PanelTexts(progress));
  auto handOver = [this, batch] { HandOver(*batch); };
  try {
    if (full || Interval_.count() == 0) {
      // Too many rows waiting, or a hand-over after every entry: the worker waits
      // for the owner. Otherwise it goes on while the owner takes the batch.
      Worker_.Synchronize(handOver);
    } else if (!Worker_.TryPost(handOver)) {
      // The owner hasn't taken the last batch yet: these rows wait for the next.
      PutBack(*batch);
    }
  } catch (...) {
    // An earlier routine's error, thrown again before this batch was handed
    // over, ends the run: the batch's rows go with the closing hand-over.
    if (!batch->Taken) PutBack(*batch);
    throw;
  }
  LastDelivery_ = std::chrono::steady_clock::now();
}

std::shared_ptr<TSearchDelivery::TBatch> TSearchDelivery::TakeBatch(TPanelTexts panels) {
  // The rows and the panels as they stand now travel together; the owner may
  // take them while the worker goes on, so nothing it runs reads the worker's state.
  auto batch = std::make_shared<TBatch>();
  batch->Rows.swap(Pending_);
  batch->Panels = std::move(panels);
  return batch;
}

void TSearchDelivery::PutBack(TBatch& batch) {
  batch.Rows.insert(batch.Rows.end(), std::make_move_iterator(Pending_.begin()),
                    std::make_move_iterator(Pending_.end()));
  Pending_.swap(batch.Rows);
  batch.Rows.clear();
}

void TSearchDelivery::HandOver(TBatch& batch) {
  batch.Taken = true;
  std::exception_ptr error;
  auto offer = [&error](auto&& step) {
    try {
      step();
    } catch (...) {
      if (!error) error = std::current_exception();
    }
  };
  for (const TFoundFile& file : batch.Rows) offer([&] { Sink_.AddRow(file); });
  offer([&] { Sink_.ShowPanels(batch.Panels); });
  if (error) std::rethrow_exception(error);
}

void TSearchDelivery::SearchFinished(const TSearchProgress* progress, const std::string& error) {
  // What was found last, the exact final panels, the turn to idle and the
  // error, in one hand-over: a pause can't come between them. A refused run
  // shows blank counters, never a "0 found".
  auto batch = TakeBatch(progress ? PanelTexts(*progress) : TPanelTexts{});
  std::string message = error;
  // Runs a step; what it throws becomes the message unless there is one already.
  auto guarded = [&message](auto&& step) {
    try {
      step();
      return true;
    } catch (...) {
      if (message.empty()) message = MessageOf(std::current_exception());
      return false;
    }
  };
  auto close = [this, batch, &message, &guarded] {
    // Whatever fails here, the owner still turns idle and hears why.
    guarded([&] { HandOver(*batch); });
    guarded([&] { Sink_.SetAnimationActive(false); });
    guarded([&] { Sink_.SetSearchIdle(); });
    if (message.empty()) return;
    try {
      Sink_.ShowError(message);
    } catch (...) {
      // Nothing is left to tell it with.
    }
  };
  // A routine handed over earlier may have failed on the owner's thread; its
  // error comes back as this hand-over is asked for, before it is queued. It
  // becomes the run's error, and the closing hand-over is asked for again.
  for (int attempt = 0; attempt < 2; ++attempt)
    if (guarded([&] { Worker_.Synchronize(close); })) return;
}

}  // namespace sorvik
