#include "Thread.h"

#include <utility>

namespace sorvik {

TThread::TThread() : Owner_(std::this_thread::get_id()) {}

TThread::~TThread() {
  // A derived class has already stopped the worker (StopAndWait); this is the
  // last guard against leaving a joinable thread behind.
  if (Thread_.joinable()) Thread_.join();
}

void TThread::StopAndWait() {
  if (!Started_) return;
  Terminate();
  WaitFor();
}

void TThread::Resume() {
  std::unique_lock lock(Lock_);
  if (!Started_) {
    Started_ = true;
    lock.unlock();
    Thread_ = std::thread([this] { Run(); });
    return;
  }
  Paused_ = false;
  Changed_.notify_all();
}

void TThread::Suspend() {
  std::lock_guard lock(Lock_);
  if (Started_ && !Finished_) Paused_ = true;
}

bool TThread::Suspended() const { return Paused_; }

void TThread::Terminate() {
  std::lock_guard lock(Lock_);
  Terminated_ = true;
  Changed_.notify_all();
}

bool TThread::Terminated() const { return Terminated_; }

bool TThread::Finished() const {
  std::lock_guard lock(Lock_);
  return Finished_;
}

void TThread::Run() {
  try {
    Execute();
  } catch (...) {
    Fatal_ = std::current_exception();
  }
  std::lock_guard lock(Lock_);
  Finished_ = true;
  Paused_ = false;
  Changed_.notify_all();
}

void TThread::PollPause() {
  if (!Paused_) return;  // the gate is open: no lock to take
  std::unique_lock lock(Lock_);
  Changed_.wait(lock, [this] { return !Paused_ || Terminated_; });
}

void TThread::Synchronize(const std::function<void()>& routine) {
  if (OnOwnerThread()) {
    routine();
    return;
  }
  // The pause gate is passed and the routine queued under one lock, so a pause
  // either stops the routine at the gate or finds it already queued. A posted
  // routine runs first.
  std::unique_lock lock(Lock_);
  Changed_.wait(lock, [this] { return (!Paused_ || Terminated_) && !Posted_ && !PostedRunning_; });
  RethrowPostedError(lock);
  Pending_ = &routine;
  PendingDone_ = false;
  PendingError_ = nullptr;
  Changed_.notify_all();
  if (Waker_) {
    lock.unlock();
    Waker_();
    lock.lock();
  }
  Changed_.wait(lock, [this] { return PendingDone_; });
  std::exception_ptr error = PendingError_;
  PendingError_ = nullptr;
  lock.unlock();
  if (error) std::rethrow_exception(error);
}

bool TThread::TryPost(std::function<void()> routine) {
  if (OnOwnerThread()) {
    routine();
    return true;
  }
  std::unique_lock lock(Lock_);
  Changed_.wait(lock, [this] { return !Paused_ || Terminated_; });
  RethrowPostedError(lock);
  if (Posted_ || PostedRunning_ || Pending_) return false;
  Posted_ = std::move(routine);
  Changed_.notify_all();
  lock.unlock();
  if (Waker_) Waker_();
  return true;
}

void TThread::RethrowPostedError(std::unique_lock<std::mutex>& lock) {
  if (!PostedError_) return;
  std::exception_ptr error = std::exchange(PostedError_, nullptr);
  lock.unlock();
  std::rethrow_exception(error);
}

void TThread::CheckSynchronize() {
  std::unique_lock lock(Lock_);
  if (Posted_ && !PostedRunning_) {
    // Until the routine has run, the worker's next hand-over waits: an error
    // it throws must reach that hand-over.
    std::function<void()> posted = std::exchange(Posted_, nullptr);
    PostedRunning_ = true;
    lock.unlock();
    std::exception_ptr error;
    try {
      posted();
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    PostedRunning_ = false;
    if (error) PostedError_ = error;
    Changed_.notify_all();
    return;
  }
  const std::function<void()>* routine = Pending_;
  if (!routine) return;
  Pending_ = nullptr;
  lock.unlock();
  std::exception_ptr error;
  try {
    (*routine)();
  } catch (...) {
    error = std::current_exception();
  }
  lock.lock();
  PendingError_ = error;
  PendingDone_ = true;
  Changed_.notify_all();
}

void TThread::WaitFor() {
  if (!Started_) return;
  if (OnOwnerThread()) {
    for (;;) {
      {
        std::unique_lock lock(Lock_);
        Changed_.wait(lock, [this] { return Finished_ || Pending_ != nullptr || Posted_; });
        if (Finished_ && Pending_ == nullptr && !Posted_) break;
      }
      CheckSynchronize();
    }
  } else {
    std::unique_lock lock(Lock_);
    Changed_.wait(lock, [this] { return Finished_; });
  }
  if (Thread_.joinable()) Thread_.join();
}

}  // namespace sorvik
