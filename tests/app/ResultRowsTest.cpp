// The results list's comparisons, its row store and sort, and what its actions ask of the shell.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ActionRules.h"
#include "ResultCompare.h"
#include "ResultRows.h"

namespace sorvik {
namespace {

const TDateFormat kUs = DateFormatFromPatterns("M/d/yyyy", "h:mm:ss tt", "AM", "PM");
const TDateFormat kGerman = DateFormatFromPatterns("dd.MM.yyyy", "HH:mm:ss", "", "");

TEST(ResultCompare, TextIsOrdinalBytesWithAnyInteger) {
  EXPECT_LT(CompareTextColumn("B.txt", "a.txt", true), 0);  // capitals first
  EXPECT_LT(CompareTextColumn("a", "a.txt", true), 0);      // a prefix first
  EXPECT_EQ(CompareTextColumn("a", "c", true), -2);         // the byte difference itself
  EXPECT_EQ(CompareTextColumn("a", "c", false), 2);         // descending swaps the operands
  EXPECT_EQ(CompareTextColumn("abc", "ab", true), 1);
  EXPECT_EQ(CompareTextColumn("\xE9", "z", true), 0xE9 - 'z');  // bytes as 0..255
  EXPECT_EQ(CompareTextColumn("same", "same", false), 0);
}

TEST(ResultCompare, SizesAreSixtyFourBitNumbers) {
  EXPECT_EQ(CompareSizeColumn("9", "10", true), -1);
  EXPECT_EQ(CompareSizeColumn("9", "10", false), 1);
  EXPECT_EQ(CompareSizeColumn("", "0", true), 0);
  EXPECT_EQ(CompareSizeColumn("x", "0", true), 0);
  EXPECT_EQ(CompareSizeColumn("12x", "", true), 0);
  EXPECT_EQ(CompareSizeColumn("3221225472", "1", true), 1);  // 3 GiB ranks above, not with the empty files
  EXPECT_EQ(CompareSizeColumn("5000000000", "4294967296", true), 1);
  EXPECT_EQ(CompareSizeColumn("99999999999999999999", "0", true), 0);  // out of range counts as 0
  EXPECT_EQ(ReadSizeText("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(ReadSizeText("-5"), -5);
}

TEST(ResultCompare, DatesAsTheLocaleWroteThem) {
  auto cmp = [](const char* a, const char* b, const TDateFormat& f) { return CompareDateColumn(a, b, true, f, 2026); };
  EXPECT_EQ(cmp("3/10/2024 1:05:00 PM", "3/10/2024 11:00:00 AM", kUs), 1);
  EXPECT_EQ(cmp("3/10/2024 12:30:00 AM", "3/10/2024 0:31:00", kUs), -1);  // 12 AM is midnight
  EXPECT_EQ(cmp("3/9/2024", "2/10/2024", kUs), 1);                         // month first
  EXPECT_EQ(cmp("02.10.2024 13:05:00", "10.02.2024", kGerman), 1);          // day first
  EXPECT_EQ(CompareDateColumn("3/9/2024", "2/10/2024", false, kUs, 2026), -1);
  // A time alone is that time on day 0; an unreadable text is day 0.
  EXPECT_DOUBLE_EQ(ReadDateText("6:00:00 PM", kUs, 2026), 0.75);
  EXPECT_EQ(cmp("6:00:00 PM", "1/1/1900", kUs), -1);
  EXPECT_EQ(cmp("garbage", "12/30/1899", kUs), 0);
  EXPECT_EQ(cmp("2/30/2024", "", kUs), 0);              // no such day
  EXPECT_EQ(cmp("3/10/2024 25:00:00", "", kUs), 0);     // no such hour
  EXPECT_EQ(cmp("1/2/2024", "1/2/2024 12:00:00 AM", kUs), 0);
  EXPECT_DOUBLE_EQ(ReadDateText("12/31/1899", kUs, 2026), 1.0);
  EXPECT_DOUBLE_EQ(ReadDateText("1/1/24", kUs, 2026), ReadDateText("1/1/2024", kUs, 2026));
  EXPECT_DOUBLE_EQ(ReadDateText("1/1/90", kUs, 2026), ReadDateText("1/1/1990", kUs, 2026));
  // Milliseconds: equal values rank equal, one millisecond apart don't, and
  // the order is transitive (equal under the comparison means equal keys).
  EXPECT_EQ(cmp("12:00:00.5", "12:00:00.500", kUs), 0);
  EXPECT_EQ(cmp("12:00:00.002", "12:00:00", kUs), 1);
  const char* chain[] = {"12:00:00", "12:00:00.001", "12:00:00.002", "12:00:00.003", "11:59:59.999 PM"};
  for (std::size_t i = 0; i + 1 < std::size(chain); ++i) {
    EXPECT_EQ(cmp(chain[i], chain[i + 1], kUs), -1) << chain[i];
    EXPECT_EQ(cmp(chain[i + 1], chain[i], kUs), 1) << chain[i];
  }
  const TDateFormat iso = DateFormatFromPatterns("yyyy'-'MM'-'dd", "H.mm", "", "");
  EXPECT_EQ(cmp("2024-03-09 23.59", "2024-03-10", iso), -1);  // year first, quoted separators
  EXPECT_DOUBLE_EQ(ReadDateText("2024-03-10 6.00", iso, 2026) - ReadDateText("2024-03-10", iso, 2026), 0.25);
}

TResultRow Row(const std::string& name, const std::string& folder, const std::string& size,
               const std::string& modified = "1/1/2024", int image = 0) {
  return {name, {folder, size, modified, "1/2/2024", "1/3/2024"}, image};
}

TEST(ResultRows, StoresTextsAndSortsStablyByEveryColumn) {
  TResultRows rows;
  const std::vector<TResultRow> input = {
      Row("b.txt", "C:\\A\\", "10", "3/10/2024 1:00:00 PM", 3), Row("a.txt", "C:\\B\\", "9", "3/10/2024"),
      Row("B.txt", "C:\\A\\", "x", "3/9/2024 11:00:00 PM"),     Row("a", "C:\\A\\", "3221225472", "bad"),
      Row("c.txt", "C:\\B\\", "9", "3/10/2024")};
  for (const TResultRow& r : input) rows.Append(r);
  ASSERT_EQ(rows.Count(), 5u);
  EXPECT_EQ(rows.Text(0, 0), "b.txt");
  EXPECT_EQ(rows.Text(0, 1), "C:\\A\\");
  EXPECT_EQ(rows.Text(0, 5), "1/3/2024");
  EXPECT_EQ(rows.ImageIndex(0), 3);
  EXPECT_EQ(rows.FullPath(1), "C:\\B\\a.txt");
  for (int column = 0; column < kResultColumns; ++column) {
    for (bool ascending : {true, false}) {
      TResultRows sorted;
      for (const TResultRow& r : input) sorted.Append(r);
      const std::vector<std::size_t> moved = sorted.Sort(column, ascending, kUs, 2026);
      std::vector<std::size_t> origin(moved.size());
      for (std::size_t i = 0; i < input.size(); ++i) {
        EXPECT_EQ(sorted.Text(moved[i], 0), input[i].Caption);
        origin[moved[i]] = i;
      }
      for (std::size_t i = 0; i + 1 < sorted.Count(); ++i) {
        const int c = sorted.Compare(i, i + 1, column, ascending);
        EXPECT_LE(c, 0) << "column " << column << " ascending " << ascending << " at " << i;
        if (c == 0) {
          EXPECT_LT(origin[i], origin[i + 1]) << "equal rows keep the order they were added in";
        }
      }
    }
  }
  // Sizes: x (0), 9, 9, 10, 3 GiB ascending; a text that isn't a number ranks with 0.
  rows.Sort(2, true, kUs, 2026);
  EXPECT_EQ(rows.Text(0, 0), "B.txt");
  EXPECT_EQ(rows.Text(1, 0), "a.txt");
  EXPECT_EQ(rows.Text(2, 0), "c.txt");
  EXPECT_EQ(rows.Text(4, 0), "a");
  // Rows added after a sort stand below it.
  rows.Append(Row("0.txt", "C:\\C\\", "0"));
  EXPECT_EQ(rows.Text(5, 0), "0.txt");
  EXPECT_EQ(rows.Text(5, 1), "C:\\C\\");
  rows.Clear();
  EXPECT_EQ(rows.Count(), 0u);
}

// Rows made to collide: names equal but for case, accents or a last byte at
// and around the 8th and 16th (where a sort may stop reading), names that begin
// one another, a NUL among the bytes, equal folders, sizes and dates, texts that
// read as 0. Each sort, both ways, is the column comparison's order, and rows
// it ranks equal keep the order they were added in.
TEST(ResultRows, SortsRowsMadeToCollideAsTheColumnComparisonDoes) {
  std::mt19937 random(29);
  const std::vector<std::string> stems = {"a", "A", "\xC3\xA1", "abcdefg", "abcdefgh", "abcdefghijklmno",
                                          "abcdefghijklmnop", std::string("ab\0c", 4), "abcdefghijklmnopq"};
  const std::vector<std::string> tails = {"", "a", "A", "b", "\xFF", std::string(1, '\0'), "aa"};
  const std::vector<std::string> folders = {"C:\\", "C:\\a\\", "C:\\A\\", "C:\\a\\b\\", "D:\\abcdefghijklmnop\\x\\",
                                            "D:\\abcdefghijklmnop\\\\"};
  const std::vector<std::string> sizes = {"0", "9", "10", "x", "", "9223372036854775807", "12a", "010"};
  const std::vector<std::string> dates = {"3/10/2024", "3/10/2024 12:00:00 AM", "3/10/2024 1:00:00 PM", "bad", "",
                                          "12/31/1999 11:59:59 PM", "3/10/24",
                                          // the narrow no-break space newer locales put before the marker
                                          "3/10/2024 1:00:00\xE2\x80\xAFPM", "3/10/2024\xC2\xA0 12:00:00 AM"};
  const auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };
  std::vector<TResultRow> input;
  for (int i = 0; i < 600; ++i) {
    TResultRow row = Row(pick(stems) + pick(tails), pick(folders), pick(sizes), pick(dates));
    row.SubItems[3] = pick(dates);
    row.SubItems[4] = pick(dates);
    input.push_back(row);
  }
  const auto check = [&](int column, bool ascending) {
      TResultRows rows;
      for (const TResultRow& r : input) rows.Append(r);
      const std::vector<std::size_t> moved = rows.Sort(column, ascending, kUs, 2026);
      std::vector<std::size_t> origin(moved.size());
      for (std::size_t i = 0; i < moved.size(); ++i) origin[moved[i]] = i;
      for (std::size_t i = 0; i + 1 < rows.Count(); ++i) {
        const int c = rows.Compare(i, i + 1, column, ascending);
        ASSERT_LE(c, 0) << "column " << column << " ascending " << ascending << " at " << i;
        if (c == 0) {
          ASSERT_LT(origin[i], origin[i + 1]) << "column " << column << " ascending " << ascending;
        }
      }
  };
  for (int column = 0; column < kResultColumns; ++column)
    for (bool ascending : {true, false}) check(column, ascending);
  // As many rows as the sort reads and sorts on two threads.
  while (input.size() < 70000) input.push_back(input[random() % 600]);
  for (int column = 0; column < kResultColumns; ++column) check(column, column % 2 == 0);
}

TEST(ResultRows, DateColumnsSortInALocaleWithATrailingSeparator) {
  // hu-HU: "yyyy. MM. dd." and "H:mm:ss"; rows named by their place in time.
  const TDateFormat hungarian = DateFormatFromPatterns("yyyy. MM. dd.", "H:mm:ss", "de.", "du.");
  const std::vector<TResultRow> input = {
      Row("4", "C:\\", "1", "2024. 03. 10. 9:05:00"), Row("5", "C:\\", "1", "2024. 03. 10. 13:05:00"),
      Row("1", "C:\\", "1", "2023. 12. 31."),         Row("2", "C:\\", "1", "2024. 03. 09. 23:59:58"),
      Row("3", "C:\\", "1", "2024. 03. 10.")};
  for (bool ascending : {true, false}) {
    TResultRows rows;
    for (const TResultRow& r : input) rows.Append(r);
    rows.Sort(static_cast<int>(TResultColumn::Modified), ascending, hungarian, 2026);
    std::string order;
    for (std::size_t i = 0; i < rows.Count(); ++i) order += rows.Text(i, 0);
    EXPECT_EQ(order, ascending ? "12345" : "54321");
  }
}

TEST(ResultRows, CsvQuotesWhereNeeded) {
  TResultRows rows;
  rows.Append({"a,b \"c\".txt", {"C:\\x\\", "5", "1/1/2024", " lead", "l\r\nf"}, 0});
  EXPECT_EQ(ResultsToCsv(rows),
            "\xEF\xBB\xBF"
            "Filename,Folder,Size,Date last modified,Date last accessed,Date created\r\n"
            "\"a,b \"\"c\"\".txt\",C:\\x\\,5,1/1/2024,\" lead\",\"l\r\nf\"\r\n");
  // Cells a spreadsheet would take for formulas are written as text.
  TResultRows formulas;
  formulas.Append({"=cmd|' /C calc'!A0.txt", {"C:\\x\\", "5", "+1", "-2", "@x"}, 0});
  formulas.Append({"\tx.txt", {"C:\\x\\", "5", "\r,y", "a=b", "1-2"}, 0});
  const std::string csv = ResultsToCsv(formulas);
  EXPECT_EQ(csv.substr(csv.find("\r\n") + 2),
            "'=cmd|' /C calc'!A0.txt,C:\\x\\,5,'+1,'-2,'@x\r\n"
            "'\tx.txt,C:\\x\\,5,\"'\r,y\",a=b,1-2\r\n");
}

TEST(ResultActions, ShellCallsAndTheRightButtonRule) {
  using T = TShellAct;
  EXPECT_EQ(OpenSelectedCall("C:\\A\\", "b c.txt"), (TShellCall{T::Open, "open", "C:\\A\\b c.txt", "", "C:\\A\\"}));
  EXPECT_EQ(OpenWithCall("C:\\A\\b c.txt"), (TShellCall{T::OpenWith, "openas", "C:\\A\\b c.txt", "", ""}));
  EXPECT_EQ(OpenFolderCall("C:\\A\\", "b c.txt"),
            (TShellCall{T::OpenFolder, "open", "C:\\A\\", "", "C:\\A\\", 1, "C:\\A\\b c.txt"}));
  // The shell gets a path as text unless it is too long or in a form the shell
  // doesn't take; never one with a name Windows changes, which as text would
  // name another entry.
  using R = TShellRoute;
  const std::string deep = "C:\\" + std::string(300, 'd') + "\\f.txt";
  for (const auto& [path, route] : std::vector<std::pair<std::string, R>>{
           {"C:\\A\\b c.txt", R::Text}, {"C:\\A\\", R::Text}, {"\\\\server\\share\\A\\conf.txt", R::Text},
           {deep, R::Item}, {"\\\\.\\C:\\A\\doc.txt", R::Item}, {"C:\\A\\doc.txt ", R::None},
           {"C:\\A\\memo.txt.", R::None}, {"C:\\A\\aux.txt", R::None}, {"\\\\server\\share\\CON", R::None},
           {"\\\\?\\C:\\A\\doc.txt ", R::None}, {deep + " ", R::None}, {"C:\\A\\sub.\\x.txt", R::None},
           {"C:\\A\\sub.\\", R::None}, {"C:\\lpt1\\x.txt", R::None},
           {"\\\\?\\UNC\\server\\share\\a \\x.txt", R::None}}) {
    EXPECT_EQ(ShellRoute(path), route) << path;
  }
  EXPECT_TRUE(ShowsContextMenu(TMouseButton::Right, 1));
  EXPECT_FALSE(ShowsContextMenu(TMouseButton::Right, 0));
  EXPECT_FALSE(ShowsContextMenu(TMouseButton::Left, 1));
  EXPECT_FALSE(ShowsContextMenu(TMouseButton::Middle, 1));
}

}  // namespace
}  // namespace sorvik
