#include "ConditionsGrid.h"

#include <cmath>
#include <cstdio>

#include "DateText.h"
#include "ResultCompare.h"

namespace sorvik {

namespace {

// The refusal of a row (0-based) whose value, a number, is too large to hold.
std::string TooLargeMessage(int row, const std::string& value) {
  std::string number = value.substr(value.find_first_not_of(' '));  // digits and a sign
  constexpr std::size_t kShown = 24;
  if (number.size() > kShown) number.replace(kShown, std::string::npos, "...");
  return "Size too large in condition row " + std::to_string(row + 1) + ": " + number;
}

}  // namespace

const std::string& TGridCells::Cell(int col, int row) const {
  static const std::string empty;
  if (row < 0 || col < 0 || static_cast<std::size_t>(row) >= Store_.size()) return empty;
  const auto& r = Store_[static_cast<std::size_t>(row)];
  return static_cast<std::size_t>(col) < r.size() ? r[static_cast<std::size_t>(col)] : empty;
}

void TGridCells::SetCell(int col, int row, const std::string& text) {
  if (row < 0 || col < 0 || col >= Cols_) return;
  if (static_cast<std::size_t>(row) >= Store_.size()) Store_.resize(static_cast<std::size_t>(row) + 1);
  auto& r = Store_[static_cast<std::size_t>(row)];
  if (r.size() < static_cast<std::size_t>(Cols_)) r.resize(static_cast<std::size_t>(Cols_));
  r[static_cast<std::size_t>(col)] = text;
}

void TGridCells::BlankRow(int row) {
  for (int c = 0; c < Cols_; ++c) SetCell(c, row, "");
}

TConditionEditor EditorForCell(const TGridCells& cells, int col, int row) {
  if (col == 0) return TConditionEditor::Kind;
  if (col == 1) return TConditionEditor::Operator;
  if (col != 2) return TConditionEditor::None;
  const int kind = ListPosition(ConditionKindTexts(), cells.Cell(0, row));
  if (kind >= 0 && kind <= 2) return TConditionEditor::Date;
  if (kind == 3) return TConditionEditor::Integer;
  return TConditionEditor::None;
}

void AddConditionRow(TGridCells& cells) { cells.SetRowCount(cells.RowCount() + 1); }

void RemoveConditionRow(TGridCells& cells, int currentRow) {
  cells.BlankRow(currentRow);
  if (cells.RowCount() > 1) cells.SetRowCount(cells.RowCount() - 1);
}

void ClearAllConditionRows(TGridCells& cells) {
  for (int r = cells.RowCount() - 1; r >= 0; --r) cells.BlankRow(r);
  cells.SetRowCount(1);
}

bool IsConditionRowComplete(const TGridCells& cells, int row) {
  return IsConditionRowComplete(cells.Cell(0, row), cells.Cell(1, row), cells.Cell(2, row));
}

int BuildFileConditions(const TGridCells& cells, TKtFileConditions& conditions, const TDateReader& readDate,
                        double now) {
  int count = 0;
  for (int r = 0; r < cells.RowCount(); ++r) {
    const std::string& kind = cells.Cell(0, r);
    const std::string& value = cells.Cell(2, r);
    if (IsConditionRowComplete(cells, r) && !CanHoldConditionValue(kind, value)) {
      if (conditions.Problem.empty()) conditions.Problem = TooLargeMessage(r, value);
      ++count;
      continue;
    }
    auto matcher = MakeConditionMatcher(kind, cells.Cell(1, r), value, readDate, now);
    if (matcher && conditions.Add(std::move(matcher)) >= 0) ++count;
  }
  return count;
}

std::string IntegerValueText(double value) {
  if (!std::isfinite(value)) return "0";
  char text[32];
  std::snprintf(text, sizeof text, "%.0f", std::trunc(value) + 0.0);  // + 0.0: no "-0"
  return text;
}

std::optional<double> ReadShortDate(const std::string& text) {
  return ReadDateTimeText(text, UserDateFormat(), CurrentYear(), true);
}

std::optional<double> ReadShortDateTime(const std::string& text) {
  return ReadDateTimeText(text, UserDateFormat(), CurrentYear());
}

}  // namespace sorvik
