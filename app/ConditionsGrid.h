// The conditions grid without a window: its cells, the row operations of the
// Add Row, Remove row and Clear All buttons, which editor a cell gets, and the
// rows turned into matchers.
#pragma once

#include <string>
#include <vector>

#include "uFileConditions.h"

namespace sorvik {

// The texts of a grid. The store doesn't depend on the row count: lowering the
// count hides the last rows with their texts, raising it shows them again.
class TGridCells {
 public:
  TGridCells(int cols, int rows) : Cols_(cols), Rows_(rows) {}
  int ColCount() const { return Cols_; }
  int RowCount() const { return Rows_; }
  void SetRowCount(int rows) { Rows_ = rows < 0 ? 0 : rows; }
  // Empty for a cell never written (or outside the grid).
  const std::string& Cell(int col, int row) const;
  void SetCell(int col, int row, const std::string& text);
  void BlankRow(int row);

 private:
  int Cols_, Rows_;
  std::vector<std::vector<std::string>> Store_;  // by row, grown on demand
};

// The grid of the conditions tab: kind, operator, value.
inline constexpr int kConditionColumns = 3;

// The editor laid over a cell when it is selected.
enum class TConditionEditor { None, Kind, Operator, Date, Integer };
TConditionEditor EditorForCell(const TGridCells& cells, int col, int row);

// Add Row: one more row, at the end.
void AddConditionRow(TGridCells& cells);
// Remove row: blanks the current row, then drops the last (never the only) row.
void RemoveConditionRow(TGridCells& cells, int currentRow);
// Clear All: blanks every row there is, then leaves one.
void ClearAllConditionRows(TGridCells& cells);

bool IsConditionRowComplete(const TGridCells& cells, int row);

// One matcher per usable row, in row order, added to `conditions`; returns how
// many rows were taken. Dates are read by `readDate`; one that can't be read is
// `now`. A row whose value the conditions can't hold (CanHoldConditionValue)
// adds no matcher but is taken: the first such row is named in the conditions'
// Problem, and a search given them refuses to start.
int BuildFileConditions(const TGridCells& cells, TKtFileConditions& conditions, const TDateReader& readDate,
                        double now);

// The spin box's value as the value cell stores it: truncated toward zero, in
// decimal without separators (12.7 gives "12", -3.5 gives "-3").
std::string IntegerValueText(double value);

// A date in the user's short date format, date only (the value cells' dates).
std::optional<double> ReadShortDate(const std::string& text);
// A date with an optional time, or a time alone on day 0 (what the picker is set to).
std::optional<double> ReadShortDateTime(const std::string& text);

}  // namespace sorvik
