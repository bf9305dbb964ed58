// The hit lines of one file at a time for the hit pane: a worker thread runs
// the line finder over the file and keeps what it finds for the owner, who
// takes it in batches when told that something new waits. Starting another
// file stops the one before at once: its worker is asked to stop, and nothing
// it finds after the switch reaches the owner, even while it winds down.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FileSystem.h"
#include "HitLines.h"
#include "WordSet.h"
#include "uFindThread.h"

namespace sorvik {

// The words of a search as its finder reads them (case, whole words, mode),
// prepared once for every file of its rows; a set without words when the
// request has none or they can't be prepared (the search refuses those).
std::shared_ptr<const TWordSet> HitWordsOf(const TSearchRequest& request);

enum class THitJobState : std::uint8_t {
  Idle,        // no file: nothing started, or the job was cancelled
  Running,     // lines may still come
  Done,        // every line of the file came
  Limit,       // the limit of lines came; the file holds more
  Unreadable,  // the file can't be read
  Stopped,     // ended before its end (by the finder, not by a switch)
};

// What the owner takes: the lines found since it last took, and where the job stands.
struct THitBatch {
  std::vector<THitLine> Lines;  // in the file's order
  THitJobState State = THitJobState::Idle;
  std::size_t Total = 0;        // the job's lines so far, these included
  std::uint64_t Generation = 0; // the job they are of (each Start and Cancel makes a new one)
  std::string LeftOut;          // once the job has ended: what the reading of a package left out
};

// The pane's note on a job, in a short sentence: where it stands with how many
// lines; `hasWords` false: the search that found the file had no words.
// `leftOut`: what the reading of a package left out, said after it.
std::string HitNote(THitJobState state, std::size_t lines, bool hasWords, const std::string& leftOut = {});

// Lines as text for the clipboard, one a line ending in CR LF: "12: text", and
// in a package "entry:12: text"; each line's text as it was kept (the pane
// keeps THitJob::kPaneLimits' context), with no mark where the line goes on.
std::string HitLinesText(const std::vector<const THitLine*>& lines);

class THitJob {
 public:
  // What the hit pane keeps of a line: up to 8,192 characters on each side of
  // its first hit, so that a copied line is whole up to that length; past
  // 32 MiB of lines' text in one file, the usual 200.
  static constexpr THitLineLimits kPaneLimits{10000, 8192, std::size_t{32} << 20};
  explicit THitJob(IFileSystem& fs = NativeFileSystem());
  // Every worker is asked to stop and waited for.
  ~THitJob();
  THitJob(const THitJob&) = delete;
  THitJob& operator=(const THitJob&) = delete;

  // Called on a worker thread when lines or the job's end wait to be taken, at
  // most once between two Takes; it must not call back into the job (post a
  // message instead). Set before the first Start.
  void SetNotify(std::function<void()> notify) { Notify_ = std::move(notify); }
  // For the jobs started after this call.
  void SetLimits(const THitLineLimits& limits) { Limits_ = limits; }

  // Finds the lines of the file at `path` holding the words (a package read by
  // what it holds when `inside`); the job before, if any, ends at once.
  void Start(const std::string& path, std::shared_ptr<const TWordSet> words, bool inside);
  // Ends the job, if any: Idle.
  void Cancel();

  // The lines of the current job not taken yet, and its state.
  THitBatch Take();
  THitJobState State() const;

 private:
  struct TWorker {
    std::thread Thread;
    std::atomic<bool> Finished{false};
  };
  void Run(TWorker& worker, std::uint64_t generation, std::string path, std::shared_ptr<const TWordSet> words,
           bool inside, THitLineLimits limits);
  // On a worker: a line of job `generation`; false once that job is no longer current.
  bool Deliver(std::uint64_t generation, const THitLine& line);
  void Finish(std::uint64_t generation, THitLinesEnd end, std::string leftOut);
  // Starts a new generation with the state: nothing of an older job gets in after this.
  void Switch(THitJobState state);
  // Joins the workers that have ended (owner's thread).
  void Reap();

  IFileSystem& Fs_;
  std::function<void()> Notify_;
  THitLineLimits Limits_;
  mutable std::mutex Lock_;
  // Changed under Lock_; workers read it without the lock to learn they are stale.
  std::atomic<std::uint64_t> Generation_{0};
  std::vector<THitLine> Pending_;
  THitJobState State_ = THitJobState::Idle;
  std::string LeftOut_;  // of the ended job
  std::size_t Total_ = 0;
  bool Notified_ = false;  // the owner was told and hasn't taken yet
  std::list<TWorker> Workers_;  // the current job's and those still winding down; owner's thread only
};

}  // namespace sorvik
