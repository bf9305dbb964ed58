// The File Conditions tab: the grid with the captions of its columns above it,
// the four editors laid over its cells (two drop-down lists for kind and
// operator, a date picker and a number spin box), and right of the grid the
// match choice and the row buttons.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "LayoutTable.h"
#include "StringGrid.h"
#include "ConditionsGrid.h"
#include "uFileConditions.h"

namespace sorvik {

class TConditionsPage {
 public:
  // The grid's design width at 96 DPI: three columns, edges and a scroll bar.
  static constexpr int kDesignGridWidth = 3 * (TStringGrid::kDefaultColWidth + 1) + 4 + 17;

  // Creates the controls on `page`, the grid and the side ones placed through
  // the layout table; the editors hidden.
  TConditionsPage(HWND page, HFONT font, UINT dpi, TLayoutTable& layout);
  // A new DPI: the grid's cells, and the editors laid over them again when shown.
  void SetDpi(UINT dpi);

  TStringGrid& Grid() { return *Grid_; }
  const TGridCells& Cells() const { return Grid_->Cells(); }

  HWND cboConditions = nullptr, cboSearchTerms = nullptr, edDateValues = nullptr, edIntegerValues = nullptr,
       udIntegerValues = nullptr, rdgMatch = nullptr, rdMatchAnyOr = nullptr, rdMatchAllAnd = nullptr,
       btnAddRow = nullptr, btnRemoveRow = nullptr, btnClearAll = nullptr;

  // The match choice: files that pass any condition, or all of them.
  TCombineMode CombineMode() const;

  // Lays the editor of the cell over it (never refuses the selection).
  void grdConditionsSelectCell(int col, int row);
  void HideConditionEditors();
  // Write-backs into the current cell.
  void cboConditionsClick();
  void cboSearchTermsClick();
  void edDateValuesExit();
  void edIntegerValuesExit();
  // A click on the spin box's arrows: the value steps by one, then is written.
  void edIntegerValuesStep(int delta);

  void btnAddRowClick();
  void btnRemoveRowClick();
  void btnClearAllClick();

  // Takes what an editor still being edited shows into its cell, as leaving the
  // editor would: the grid's in-cell editor, and the spin box or date picker
  // holding the focus (each writes its value only when it loses the focus).
  void CommitEditors();
  // The complete rows as matchers, in row order; how many were added. The
  // editors are committed first: Start takes no focus from them (toolbar,
  // menu, shortcut), and what they show is what the search applies.
  int BuildFileConditions(TKtFileConditions& conditions);

  // The editors' and buttons' commands and the editors' notifications; false
  // for those of other controls.
  bool OnCommand(HWND from, int code);
  bool OnNotify(const NMHDR* hdr, LRESULT& result);

 private:
  void AfterRowsChanged();
  void Place(HWND editor, const RECT& cell, int extraHeight);
  void WriteCurrent(const std::string& text);

  std::unique_ptr<TStringGrid> Grid_;
};

}  // namespace sorvik
