// The tests of a search that open a file (the contents test, or without words
// the locked test), spread over the cores: the walk queues each file that
// reached them, helper threads (and the walk itself when it runs ahead too far)
// test them, and the walk takes the verdicts back in the order it queued the
// files, so rows still reach the list in walk order.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FileSystem.h"
#include "ReadPace.h"
#include "SearchOutput.h"
#include "uFinder.h"

namespace sorvik {

// A file waiting for its test, or done with it.
struct TContentJob {
  std::string Folder;  // ends in the delimiter
  TDirEntry Entry;     // after a hit, with the details the enumeration had left out
  std::string Path;
  bool Found = false;
  bool CutShort = false;  // the test was ended by the interrupt (Stop)
  bool Failed = false;    // the test failed (out of memory, a reader's error): not found
  int ImageIndex = 0;     // a found file's small icon, when the pool looks them up
  // Where the walk stood before it reached this file: what a run cut short
  // here has judged. When the entry before it was the file queued just before,
  // its status is that file's path and is not copied here.
  std::int64_t ExaminedBefore = 0;
  bool AfterQueuedFile = false;
  TStatusKind StatusKindBefore = TStatusKind::None;
  std::string StatusBefore;
};

class TContentPool {
 public:
  // `own` is the walk's finder. `configure` readies a helper's finder exactly as
  // `own` is readied (words, case, mode). `interrupt` is asked before each test
  // and between the spans of a large file (see TBMHWordsFinder::SetInterrupt),
  // on whichever thread runs the test; true cuts the test short. With `icons`
  // a found file's icon is looked up where it was tested, never on the window's
  // thread (the walk's thread must hold a TIconThreadScope).
  // `reading`, when given, is called on the walk's thread with what a test
  // that takes long reads now ("path > entry" inside an archive or document):
  // every few tenths of a second while the walk waits for such a test, and as
  // each entry begins when the walk runs it itself.
  // With `mostHelpers` above `helpers`, the pool adds helpers, up to that
  // many, while the tests' reads wait for the disk, and lets them rest again
  // when the reads come from memory (see TReadPace); each added helper reads
  // at most kGrownHelperView at once.
  TContentPool(IFileSystem& fs, TBMHWordsFinder& own, unsigned helpers,
               const std::function<void(TBMHWordsFinder&)>& configure, std::function<bool()> interrupt,
               bool icons, std::function<void(const std::string& note)> reading = {}, unsigned mostHelpers = 0);
  // Lets the helpers finish the tests they are inside (cut short) and joins them.
  ~TContentPool();
  TContentPool(const TContentPool&) = delete;
  TContentPool& operator=(const TContentPool&) = delete;

  // Queues a file's job (on the walk's thread), then drains as Drain(false) does.
  void Submit(TContentJob job, const std::function<void(TContentJob&)>& finish);

  // Hands every job finished at the front of the queue to `finish`, in the
  // order they were queued, and keeps the backlog bounded: while too many tests
  // wait, the walk's thread runs the oldest itself. With `all`, returns only
  // when the queue is empty. An exception a helper's test threw is thrown here.
  void Drain(bool all, const std::function<void(TContentJob&)>& finish);

  // The most helpers that were testing files at once.
  unsigned MostHelpersUsed() const;

  // The largest read of a helper added while reads wait: 31 of them hold 8 MiB.
  static constexpr std::size_t kGrownHelperView = std::size_t{256} << 10;

 private:
  struct TSlot {
    TContentJob Job;
    std::atomic<bool> Done{false};  // set by the thread that tested it, without the lock
  };

  void DrainLocked(std::unique_lock<std::mutex>& lock, bool all, const std::function<void(TContentJob&)>& finish);
  void HelperLoop(TBMHWordsFinder& finder, unsigned index);
  // Starts the helper threads numbered up to `count` that aren't running yet (Lock_ held).
  void StartHelpers(unsigned count);
  // After each test while the pool may grow: how its reads went.
  void NoteReads(const TBMHWordsFinder& finder);
  void MarkDone(TSlot& slot);
  // Runs one test with `finder`, without the lock.
  void Test(TBMHWordsFinder& finder, TContentJob& job);
  void TestFile(TBMHWordsFinder& finder, TContentJob& job);
  // Each finder tells which entry of a package it reads (see Reading_).
  void WatchEntries(TBMHWordsFinder& finder);
  // The walk waits for the oldest test, telling what is read meanwhile.
  void WaitForFront(std::unique_lock<std::mutex>& lock);

  IFileSystem& Fs_;
  TBMHWordsFinder& Own_;
  std::function<bool()> Interrupt_;
  std::function<void(TBMHWordsFinder&)> Configure_;
  std::vector<std::unique_ptr<TBMHWordsFinder>> Finders_;  // one per helper started
  std::vector<std::thread> Helpers_;
  const unsigned BaseHelpers_;
  std::unique_ptr<TReadPace> Pace_;  // when the pool may grow
  std::size_t MaxQueued_;  // files queued at most
  bool Icons_;
  std::function<void(const std::string&)> Reading_;
  std::thread::id WalkThread_;
  // The entry a finder began last, as "path > entry", while its test lasts.
  std::mutex NoteLock_;
  std::string Note_;
  const TBMHWordsFinder* NoteOwner_ = nullptr;

  mutable std::mutex Lock_;
  std::condition_variable Work_;  // a job was queued, or the pool is closing
  std::condition_variable Done_;  // a job was finished
  std::deque<TSlot> Slots_;       // queued, in walk order; front is the oldest
  std::deque<TSlot*> Waiting_;    // not yet taken by any thread, oldest first
  std::size_t IdleHelpers_ = 0;
  unsigned Active_;               // helpers numbered below this take files; the others rest
  unsigned MostActive_;
  std::condition_variable Rest_;  // the helpers beyond Active_ wait here
  std::atomic<bool> WalkWaits_{false};  // the walk waits for the front job
  std::exception_ptr Error_;
  std::atomic<bool> Closing_{false};
};

// The helper threads a search uses by default: one fewer than the cores (the
// walk's thread tests files too), and no more than seven.
unsigned DefaultContentHelpers();

// The helper threads a search of a network share uses by default: more than
// the cores, since a helper there mostly waits for the server's answer.
unsigned RemoteContentHelpers();

// The helper threads a search without words uses by default on a local disk:
// each test is then an open and a close. Natively those are short system
// calls and the default keeps the cores busy; on Windows an open also waits
// (on the file system's filters, under Wine on its server), so one helper
// more keeps the cores busy while one of them waits.
unsigned LockedTestHelpers();

}  // namespace sorvik
