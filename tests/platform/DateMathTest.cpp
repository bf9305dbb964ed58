#include <gtest/gtest.h>

#include "DateMath.h"

namespace sorvik {
namespace {

TEST(DateMath, LeapYearsAndMonthLengths) {
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(2023));
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_EQ(DaysInMonth(2023, 4), 30);
  EXPECT_EQ(DaysInMonth(2023, 12), 31);
  EXPECT_TRUE(IsCalendarDay(2024, 2, 29));
  EXPECT_FALSE(IsCalendarDay(2100, 2, 29));
  EXPECT_FALSE(IsCalendarDay(2023, 4, 31));
  EXPECT_FALSE(IsCalendarDay(2023, 0, 1));
  EXPECT_FALSE(IsCalendarDay(2023, 13, 1));
  EXPECT_FALSE(IsCalendarDay(2023, 1, 0));
  EXPECT_EQ(SecondsOfDay(23, 59, 59), kSecondsPerDay - 1);
  EXPECT_EQ(DayFraction(SecondsOfDay(18, 0, 0)), 0.75);
}

}  // namespace
}  // namespace sorvik
