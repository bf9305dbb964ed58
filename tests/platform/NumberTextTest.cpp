#include <gtest/gtest.h>

#include "NumberText.h"

namespace sorvik {
namespace {

TEST(NumberText, DigitRunsStopAtTheirLimit) {
  // A run ends at a non-digit or after maxDigits; no digit is a run of none.
  auto run = ReadDecimalRun("2024-01", kNoDigitLimit);
  ASSERT_TRUE(run.has_value());
  EXPECT_EQ(run->Value, 2024u);
  EXPECT_EQ(run->Length, 4u);
  run = ReadDecimalRun("20240131", kNoDigitLimit, 4);
  ASSERT_TRUE(run.has_value());
  EXPECT_EQ(run->Value, 2024u);
  EXPECT_EQ(run->Length, 4u);
  run = ReadDecimalRun("x1");
  ASSERT_TRUE(run.has_value());
  EXPECT_EQ(run->Length, 0u);
  // The limit itself is taken, one above it is not; a limit below one digit too.
  EXPECT_EQ(ReadDecimal("18446744073709551615"), kNoDigitLimit);
  EXPECT_FALSE(ReadDecimal("18446744073709551616").has_value());
  EXPECT_FALSE(ReadDecimal("99999999999999999999").has_value());
  EXPECT_EQ(ReadDecimal("000000000000000000000042", 42), 42u);
  EXPECT_FALSE(ReadDecimal("43", 42).has_value());
  EXPECT_EQ(ReadDecimal("0", 0), 0u);
  EXPECT_FALSE(ReadDecimal("5", 3).has_value());
  EXPECT_FALSE(ReadDecimalRun("5", 3).has_value());
  // A whole text: at least one digit and nothing else.
  EXPECT_FALSE(ReadDecimal("").has_value());
  EXPECT_FALSE(ReadDecimal("12 ").has_value());
  EXPECT_FALSE(ReadDecimal("1f").has_value());
  EXPECT_EQ(ReadHex("fFfFfFfF", 0xFFFFFFFFu), 0xFFFFFFFFu);
  EXPECT_FALSE(ReadHex("100000000", 0xFFFFFFFFu).has_value());
  EXPECT_FALSE(ReadHex("1g").has_value());
  EXPECT_EQ(ReadHex("FFFFFFFFFFFFFFFF"), kNoDigitLimit);
  EXPECT_FALSE(ReadHex("10000000000000000").has_value());
}

}  // namespace
}  // namespace sorvik
