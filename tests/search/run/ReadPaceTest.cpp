#include "ReadPace.h"

#include <gtest/gtest.h>

namespace sorvik {
namespace {

using TClock = TReadPace::TClock;
using std::chrono::milliseconds;

constexpr std::uint32_t kWindow = TReadPace::kJudgedReads;

// Tells the pace a window of reads, `waited` in 32 of them waited, that took `took`.
struct TWindows {
  TReadPace Pace;
  TClock::time_point Now{};
  explicit TWindows(unsigned least, unsigned most) : Pace(least, most, TClock::time_point{}) {}
  unsigned Window(std::uint32_t waited, milliseconds took) {
    Now += took;
    Pace.Note({kWindow, waited * kWindow / 32}, Now);
    return Pace.Wanted();
  }
};

// While most reads wait and each growth makes the reads faster, the helpers
// double up to the most; they hold while some wait, and halve back to the
// least once nearly all come from memory. A few reads decide nothing.
TEST(ReadPace, GrowsWhileReadsWaitAndGrowthPaysAndShrinksWhenTheyDont) {
  TWindows w(1, 12);
  EXPECT_FALSE(w.Pace.Note({kWindow - 1, kWindow - 1}, w.Now));  // not yet enough to judge
  EXPECT_TRUE(w.Pace.Note({1, 0}, w.Now + milliseconds(64)));
  w.Now += milliseconds(64);
  EXPECT_EQ(w.Pace.Wanted(), 2u);
  // Each window of half-waited reads is faster than the one before.
  EXPECT_EQ(w.Window(16, milliseconds(32)), 4u);
  EXPECT_EQ(w.Window(16, milliseconds(16)), 8u);
  EXPECT_EQ(w.Window(16, milliseconds(8)), 12u);
  EXPECT_EQ(w.Window(32, milliseconds(4)), 12u);
  EXPECT_EQ(w.Window(10, milliseconds(8)), 12u);  // some waited: the count holds
  EXPECT_EQ(w.Window(4, milliseconds(8)), 6u);    // one in eight waited
  EXPECT_EQ(w.Window(4, milliseconds(8)), 3u);
  EXPECT_EQ(w.Window(0, milliseconds(8)), 1u);
  EXPECT_EQ(w.Window(0, milliseconds(8)), 1u);
  // Tests that read nothing (a file that couldn't be opened) decide nothing.
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(w.Pace.Note({0, 0}, w.Now));

  // With no helpers to begin with (one core), the first growth adds one.
  TWindows none(0, 31);
  EXPECT_EQ(none.Window(32, milliseconds(10)), 1u);
}

// Reads that wait on something more helpers don't help with: the growth that
// didn't make them faster is taken back, and the count grows no more.
TEST(ReadPace, AGrowthThatDoesntPayIsTakenBack) {
  TWindows w(1, 31);
  EXPECT_EQ(w.Window(32, milliseconds(10)), 2u);
  EXPECT_EQ(w.Window(32, milliseconds(5)), 4u);   // twice as fast: kept, and on
  EXPECT_EQ(w.Window(32, milliseconds(5)), 2u);   // no faster: back
  for (int i = 0; i < 5; ++i) EXPECT_EQ(w.Window(32, milliseconds(5)), 2u);
  EXPECT_EQ(w.Window(0, milliseconds(5)), 1u);    // from memory: down
  EXPECT_EQ(w.Window(32, milliseconds(5)), 2u);   // and up again, within the ceiling
  EXPECT_EQ(w.Window(32, milliseconds(1)), 2u);
}

}  // namespace
}  // namespace sorvik
