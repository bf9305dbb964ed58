#include "ConditionsPage.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "DateText.h"
#include "DosTime.h"
#include "WinTime.h"
#include "Locale.h"
#include "WinText.h"

namespace sorvik {

namespace {

HWND Editor(HWND parent, const wchar_t* cls, DWORD style, HFONT font, DWORD exStyle = 0) {
  return CreateChild(parent, cls, L"", WS_TABSTOP | style, 0, font, exStyle, RECT{0, 0, 145, 21});
}

void FillList(HWND combo, const std::vector<std::string>& items) {
  for (const std::string& s : items)
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(s).c_str()));
}

std::string SelectedText(HWND combo) {
  return ComboItemText(combo, static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)));
}

// The spin box's value as typed: a decimal number, 0 when it isn't one.
double IntegerEditorValue(HWND edit) {
  const std::wstring text = Widen(GetText(edit));
  if (text.empty()) return 0;
  wchar_t* end = nullptr;
  const double v = std::wcstod(text.c_str(), &end);
  return end && *end == L'\0' ? v : 0;
}

// Whether the keyboard focus is in the control (or in a child of it).
bool HasFocus(HWND control) {
  const HWND focus = GetFocus();
  return focus && (focus == control || IsChild(control, focus));
}

std::string ShortDateText(const SYSTEMTIME& st) {
  wchar_t text[128] = {};
  if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, 128) == 0) return {};
  return Narrow(text);
}

}  // namespace

namespace {

enum : int {
  idConditionsGrid = 1011,
  idMatchAnyOr,
  idMatchAllAnd,
  idAddRow,
  idRemoveRow,
  idClearAll,
};

}  // namespace

TConditionsPage::TConditionsPage(HWND page, HFONT font, UINT dpi, TLayoutTable& layout) {
  auto add = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int cx, int cy, int id) {
    return layout.Add(CreateChild(page, cls, text, WS_VISIBLE | style, id, font), x, y, cx, cy);
  };
  // The grid keeps no header row: its columns are named above it.
  const int column = TStringGrid::kDefaultColWidth + 1;
  const wchar_t* const captions[] = {L"Condition", L"Comparison", L"Value"};
  for (int i = 0; i < 3; ++i) add(WC_STATICW, captions[i], SS_LEFT | SS_NOPREFIX, 9 + i * column, 3, column - 6, 14, 0);
  Grid_ = std::make_unique<TStringGrid>(page, idConditionsGrid, 0, 0, 10, 10, font, kConditionColumns, 1, dpi);
  layout.Add(Grid_->Handle(), 6, 19, kDesignGridWidth, 107);
  Grid_->OnSelectCell = [this](int col, int row) { grdConditionsSelectCell(col, row); };
  cboConditions = Editor(page, WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL, font);
  FillList(cboConditions, ConditionKindTexts());
  cboSearchTerms = Editor(page, WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL, font);
  FillList(cboSearchTerms, ConditionOperatorTexts());
  edDateValues = Editor(page, DATETIMEPICK_CLASSW, DTS_SHORTDATEFORMAT, font);
  edIntegerValues = Editor(page, WC_EDITW, ES_RIGHT | ES_AUTOHSCROLL, font, WS_EX_CLIENTEDGE);
  udIntegerValues = CreateChild(page, UPDOWN_CLASSW, L"", UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0, nullptr);
  SendMessageW(udIntegerValues, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edIntegerValues), 0);
  // No bounds: the box steps the value itself (UDN_DELTAPOS), the range only orients the arrows.
  SendMessageW(udIntegerValues, UDM_SETRANGE32, static_cast<WPARAM>(INT_MIN), INT_MAX);
  // Above the grid, so that an editor shows over its cell.
  for (HWND h : {cboConditions, cboSearchTerms, edDateValues, edIntegerValues, udIntegerValues})
    SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // Right of the grid, stacked: the match choice and the row buttons.
  const int side = 6 + kDesignGridWidth + 6;
  rdgMatch = add(WC_BUTTONW, L"", BS_GROUPBOX, side, 0, 110, 48, 0);
  rdMatchAnyOr = add(WC_BUTTONW, L"Match any (OR)", BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP, side + 8, 12, 100, 16,
                     idMatchAnyOr);
  rdMatchAllAnd = add(WC_BUTTONW, L"Match all (AND)", BS_AUTORADIOBUTTON, side + 8, 29, 100, 16, idMatchAllAnd);
  SendMessageW(rdMatchAnyOr, BM_SETCHECK, BST_CHECKED, 0);
  btnAddRow = add(WC_BUTTONW, L"&Add Row", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, side, 54, 84, 23, idAddRow);
  btnRemoveRow = add(WC_BUTTONW, L"&Remove row", BS_PUSHBUTTON | WS_TABSTOP, side, 80, 84, 23, idRemoveRow);
  btnClearAll = add(WC_BUTTONW, L"Clear All", BS_PUSHBUTTON | WS_TABSTOP, side, 106, 84, 23, idClearAll);
}

void TConditionsPage::SetDpi(UINT dpi) {
  Grid_->SetDpi(dpi);
  HideConditionEditors();
}

void TConditionsPage::HideConditionEditors() {
  for (HWND h : {cboConditions, cboSearchTerms, edIntegerValues, udIntegerValues, edDateValues})
    ShowWindow(h, SW_HIDE);
}

void TConditionsPage::Place(HWND editor, const RECT& cell, int extraHeight) {
  RECT grid;
  GetWindowRect(Grid_->Handle(), &grid);
  MapWindowPoints(nullptr, GetParent(Grid_->Handle()), reinterpret_cast<POINT*>(&grid), 2);
  const int height = cell.bottom - cell.top + extraHeight;
  // A drop-down list takes its height from its selection field: as high as the cell.
  if (editor == cboConditions || editor == cboSearchTerms)
    SendMessageW(editor, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), std::max(height - 6, 8));
  SetWindowPos(editor, nullptr, grid.left + cell.left + 1, grid.top + cell.top + 1, cell.right - cell.left + 2, height,
               SWP_SHOWWINDOW | SWP_NOZORDER);
}

void TConditionsPage::grdConditionsSelectCell(int col, int row) {
  const RECT cell = Grid_->CellRect(col, row);
  const std::string text = Cells().Cell(col, row);
  // A cell taken with the grid's focus hands it to its value editor, so what
  // is typed next goes where it shows (not into the grid's own editor beneath).
  const bool focusEditor = HasFocus(Grid_->Handle());
  HideConditionEditors();
  switch (EditorForCell(Cells(), col, row)) {
    case TConditionEditor::Kind:
    case TConditionEditor::Operator: {
      const HWND combo = col == 0 ? cboConditions : cboSearchTerms;
      Place(combo, cell, 2);
      const auto& list = col == 0 ? ConditionKindTexts() : ConditionOperatorTexts();
      SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(ListPosition(list, text)), 0);
      break;
    }
    case TConditionEditor::Date: {
      const double value = ReadShortDateTime(text).value_or(NowDateTime());
      TStamp s = StampFromDateTime(value);
      s.Year = std::clamp(s.Year, 1601, 30827);  // what the picker can hold
      const SYSTEMTIME st = ToSystemTime(s);
      SendMessageW(edDateValues, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
      Place(edDateValues, cell, 0);
      if (focusEditor) SetFocus(edDateValues);
      break;
    }
    case TConditionEditor::Integer: {
      // A number too large to hold stays as typed, so leaving the editor keeps
      // it and Start names its row, rather than a 0 that would pass for it.
      const std::optional<std::int64_t> value = ReadInteger(text);
      SetText(edIntegerValues, value ? std::to_string(*value)
                               : CanHoldConditionValue(Cells().Cell(0, row), text) ? "0" : text);
      Place(edIntegerValues, cell, 0);
      SendMessageW(udIntegerValues, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edIntegerValues), 0);
      ShowWindow(udIntegerValues, SW_SHOWNA);
      if (focusEditor) {
        SetFocus(edIntegerValues);
        SendMessageW(edIntegerValues, EM_SETSEL, 0, -1);
      }
      break;
    }
    case TConditionEditor::None: break;
  }
}

void TConditionsPage::WriteCurrent(const std::string& text) {
  if (Grid_->Col() < 0 || Grid_->Row() < 0) return;
  Grid_->Cells().SetCell(Grid_->Col(), Grid_->Row(), text);
  Grid_->Refresh();
}

void TConditionsPage::cboConditionsClick() {
  if (Grid_->Row() < 0) return;
  Grid_->Cells().BlankRow(Grid_->Row());  // a new kind clears the operator and the value
  WriteCurrent(SelectedText(cboConditions));
}

void TConditionsPage::cboSearchTermsClick() { WriteCurrent(SelectedText(cboSearchTerms)); }

void TConditionsPage::edDateValuesExit() {
  SYSTEMTIME st{};
  if (SendMessageW(edDateValues, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) != GDT_VALID) return;
  WriteCurrent(ShortDateText(st));
}

void TConditionsPage::edIntegerValuesExit() {
  // Only a value typed (or stepped) counts: passing through the editor leaves a
  // blank cell blank.
  if (!SendMessageW(edIntegerValues, EM_GETMODIFY, 0, 0)) return;
  SendMessageW(edIntegerValues, EM_SETMODIFY, FALSE, 0);
  WriteCurrent(IntegerValueText(IntegerEditorValue(edIntegerValues)));
}

void TConditionsPage::edIntegerValuesStep(int delta) {
  SetText(edIntegerValues, IntegerValueText(IntegerEditorValue(edIntegerValues) + delta));
  SendMessageW(edIntegerValues, EM_SETMODIFY, TRUE, 0);
  edIntegerValuesExit();
}

void TConditionsPage::btnAddRowClick() {
  AddConditionRow(Grid_->Cells());
  Grid_->Refresh();
}

void TConditionsPage::btnRemoveRowClick() {
  RemoveConditionRow(Grid_->Cells(), Grid_->Row() < 0 ? 0 : Grid_->Row());
  AfterRowsChanged();
}

void TConditionsPage::btnClearAllClick() {
  ClearAllConditionRows(Grid_->Cells());
  AfterRowsChanged();
}

// Rows were blanked or hidden: no editor stays over a blank cell or below the
// grid; selecting a cell brings the right one back.
void TConditionsPage::AfterRowsChanged() {
  if (Grid_->Editing()) Grid_->EndEdit(false);
  HideConditionEditors();
  Grid_->Refresh();
}

void TConditionsPage::CommitEditors() {
  Grid_->CommitEdit();
  // An overlay editor holding the focus lies over the current cell, which takes it.
  switch (EditorForCell(Cells(), Grid_->Col(), Grid_->Row())) {
    case TConditionEditor::Integer:
      if (HasFocus(edIntegerValues)) edIntegerValuesExit();
      break;
    case TConditionEditor::Date:
      if (HasFocus(edDateValues)) edDateValuesExit();
      break;
    default: break;
  }
}

int TConditionsPage::BuildFileConditions(TKtFileConditions& conditions) {
  CommitEditors();
  return sorvik::BuildFileConditions(Cells(), conditions, ReadShortDate, NowDateTime());
}

TCombineMode TConditionsPage::CombineMode() const {
  return SendMessageW(rdMatchAllAnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? TCombineMode::All : TCombineMode::Any;
}

bool TConditionsPage::OnCommand(HWND from, int code) {
  if (code == BN_CLICKED) {
    if (from == btnAddRow) return btnAddRowClick(), true;
    if (from == btnRemoveRow) return btnRemoveRowClick(), true;
    if (from == btnClearAll) return btnClearAllClick(), true;
  }
  if (from == cboConditions && code == CBN_SELCHANGE) cboConditionsClick();
  else if (from == cboSearchTerms && code == CBN_SELCHANGE) cboSearchTermsClick();
  else if (from == edIntegerValues && code == EN_KILLFOCUS) edIntegerValuesExit();
  else return from == cboConditions || from == cboSearchTerms || from == edIntegerValues;
  return true;
}

bool TConditionsPage::OnNotify(const NMHDR* hdr, LRESULT& result) {
  result = 0;
  if (hdr->hwndFrom == edDateValues) {
    if (hdr->code == DTN_DATETIMECHANGE || hdr->code == NM_KILLFOCUS) edDateValuesExit();
    return true;
  }
  if (hdr->hwndFrom == udIntegerValues) {
    if (hdr->code == UDN_DELTAPOS) {
      edIntegerValuesStep(reinterpret_cast<const NMUPDOWN*>(hdr)->iDelta);
      result = TRUE;  // the box keeps no position of its own
    }
    return true;
  }
  return false;
}

}  // namespace sorvik
