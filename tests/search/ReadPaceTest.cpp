#include "ReadPace.h"

#include <gtest/gtest.h>

namespace sorvik {
namespace {

TReadWaits Reads(std::uint32_t reads, std::uint32_t waited) { return {reads, waited}; }

// The helpers wanted double while most reads wait, up to the most; hold while
// some wait; halve back to the least once nearly all come from memory; and a
// few reads decide nothing until enough have been told.
TEST(ReadPace, GrowsWhileReadsWaitAndShrinksWhenTheyDont) {
  TReadPace pace(1, 12);
  EXPECT_EQ(pace.Wanted(), 1u);
  EXPECT_FALSE(pace.Note(Reads(31, 31)));  // not yet enough to judge
  EXPECT_TRUE(pace.Note(Reads(1, 0)));     // 31 of 32 waited
  EXPECT_EQ(pace.Wanted(), 2u);
  const unsigned growing[] = {4, 8, 12, 12};
  for (unsigned want : growing) {
    pace.Note(Reads(16, 8));  // half waited
    pace.Note(Reads(16, 8));
    EXPECT_EQ(pace.Wanted(), want);
  }
  EXPECT_FALSE(pace.Note(Reads(32, 10)));  // some waited: the count holds
  EXPECT_EQ(pace.Wanted(), 12u);
  const unsigned shrinking[] = {6, 3, 1, 1};
  for (unsigned want : shrinking) {
    pace.Note(Reads(32, 4));  // one in eight waited
    EXPECT_EQ(pace.Wanted(), want);
  }
  // Tests that read nothing (a file that couldn't be opened) decide nothing.
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(pace.Note(Reads(0, 0)));

  // With no helpers to begin with (one core), the first growth adds one.
  TReadPace none(0, 31);
  none.Note(Reads(40, 40));
  EXPECT_EQ(none.Wanted(), 1u);
}

}  // namespace
}  // namespace sorvik
