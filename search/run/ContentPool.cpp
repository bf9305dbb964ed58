#include "ContentPool.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <utility>

namespace sorvik {

namespace {
// Files queued at most: bounds the memory however far the walk could run ahead.
// While a large file's test holds the oldest place, the other helpers go on
// only as far as this reaches: with many helpers (on a share) it grows with
// them, which cut a search of 20,000 files with 2 ms per open and read from
// 3.7 s to 2.6 s at 31 helpers. The default helper counts stay within 512.
constexpr std::size_t kMaxQueued = 512;
constexpr std::size_t kQueuedPerHelper = 64;
// Files a helper takes at once.
constexpr std::size_t kClaimBatch = 16;
// Tests each helper may have waiting before the walk runs one itself.
constexpr std::size_t kAheadPerHelper = 256;
}  // namespace

unsigned DefaultContentHelpers() {
  // Beyond a few helpers the one walk can't keep them busy; each holds a read buffer.
  constexpr unsigned kMaxHelpers = 7;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 1 ? std::min(cores - 1, kMaxHelpers) : 0;
}

unsigned RemoteContentHelpers() {
  // Measured with sorvik-bench +latency=2 +remote on 20,000 files in 1,003
  // folders (2 cores): one read at a time took 53 s, 16 at once 3.7 s, 24 2.7 s,
  // 32 2.6 s, 48 2.5 s; by then the walk's own listings (1,003 x 2 ms) set the
  // pace. So 31 helpers and the walk: 32 reads at once.
  constexpr unsigned kRemoteHelpers = 31;
  return std::max(kRemoteHelpers, DefaultContentHelpers());
}

unsigned LockedTestHelpers() {
#ifdef _WIN32
  // Measured under Wine on 200,000 small files in 10,000 folders (2 cores):
  // one helper 20.3 s, two 14.6 s, where one thread opening every file takes 29 s.
  // Natively one helper more made the same search slower (0.38 s to 0.45 s).
  return DefaultContentHelpers() + 1;
#else
  return DefaultContentHelpers();
#endif
}

TContentPool::TContentPool(IFileSystem& fs, TBMHWordsFinder& own, unsigned helpers,
                           const std::function<void(TBMHWordsFinder&)>& configure, std::function<bool()> interrupt,
                           bool icons, std::function<void(const std::string&)> reading, unsigned mostHelpers)
    : Fs_(fs),
      Own_(own),
      Interrupt_(std::move(interrupt)),
      Configure_(configure),
      BaseHelpers_(helpers),
      Pace_(mostHelpers > helpers ? std::make_unique<TReadPace>(helpers, mostHelpers) : nullptr),
      MaxQueued_(std::max(kMaxQueued, std::size_t{std::max(helpers, mostHelpers)} * kQueuedPerHelper)),
      Icons_(icons),
      Reading_(std::move(reading)),
      WalkThread_(std::this_thread::get_id()),
      Active_(helpers),
      MostActive_(helpers) {
  WatchEntries(own);
  std::lock_guard lock(Lock_);
  StartHelpers(helpers);
}

void TContentPool::StartHelpers(unsigned count) {
  while (Finders_.size() < count) {
    auto finder = std::make_unique<TBMHWordsFinder>(Fs_);
    Configure_(*finder);
    if (Finders_.size() >= BaseHelpers_) finder->SetMaxViewSize(kGrownHelperView);
    finder->SetInterrupt([this] { return Closing_ || (Interrupt_ && Interrupt_()); });
    WatchEntries(*finder);
    const auto index = static_cast<unsigned>(Finders_.size());
    TBMHWordsFinder* f = finder.get();
    Finders_.push_back(std::move(finder));
    try {
      Helpers_.emplace_back([this, f, index] { HelperLoop(*f, index); });
    } catch (const std::system_error&) {
      // No more threads to be had: the pool goes on with those it has.
      Finders_.pop_back();
      return;
    }
  }
}

unsigned TContentPool::MostHelpersUsed() const {
  std::lock_guard lock(Lock_);
  return MostActive_;
}

void TContentPool::NoteReads(const TBMHWordsFinder& finder) {
  if (!Pace_->Note(finder.ReadWaits())) return;
  std::lock_guard lock(Lock_);
  if (Closing_) return;
  const unsigned wanted = Pace_->Wanted();
  StartHelpers(wanted);
  Active_ = std::min(wanted, static_cast<unsigned>(Finders_.size()));
  MostActive_ = std::max(MostActive_, Active_);
  // Those now wanted leave their rest; those no longer wanted go to it.
  Rest_.notify_all();
  Work_.notify_all();
}

void TContentPool::WatchEntries(TBMHWordsFinder& finder) {
  if (!Reading_) return;
  finder.SetEntryWatch([this, f = &finder](const std::string& entry) {
    std::string note;
    {
      std::lock_guard guard(NoteLock_);
      Note_.assign(f->FileName()).append(" > ").append(entry);
      NoteOwner_ = f;
      if (std::this_thread::get_id() == WalkThread_) note = Note_;
    }
    if (!note.empty()) Reading_(note);
  });
}

TContentPool::~TContentPool() {
  Own_.SetEntryWatch({});
  {
    std::lock_guard lock(Lock_);
    Closing_ = true;
  }
  Work_.notify_all();
  Rest_.notify_all();
  for (std::thread& t : Helpers_) t.join();
}

void TContentPool::Submit(TContentJob job, const std::function<void(TContentJob&)>& finish) {
  std::unique_lock lock(Lock_);  // the job was made before, so the lock is held briefly
  TSlot& slot = Slots_.emplace_back();
  slot.Job = std::move(job);
  Waiting_.push_back(&slot);
  if (IdleHelpers_ > 0) Work_.notify_one();
  DrainLocked(lock, false, finish);
}

void TContentPool::Drain(bool all, const std::function<void(TContentJob&)>& finish) {
  std::unique_lock lock(Lock_);
  DrainLocked(lock, all, finish);
}

void TContentPool::DrainLocked(std::unique_lock<std::mutex>& lock, bool all,
                               const std::function<void(TContentJob&)>& finish) {
  for (;;) {
    while (!Slots_.empty() && Slots_.front().Done) {
      TContentJob job = std::move(Slots_.front().Job);
      Slots_.pop_front();
      lock.unlock();
      finish(job);
      lock.lock();
    }
    if (Error_) std::rethrow_exception(std::exchange(Error_, nullptr));
    const bool full = Slots_.size() >= MaxQueued_;
    if (Waiting_.size() > Active_ * kAheadPerHelper || (!Waiting_.empty() && (all || full))) {
      // Too far ahead of the helpers: the oldest waiting test runs here.
      TSlot* slot = Waiting_.front();
      Waiting_.pop_front();
      lock.unlock();
      try {
        Test(Own_, slot->Job);
      } catch (...) {
        lock.lock();
        slot->Done = true;
        throw;
      }
      lock.lock();
      slot->Done = true;
      continue;
    }
    if (Slots_.empty() || (!all && !full)) return;
    // Every test left is in a helper's hands: wait for the oldest.
    WaitForFront(lock);
  }
}

void TContentPool::WaitForFront(std::unique_lock<std::mutex>& lock) {
  const auto done = [this] { return Slots_.front().Done.load(); };
  WalkWaits_ = true;
  if (!Reading_) {
    Done_.wait(lock, done);
  } else {
    // A long test (a large archive) says what it reads while the walk waits.
    constexpr auto kNoteEvery = std::chrono::milliseconds(250);
    while (!Done_.wait_for(lock, kNoteEvery, done)) {
      std::string note;
      {
        std::lock_guard guard(NoteLock_);
        note = Note_;
      }
      if (note.empty()) continue;
      WalkWaits_ = false;
      lock.unlock();
      Reading_(note);
      lock.lock();
      WalkWaits_ = true;
    }
  }
  WalkWaits_ = false;
}

void TContentPool::HelperLoop(TBMHWordsFinder& finder, unsigned index) {
  const TIconThreadScope icons;
  std::vector<TSlot*> claimed;
  std::unique_lock lock(Lock_);
  for (;;) {
    if (Closing_) return;
    if (index >= Active_) {
      Rest_.wait(lock);
      continue;
    }
    if (Waiting_.empty()) {
      ++IdleHelpers_;
      Work_.wait(lock);
      --IdleHelpers_;
      continue;
    }
    // A few files at once, at most half of those waiting, so that the lock is
    // taken once for them and the walk still finds some to test itself.
    const auto n = static_cast<std::ptrdiff_t>(std::min(kClaimBatch, (Waiting_.size() + 1) / 2));
    claimed.assign(Waiting_.begin(), Waiting_.begin() + n);
    Waiting_.erase(Waiting_.begin(), Waiting_.begin() + n);
    lock.unlock();
    for (TSlot* slot : claimed) {
      try {
        Test(finder, slot->Job);
      } catch (...) {
        std::lock_guard guard(Lock_);
        if (!Error_) Error_ = std::current_exception();
      }
      MarkDone(*slot);
    }
    lock.lock();
  }
}

void TContentPool::MarkDone(TSlot& slot) {
  slot.Done = true;
  // Done first, then the look at WalkWaits_ (the walk sets it before its last
  // look at Done): one of the two sees the other.
  if (WalkWaits_) {
    std::lock_guard guard(Lock_);
    Done_.notify_one();
  }
}

void TContentPool::Test(TBMHWordsFinder& finder, TContentJob& job) {
  if (Closing_ || (Interrupt_ && Interrupt_())) {
    job.CutShort = true;
    return;
  }
  // One file's failure is that file's alone: it is passed over, and the
  // search goes on with the next.
  try {
    TestFile(finder, job);
  } catch (...) {
    finder.DetachFile();
    job.Found = false;
    job.Failed = true;
  }
  if (Pace_) NoteReads(finder);
  if (Reading_) {
    std::lock_guard guard(NoteLock_);
    if (NoteOwner_ == &finder) {
      Note_.clear();
      NoteOwner_ = nullptr;
    }
  }
  if (job.Found && Icons_) job.ImageIndex = Fs_.SmallIconIndex(job.Path);
}

void TContentPool::TestFile(TBMHWordsFinder& finder, TContentJob& job) {
  if (!finder.HasWords()) {
    // No words: the locked test, which reads the details the walk left out.
    job.Found = Fs_.TestUnlocked(job.Path, job.Entry);
    return;
  }
  finder.AttachFile(job.Path);
  job.Found = finder.Find() > 0;
  job.CutShort = finder.Interrupted();
  if (job.Found && job.Entry.DetailsDeferred) {
    // Asked for after the read, the size may belong to a later version of the
    // file than the bytes that held the words: the size that was read goes with them.
    const auto size = static_cast<std::int64_t>(finder.AttachedSize());
    job.Found = Fs_.FillDetails(job.Path, job.Entry);
    job.Entry.Size = size;
  }
  finder.DetachFile();
}

}  // namespace sorvik
