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

}  // namespace
}  // namespace sorvik
