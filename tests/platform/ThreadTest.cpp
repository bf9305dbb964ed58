#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Thread.h"

namespace sorvik {
namespace {

// A worker that counts through hand-overs until told to stop.
class TCounter : public TThread {
 public:
  ~TCounter() override { StopAndWait(); }
  std::atomic<int> Loops{0};
  std::vector<std::thread::id> HandOverThreads;
  int Limit = 1000000;
  bool ThrowInHandOver = false;
  std::string Caught;

 protected:
  void Execute() override {
    while (!Terminated() && Loops < Limit) {
      PollPause();
      try {
        Synchronize([this] {
          HandOverThreads.push_back(std::this_thread::get_id());
          if (ThrowInHandOver) throw std::runtime_error("from the hand-over");
        });
      } catch (const std::exception& e) {
        Caught = e.what();
        return;
      }
      ++Loops;
    }
  }
};

TEST(Thread, HandOversRunOnTheOwnerWhileItWaits) {
  TCounter t;
  t.Limit = 50;
  t.Resume();
  t.WaitFor();  // serves the 50 hand-overs; without that it would never return
  EXPECT_TRUE(t.Finished());
  EXPECT_EQ(t.Loops, 50);
  ASSERT_EQ(t.HandOverThreads.size(), 50u);
  for (auto id : t.HandOverThreads) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST(Thread, ErrorInHandOverReachesTheWorker) {
  TCounter t;
  t.ThrowInHandOver = true;
  t.Resume();
  t.WaitFor();
  EXPECT_EQ(t.Caught, "from the hand-over");
  EXPECT_EQ(t.Loops, 0);
}

// A worker that posts numbered hand-overs without waiting, then one it waits for.
class TPoster : public TThread {
 public:
  ~TPoster() override { StopAndWait(); }
  std::vector<int> Seen;  // owner's thread only
  std::atomic<int> Refused{0};
  bool ThrowInFirst = false;
  // The first routine holds the owner until the worker has been refused once.
  bool HoldFirst = false;
  std::string Caught;

 protected:
  void Execute() override {
    try {
      for (int i = 0; i < 200 && !Terminated(); ++i) {
        while (!TryPost([this, i] {
          Seen.push_back(i);
          while (HoldFirst && i == 0 && Refused == 0) std::this_thread::yield();
          if (ThrowInFirst && i == 0) throw std::runtime_error("posted");
        }))
          ++Refused;  // the last one is still waiting: nothing was handed over
      }
      Synchronize([this] { Seen.push_back(-1); });  // runs after every posted one
    } catch (const std::exception& e) {
      Caught = e.what();
    }
  }
};

TEST(Thread, PostedHandOversRunInOrderOneAtATime) {
  TPoster t;
  t.HoldFirst = true;  // the worker posts while a routine still runs
  t.Resume();
  t.WaitFor();
  ASSERT_EQ(t.Seen.size(), 201u);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(t.Seen[static_cast<std::size_t>(i)], i);
  EXPECT_EQ(t.Seen.back(), -1);

  // An exception in a posted routine reaches the worker at its next hand-over.
  TPoster u;
  u.ThrowInFirst = true;
  u.Resume();
  u.WaitFor();
  EXPECT_EQ(u.Caught, "posted");
}

TEST(Thread, PauseHaltsAndResumeContinues) {
  TCounter t;
  t.Resume();
  // Serve a few hand-overs, then close the gate.
  while (t.Loops < 10) t.CheckSynchronize();
  t.Suspend();
  EXPECT_TRUE(t.Suspended());
  // The worker may be waiting inside one hand-over that was queued before the gate closed.
  for (int i = 0; i < 20; ++i) {
    t.CheckSynchronize();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  const int halted = t.Loops;
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  t.CheckSynchronize();
  EXPECT_LE(t.Loops - halted, 1);
  const int after = t.Loops;
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  t.CheckSynchronize();
  EXPECT_EQ(t.Loops, after);  // nothing more while paused
  t.Resume();
  EXPECT_FALSE(t.Suspended());
  while (t.Loops < after + 10) t.CheckSynchronize();
  t.Terminate();
  t.WaitFor();
  EXPECT_TRUE(t.Finished());
}

TEST(Thread, TerminateReleasesAPausedWorker) {
  TCounter t;
  t.Resume();
  while (t.Loops < 3) t.CheckSynchronize();
  t.Suspend();
  t.Terminate();
  t.WaitFor();  // must not deadlock
  EXPECT_TRUE(t.Finished());
}

TEST(Thread, NeverStartedAndDestroyedWhileRunning) {
  { TCounter idle; EXPECT_FALSE(idle.Started()); }  // ends without running Execute
  TCounter* seen = nullptr;
  {
    TCounter running;
    running.Resume();
    while (running.Loops < 2) running.CheckSynchronize();
    seen = &running;
  }  // the destructor stops it, serving its pending hand-over
  EXPECT_NE(seen, nullptr);
}

}  // namespace
}  // namespace sorvik
