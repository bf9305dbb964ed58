#include <gtest/gtest.h>

#include "DosTime.h"

namespace sorvik {
namespace {

TEST(DosTime, FileTimeStampsAndPacking) {
  // 2024-02-29 13:45:31 UTC; seconds come out even.
  const FileTime ft = FileTimeFromUnix(1709214331);
  const TStamp s = StampFromFileTime(ft);
  EXPECT_EQ(s, (TStamp{2024, 2, 29, 13, 45, 30}));
  const auto packed = PackDosDateTime(s);
  ASSERT_TRUE(packed.has_value());
  EXPECT_EQ(*packed >> 16, ((2024u - 1980) << 9) | (2u << 5) | 29u);
  EXPECT_EQ(UnpackDosDateTime(*packed), s);
  // Outside the DOS years the stamp is still real.
  EXPECT_EQ(StampFromFileTime(0), (TStamp{1601, 1, 1, 0, 0, 0}));
  EXPECT_EQ(StampFromFileTime(FileTimeFromUnix(-1)), (TStamp{1969, 12, 31, 23, 59, 58}));
  EXPECT_FALSE(PackDosDateTime({1979, 12, 31, 23, 59, 58}).has_value());
  EXPECT_FALSE(PackDosDateTime({2108, 1, 1, 0, 0, 0}).has_value());
  EXPECT_TRUE(PackDosDateTime({2107, 12, 31, 23, 59, 58}).has_value());
}

TEST(DosTime, OleDateTime) {
  EXPECT_DOUBLE_EQ(StampToDateTime({1899, 12, 30, 0, 0, 0}), 0.0);
  EXPECT_DOUBLE_EQ(StampToDateTime({1900, 1, 1, 12, 0, 0}), 2.5);
  EXPECT_DOUBLE_EQ(StampToDateTime({2000, 1, 1, 6, 0, 0}), 36526.25);
  EXPECT_DOUBLE_EQ(StampToDateTime({1899, 12, 29, 6, 0, 0}), -1.25);
}

// Every day from 1600 to 2400 (leap centuries and plain ones, both sides of
// 1970) comes back from its day count, and the next count is the next day.
TEST(DosTime, CivilDaysRoundTrip) {
  const std::int64_t first = DaysFromCivil(1600, 1, 1), last = DaysFromCivil(2400, 12, 31);
  int year = 1600, month = 1, day = 1;
  for (std::int64_t d = first; d <= last; ++d) {
    int y = 0, m = 0, dd = 0;
    CivilFromDays(d, y, m, dd);
    ASSERT_EQ(y * 10000 + m * 100 + dd, year * 10000 + month * 100 + day) << d;
    ASSERT_EQ(DaysFromCivil(y, m, dd), d);
    if (++day > DaysInMonth(year, month)) {
      day = 1;
      if (++month > 12) month = 1, ++year;
    }
  }
  EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
  EXPECT_EQ(DaysFromCivil(1899, 12, 30), -kUnixEpochDateTime);
}

}  // namespace
}  // namespace sorvik
