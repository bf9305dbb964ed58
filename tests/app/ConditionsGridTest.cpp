// The conditions grid without a window: hidden rows, editors per cell, rows to matchers.
#include <gtest/gtest.h>

#include "ActionRules.h"
#include "ConditionsGrid.h"
#include "search/FakeFileSystem.h"
#include "search/SearchRecorder.h"

namespace sorvik {
namespace {

void Fill(TGridCells& g, int row, const std::string& kind, const std::string& op, const std::string& value) {
  g.SetCell(0, row, kind);
  g.SetCell(1, row, op);
  g.SetCell(2, row, value);
}

std::vector<std::string> Kinds(const TGridCells& g) {
  std::vector<std::string> out;
  for (int r = 0; r < g.RowCount(); ++r) out.push_back(g.Cell(0, r));
  return out;
}

TEST(ConditionsGrid, RemoveAndClearKeepHiddenRowsTexts) {
  using V = std::vector<std::string>;
  auto three = [] {
    TGridCells g(3, 3);
    for (int r = 0; r < 3; ++r) Fill(g, r, std::string("k").append(std::to_string(r)), "equals", "1");
    return g;
  };
  TGridCells g = three();
  RemoveConditionRow(g, 1);  // the second row blanked, the third hidden
  EXPECT_EQ(Kinds(g), (V{"k0", ""}));
  AddConditionRow(g);
  EXPECT_EQ(Kinds(g), (V{"k0", "", "k2"}));
  EXPECT_EQ(g.Cell(2, 2), "1");

  g = three();
  ClearAllConditionRows(g);
  AddConditionRow(g);
  AddConditionRow(g);
  EXPECT_EQ(Kinds(g), (V{"", "", ""}));

  g = three();
  RemoveConditionRow(g, 1);
  ClearAllConditionRows(g);
  AddConditionRow(g);
  AddConditionRow(g);
  EXPECT_EQ(Kinds(g), (V{"", "", "k2"}));

  TGridCells one(3, 1);
  Fill(one, 0, "Size (KB)", "equals", "5");
  RemoveConditionRow(one, 0);
  EXPECT_EQ(one.RowCount(), 1);
  EXPECT_EQ(one.Cell(1, 0), "");
}

TEST(ConditionsGrid, TheKindCellChoosesTheValueEditor) {
  TGridCells g(3, 6);
  g.SetCell(0, 0, "Modification date");
  g.SetCell(0, 1, "size (kb)");   // letter case doesn't matter
  g.SetCell(0, 2, " Size (KB)");  // a leading blank does
  g.SetCell(0, 4, "Creation date");
  g.SetCell(0, 5, "Last access date");
  EXPECT_EQ(EditorForCell(g, 0, 3), TConditionEditor::Kind);
  EXPECT_EQ(EditorForCell(g, 1, 3), TConditionEditor::Operator);
  EXPECT_EQ(EditorForCell(g, 2, 0), TConditionEditor::Date);
  EXPECT_EQ(EditorForCell(g, 2, 1), TConditionEditor::Integer);
  EXPECT_EQ(EditorForCell(g, 2, 2), TConditionEditor::None);
  EXPECT_EQ(EditorForCell(g, 2, 3), TConditionEditor::None);  // empty kind
  EXPECT_EQ(EditorForCell(g, 2, 4), TConditionEditor::Date);
  EXPECT_EQ(EditorForCell(g, 2, 5), TConditionEditor::Date);
}

TEST(ConditionsGrid, RowsBecomeMatchersInRowOrder) {
  const TDateReader iso = ReadIsoDate;
  TKtFileConditions c;
  TGridCells g(3, 1);
  EXPECT_EQ(BuildFileConditions(g, c, iso, 0), 0);  // a fresh grid's empty row
  g.SetRowCount(6);
  Fill(g, 0, "Size (KB)", "is greater than", "100");
  Fill(g, 1, "Modification date", "equals", "2024-03-10");
  Fill(g, 2, "Size (KB)", "equals", "  \t ");         // blank value: nothing
  Fill(g, 3, " size (kb)", "equals", "1");            // complete, but no kind
  Fill(g, 4, "Creation date", "not equals", "soon");  // not a date: now
  Fill(g, 5, "size (kb)", "is bigger", "letters");    // 0, operator 255
  Fill(g, 6, "Size (KB)", "equals", "7");             // hidden: not read
  ASSERT_EQ(BuildFileConditions(g, c, iso, 45000.5), 4);
  ASSERT_EQ(c.Count(), 4);
  const auto& size = dynamic_cast<const TKtIntegermatcher&>(c[0]);
  EXPECT_EQ(size.KindCode, kindSize);
  EXPECT_EQ(size.OperatorCode, opGreater);
  EXPECT_EQ(size.ReferenceValue, 100);
  const auto& modified = dynamic_cast<const TKtDateTimeMatcher&>(c[1]);
  EXPECT_EQ(modified.KindCode, kindModified);
  EXPECT_EQ(modified.OperatorCode, opEquals);
  EXPECT_DOUBLE_EQ(modified.ReferenceValue, 45361.0);
  const auto& created = dynamic_cast<const TKtDateTimeMatcher&>(c[2]);
  EXPECT_EQ(created.KindCode, kindCreated);
  EXPECT_DOUBLE_EQ(created.ReferenceValue, 45000.5);
  const auto& letters = dynamic_cast<const TKtIntegermatcher&>(c[3]);
  EXPECT_EQ(letters.ReferenceValue, 0);
  EXPECT_EQ(letters.OperatorCode, 255);
}

// A size the conditions can't hold (beyond a file's 64-bit size in bytes) never
// stands for 0: from the grid and the panel, the search refuses to start and
// names the row, before anything is walked.
TEST(ConditionsGrid, ASizeTooLargeToHoldRefusesTheStart) {
  test::TFakeFileSystem fs;
  fs.Add("C:\\d\\", "small.txt", faArchive, "x");
  fs.Add("C:\\d\\", "big.iso", faArchive).Entry.Size = std::int64_t{5} << 30;
  struct TCase {
    std::string Value, Error;
    std::vector<std::string> Rows;
  } cases[] = {
      {"99999999999999999999", "Size too large in condition row 2: 99999999999999999999", {}},
      {" +9007199254740992", "Size too large in condition row 2: +9007199254740992", {}},  // its bytes don't fit
      {"-123456789012345678901234567890", "Size too large in condition row 2: -12345678901234567890123...", {}},
      {"9007199254740991", "", {}},          // the largest held: no file is larger
      {"5242879", "", {"big.iso"}},
      {"99999999999999999999x", "", {"big.iso"}},  // not a number: 0, as ever
  };
  for (const TCase& c : cases) {
    TGridCells g(kConditionColumns, 3);
    Fill(g, 0, "Modification date", "is greater than", "1999-12-31");
    Fill(g, 1, "Size (KB)", "is greater than", c.Value);
    Fill(g, 2, "size (kb)", "equals", c.Error.empty() ? "" : "99999999999999999999999");  // named second, if at all
    TKtFileConditions conditions;
    ASSERT_EQ(BuildFileConditions(g, conditions, ReadIsoDate, 0), c.Error.empty() ? 2 : 3) << c.Value;
    conditions.CombineMode = TCombineMode::All;
    TSearchRequest request;
    request.Conditions = conditions;
    ApplyPanel({"*.*", "C:\\d", "", false, false, false, 0}, request);
    fs.Listed.clear();
    test::TSearchRecorder rec;
    TSearchRun run(rec, fs);
    run.Worker().SetRequest(request);
    run.Worker().Resume();
    run.Worker().WaitFor();
    EXPECT_EQ(run.Worker().ErrorMessage(), c.Error);
    EXPECT_EQ(rec.Names(), c.Rows) << c.Value;
    EXPECT_TRUE(rec.Idle);
    if (c.Error.empty()) continue;
    EXPECT_EQ(rec.Errors, std::vector<std::string>{c.Error});
    EXPECT_TRUE(fs.Listed.empty()) << c.Value;
    EXPECT_EQ(rec.Panels, TPanelTexts{});
  }
}

TEST(ConditionsGrid, ValueTexts) {
  EXPECT_EQ(IntegerValueText(12.7), "12");
  EXPECT_EQ(IntegerValueText(-3.5), "-3");
  EXPECT_EQ(IntegerValueText(-0.5), "0");
  EXPECT_EQ(IntegerValueText(5000000000.0), "5000000000");
  // The short date reader takes a date alone; the picker's reader a time too.
  EXPECT_TRUE(ReadShortDate("3/10/2024").has_value());
  EXPECT_FALSE(ReadShortDate("3/10/2024 1:00:00 PM").has_value());
  EXPECT_FALSE(ReadShortDate("1:00:00 PM").has_value());
  EXPECT_DOUBLE_EQ(ReadShortDateTime("6:00:00 AM").value_or(-1), 0.25);
}

}  // namespace
}  // namespace sorvik
