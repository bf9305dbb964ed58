// A small string grid control: columns and rows of text cells with grid lines,
// no header row or column, a current cell, in-cell editing by typing, and Tab
// moving from cell to cell. The texts live in a TGridCells, which keeps the
// texts of rows hidden by a lower row count.
#pragma once

#include <windows.h>

#include <functional>

#include "Window.h"
#include "ConditionsGrid.h"

namespace sorvik {

class TStringGrid : public TWindow {
 public:
  static constexpr const wchar_t* kClassName = L"SorvikStringGrid";
  // Design sizes, at 96 DPI.
  static constexpr int kDefaultColWidth = 145;
  static constexpr int kDefaultRowHeight = 21;

  TStringGrid(HWND parent, int id, int x, int y, int cx, int cy, HFONT font, int cols, int rows, UINT dpi = 96);

  // Column width and row height at a new DPI; the font the window gives with WM_SETFONT.
  void SetDpi(UINT dpi);

  TGridCells& Cells() { return Cells_; }
  const TGridCells& Cells() const { return Cells_; }
  // Shows the rows as they are now (after a change of the texts or the row count).
  void Refresh();

  // The current cell; -1, -1 when none is selected.
  int Col() const { return Col_; }
  int Row() const { return Row_; }
  // Makes a cell current, telling OnSelectCell first; (-1, -1) selects none.
  void Select(int col, int row);
  // A cell's rectangle in the grid's client coordinates.
  RECT CellRect(int col, int row) const;

  // Called when a cell is about to become current (by mouse, keyboard or Select).
  std::function<void(int col, int row)> OnSelectCell;

  // The in-cell editor: begins on a typed character or F2;
  // Enter, Tab or leaving it keeps the text, Escape drops it.
  bool Editing() const { return Editor_ != nullptr; }
  void BeginEdit(const std::wstring& initial, bool selectAll);
  void EndEdit(bool keep);
  // Keeps what the in-cell editor shows in its cell; the editor stays open.
  void CommitEdit();

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  static LRESULT CALLBACK EditorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR);
  void Paint(HDC dc);
  void Move(int dcol, int drow);
  bool Tab(bool back);  // false when it leaves the grid
  void ScrollTo(int row);
  void UpdateScroll();
  int VisibleRows() const;

  TGridCells Cells_;
  HFONT Font_;
  int ColWidth_ = kDefaultColWidth, RowHeight_ = kDefaultRowHeight;
  int Col_ = -1, Row_ = -1;
  int TopRow_ = 0;
  HWND Editor_ = nullptr;
};

}  // namespace sorvik
