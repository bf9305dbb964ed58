#include <gtest/gtest.h>

#include "FileSystem.h"

namespace sorvik {
namespace {

TEST(MatchesMask, WildcardsCaseAndDots) {
  EXPECT_TRUE(MatchesMask("readme", "*.*"));
  EXPECT_TRUE(MatchesMask("a.b.c", "*.*"));
  EXPECT_TRUE(MatchesMask(".", "*.*"));
  EXPECT_TRUE(MatchesMask("Report.TXT", "*.txt"));
  EXPECT_FALSE(MatchesMask("report.txt.bak", "*.txt"));
  EXPECT_FALSE(MatchesMask("..", "*.txt"));
  EXPECT_TRUE(MatchesMask("abc", "a?c"));
  EXPECT_FALSE(MatchesMask("ac", "a?c"));
  EXPECT_TRUE(MatchesMask("\xC3\xA9t\xC3\xA9.c", "?t?.c"));  // '?' takes a whole UTF-8 character
  EXPECT_TRUE(MatchesMask("abc", "a*.*"));
  EXPECT_TRUE(MatchesMask("aXbXc", "a*b*c"));
  EXPECT_FALSE(MatchesMask("aXbXd", "a*b*c"));
  EXPECT_FALSE(MatchesMask("anything", ""));
  EXPECT_TRUE(MatchesMask("x", "*"));
}

TEST(EnumKeeps, AttributeMaskExclusion) {
  EXPECT_TRUE(EnumKeeps(faArchive | faSysFile, faAnyFile));
  EXPECT_FALSE(EnumKeeps(faDirectory | faSysFile, faHidden | faDirectory));
  EXPECT_FALSE(EnumKeeps(faVolumeID, faHidden | faDirectory));
  EXPECT_TRUE(EnumKeeps(faDirectory | faHidden, faHidden | faDirectory));
  EXPECT_TRUE(EnumKeeps(faArchive | faReadOnly, faHidden | faDirectory));
  EXPECT_FALSE(EnumKeeps(faDirectory, faArchive));
}

}  // namespace
}  // namespace sorvik
