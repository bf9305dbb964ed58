// The File Conditions tab's grid and the four editors laid over its cells: two
// drop-down lists (kind, operator), a date picker and a number spin box.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "StringGrid.h"
#include "ConditionsGrid.h"
#include "uFileConditions.h"

namespace sorvik {

class TConditionsPage {
 public:
  // The grid's design width at 96 DPI: three columns, edges and a scroll bar.
  static constexpr int kDesignGridWidth = 3 * (TStringGrid::kDefaultColWidth + 1) + 4 + 17;

  // Creates the grid (placed by the caller) and the hidden editors, on `page`.
  TConditionsPage(HWND page, int gridId, HFONT font, UINT dpi);
  // A new DPI: the grid's cells, and the editors laid over them again when shown.
  void SetDpi(UINT dpi);

  TStringGrid& Grid() { return *Grid_; }
  const TGridCells& Cells() const { return Grid_->Cells(); }

  HWND cboConditions = nullptr, cboSearchTerms = nullptr, edDateValues = nullptr, edIntegerValues = nullptr,
       udIntegerValues = nullptr;

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

  // The editors' commands and notifications; false for those of other controls.
  bool OnCommand(HWND from, int code);
  bool OnNotify(const NMHDR* hdr, LRESULT& result);

 private:
  void AfterRowsChanged();
  void Place(HWND editor, const RECT& cell, int extraHeight);
  void WriteCurrent(const std::string& text);

  std::unique_ptr<TStringGrid> Grid_;
};

}  // namespace sorvik
