// A worker thread with the hand-over machinery the window relies on:
// Synchronize (run a routine on the owner's thread while the worker waits),
// TryPost (hand one over without waiting for it),
// Terminate/Terminated, WaitFor (which keeps serving hand-overs when the owner
// waits), and a cooperative pause gate (Suspend/Resume/Suspended).
//
// Pause is cooperative: the worker halts only at its own poll points
// (PollPause, called before each entry and on the way into every hand-over),
// where it holds no lock and is inside no hand-over.
#pragma once

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace sorvik {

class TThread {
 public:
  // Created not yet running, owned by the calling (owner) thread.
  TThread();
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Starts a worker not yet running, or opens the pause gate of a running one.
  void Resume();
  // Closes the pause gate: the worker halts at its next poll point.
  void Suspend();
  bool Suspended() const;

  // Asks the worker to stop; also releases a closed pause gate.
  void Terminate();
  bool Terminated() const;

  bool Started() const { return Started_; }
  bool Finished() const;

  // Waits for the worker's end. On the owner's thread pending hand-overs keep
  // running meanwhile. Returns at once for a worker never started.
  void WaitFor();

  // Called by the owner when the waker fired: runs the pending hand-over, if any.
  void CheckSynchronize();

  // Called on the worker whenever a hand-over is queued, so the owner's message
  // loop wakes up and calls CheckSynchronize (a posted window message on Win32).
  void SetWaker(std::function<void()> waker) { Waker_ = std::move(waker); }

  // The exception that ended Execute, if one escaped it.
  std::exception_ptr FatalException() const { return Fatal_; }

 protected:
  virtual void Execute() = 0;

  // Runs `routine` on the owner's thread and waits for it; an exception thrown
  // there is thrown again here. Called on the owner's thread it runs directly.
  void Synchronize(const std::function<void()>& routine);

  // Hands `routine` to the owner's thread and returns without waiting for it to
  // run: true. While an earlier hand-over still waits to run, nothing is handed
  // over: false. The pause gate applies as for Synchronize. An exception the
  // routine throws is thrown again by the worker's next hand-over. Called on
  // the owner's thread it runs directly.
  bool TryPost(std::function<void()> routine);

  // A poll point: halts here while the pause gate is closed.
  void PollPause();

  // Ends a worker still running; derived destructors call it first, so that
  // Execute never runs against a half-destroyed object.
  void StopAndWait();

 private:
  void Run();
  bool OnOwnerThread() const { return std::this_thread::get_id() == Owner_; }
  // With the lock held: an exception a posted routine threw, thrown here.
  void RethrowPostedError(std::unique_lock<std::mutex>& lock);

  mutable std::mutex Lock_;
  std::condition_variable Changed_;
  std::thread Thread_;
  std::thread::id Owner_;
  std::function<void()> Waker_;
  const std::function<void()>* Pending_ = nullptr;  // a Synchronize waiting for its routine
  std::function<void()> Posted_;                    // a routine handed over by TryPost
  bool PostedRunning_ = false;                      // ... and now running on the owner's thread
  std::exception_ptr PostedError_;
  std::exception_ptr PendingError_;
  bool PendingDone_ = false;
  std::exception_ptr Fatal_;
  bool Started_ = false;
  bool Finished_ = false;
  // Changed under Lock_ (so the waits see them), read without it by the worker's poll points.
  std::atomic<bool> Paused_{false};
  std::atomic<bool> Terminated_{false};
};

}  // namespace sorvik
