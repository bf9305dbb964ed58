// The File Conditions tab in the window: the editors laid over the grid's cells
// write the conditions that the next Start filters by.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "Pump.h"
#include "TestFolder.h"
#include "WinText.h"
#include "formMain.h"

namespace sorvik {
namespace {

// Sets a file's last-write time to midnight UTC of a day.
void SetModified(const std::string& path, WORD year, WORD month, WORD day) {
  SYSTEMTIME st{};
  st.wYear = year;
  st.wMonth = month;
  st.wDay = day;
  FILETIME ft;
  SystemTimeToFileTime(&st, &ft);
  const HANDLE h = CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  SetFileTime(h, nullptr, nullptr, &ft);
  CloseHandle(h);
}

bool Visible(HWND h) { return (GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE) != 0; }

// Chooses an item of a drop-down list as the user does: the list tells its parent.
void Choose(HWND combo, const wchar_t* text) {
  const auto index = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
}

// A click on the spin box's upper arrow.
void StepUp(HWND updown) {
  RECT r;
  GetClientRect(updown, &r);
  const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 4);
  SendMessageW(updown, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(updown, WM_LBUTTONUP, 0, at);
}

TEST(ConditionsTab, EditorsWriteTheConditionsStartFiltersBy) {
  test::TTestFolder dir;
  const std::string big(10 * 1024, 'x');
  SetModified(dir.File("old-big.txt", big), 2020, 1, 1);
  dir.File("new-big.txt", big);
  SetModified(dir.File("old-small.txt", "x"), 2020, 1, 1);
  TCommandObject none;
  TfrmMain f(none, true);
  TConditionsPage& page = f.ConditionsPage();
  TStringGrid& grid = page.Grid();
  // At start: one empty row, nothing selected, no editor shown.
  EXPECT_EQ(grid.Cells().RowCount(), 1);
  EXPECT_EQ(grid.Row(), -1);
  for (HWND h : {page.cboConditions, page.cboSearchTerms, page.edDateValues, page.edIntegerValues})
    EXPECT_FALSE(Visible(h));
  // The grid has no header row: each column's caption stands above it, over that column.
  RECT gridRect{};
  GetWindowRect(grid.Handle(), &gridRect);
  int named = 0;
  for (HWND child = GetWindow(f.SearchTabs().ConditionsPage(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t text[32] = {};
    GetWindowTextW(child, text, 32);
    const std::wstring caption = text;
    const int column = caption == L"Condition" ? 0 : caption == L"Comparison" ? 1 : caption == L"Value" ? 2 : -1;
    if (column < 0) continue;
    RECT r{};
    GetWindowRect(child, &r);
    EXPECT_LE(r.bottom, gridRect.top);
    const RECT cell = grid.CellRect(column, 0);
    POINT left{cell.left, 0};
    ClientToScreen(grid.Handle(), &left);
    EXPECT_NEAR(r.left, left.x, 6);
    ++named;
  }
  EXPECT_EQ(named, 3);

  // Row 1: Size (KB) is greater than 3, the value stepped up three times.
  grid.Select(0, 0);
  EXPECT_TRUE(Visible(page.cboConditions));
  Choose(page.cboConditions, L"Size (KB)");
  grid.Select(1, 0);
  EXPECT_FALSE(Visible(page.cboConditions));
  Choose(page.cboSearchTerms, L"is greater than");
  grid.Select(2, 0);
  ASSERT_TRUE(Visible(page.edIntegerValues));
  EXPECT_EQ(GetText(page.edIntegerValues), "0");
  for (int i = 0; i < 3; ++i) StepUp(page.udIntegerValues);
  EXPECT_EQ(grid.Cells().Cell(2, 0), "3");
  // The editor lies over its cell, inside the grid.
  RECT cell = grid.CellRect(2, 0), editor;
  MapWindowPoints(grid.Handle(), nullptr, reinterpret_cast<POINT*>(&cell), 2);
  GetWindowRect(page.edIntegerValues, &editor);
  EXPECT_LE(std::abs(editor.left - cell.left), 3);
  EXPECT_LE(std::abs(editor.top - cell.top), 3);

  // Row 2: Modification date is smaller than a day the picker is set to.
  f.btnAddRowClick();
  grid.Select(2, 1);  // the value cell of a row without a kind: no editor
  EXPECT_FALSE(Visible(page.edIntegerValues) || Visible(page.edDateValues));
  grid.Select(0, 1);
  Choose(page.cboConditions, L"Modification date");
  grid.Select(1, 1);
  Choose(page.cboSearchTerms, L"is smaller than");
  grid.Select(2, 1);
  ASSERT_TRUE(Visible(page.edDateValues));
  SYSTEMTIME st{};
  st.wYear = 2021;
  st.wMonth = 6;
  st.wDay = 1;
  SendMessageW(page.edDateValues, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
  NMDATETIMECHANGE change{};
  change.nmhdr = {page.edDateValues, static_cast<UINT_PTR>(GetDlgCtrlID(page.edDateValues)), DTN_DATETIMECHANGE};
  change.st = st;
  SendMessageW(GetParent(page.edDateValues), WM_NOTIFY, change.nmhdr.idFrom, reinterpret_cast<LPARAM>(&change));
  EXPECT_EQ(grid.Cells().Cell(2, 1), "6/1/2021");

  // Both must hold; the files the two conditions admit, and no other.
  SendMessageW(f.ConditionsPage().rdMatchAnyOr, BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageW(f.ConditionsPage().rdMatchAllAnd, BM_SETCHECK, BST_CHECKED, 0);
  SetText(f.General().edDirectories, dir.Root());
  SetText(f.General().cboFilemask, "*.txt");
  ASSERT_TRUE(f.Execute(TActionId::SearchStart));
  ASSERT_TRUE(test::Pump(f, [&] { return f.SearchState() == TSearchState::Idle; }));
  ASSERT_EQ(f.RowCount(), 1);
  EXPECT_EQ(f.RowText(0, 0), "old-big.txt");
  EXPECT_EQ(f.Conditions().Count(), 2);
  EXPECT_EQ(f.Conditions().CombineMode, TCombineMode::All);

  // Choosing another kind blanks the row; Clear All leaves one empty row.
  grid.Select(0, 1);
  Choose(page.cboConditions, L"Size (KB)");
  EXPECT_EQ(grid.Cells().Cell(1, 1), "");
  EXPECT_EQ(grid.Cells().Cell(2, 1), "");
  EXPECT_TRUE(Visible(page.cboConditions));  // the kind's editor lies over the cell
  f.btnClearAllClick();
  EXPECT_EQ(grid.Cells().RowCount(), 1);
  EXPECT_EQ(grid.Cells().Cell(0, 0), "");
  // No editor is left over a blank cell or below the grid.
  for (HWND h : {page.cboConditions, page.cboSearchTerms, page.edDateValues, page.edIntegerValues})
    EXPECT_FALSE(Visible(h));
}

// A press on a cell, as the user makes it: the grid takes the focus and selects it.
void ClickCell(TStringGrid& grid, int col, int row) {
  const RECT r = grid.CellRect(col, row);
  SendMessageW(grid.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
  SendMessageW(grid.Handle(), WM_LBUTTONUP, 0, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
}

// What an editor shows when Start is pressed is what the search applies, though
// the editor was never left: the toolbar, the shortcut and the action itself take
// no focus from it. The spin box, the date picker and the grid's own editor.
TEST(ConditionsTab, StartAppliesTheEditorNotYetLeft) {
  test::TTestFolder dir;
  const std::string big(200 * 1024, 'x');
  dir.File("big-new.txt", big);
  SetModified(dir.File("big-old.txt", big), 2020, 1, 1);
  SetModified(dir.File("small-old.txt", "x"), 2020, 1, 1);
  TCommandObject none;
  TfrmMain f(none, true);
  f.WorkerDeliveryInterval = std::chrono::milliseconds(0);
  SetText(f.General().edDirectories, dir.Root());
  SetText(f.General().cboFilemask, "*.txt");
  SendMessageW(f.ConditionsPage().rdMatchAnyOr, BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageW(f.ConditionsPage().rdMatchAllAnd, BM_SETCHECK, BST_CHECKED, 0);
  TConditionsPage& page = f.ConditionsPage();
  TStringGrid& grid = page.Grid();
  auto rows = [&] {
    EXPECT_TRUE(test::Pump(f, [&] { return f.SearchState() == TSearchState::Idle; }));
    std::vector<std::string> names;
    for (int i = 0; i < f.RowCount(); ++i) names.push_back(f.RowText(i, 0));
    std::sort(names.begin(), names.end());
    return names;
  };

  // Size (KB) is greater than 100, typed into the spin box; Start on the toolbar.
  ClickCell(grid, 0, 0);
  Choose(page.cboConditions, L"Size (KB)");
  ClickCell(grid, 1, 0);
  Choose(page.cboSearchTerms, L"is greater than");
  ClickCell(grid, 2, 0);
  SetFocus(page.edIntegerValues);
  SendMessageW(page.edIntegerValues, EM_SETSEL, 0, -1);
  for (wchar_t c : std::wstring(L"100")) SendMessageW(page.edIntegerValues, WM_CHAR, c, 0);
  RECT button{};
  SendMessageW(f.tbToolbar, TB_GETRECT, static_cast<WPARAM>(TActionId::SearchStart), reinterpret_cast<LPARAM>(&button));
  const LPARAM at = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
  SendMessageW(f.tbToolbar, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(f.tbToolbar, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(GetFocus(), page.edIntegerValues);
  EXPECT_EQ(rows(), (std::vector<std::string>{"big-new.txt", "big-old.txt"}));
  EXPECT_EQ(grid.Cells().Cell(2, 0), "100");
  // The cell taken again with the grid's focus: its editor shows the value and
  // takes what is typed next (not the grid's own editor beneath it).
  ClickCell(grid, 0, 0);
  SetFocus(grid.Handle());
  ClickCell(grid, 2, 0);
  EXPECT_EQ(GetFocus(), page.edIntegerValues);
  EXPECT_EQ(GetText(page.edIntegerValues), "100");
  // A number too large to hold is not taken for 0 when its cell is taken
  // again: Start refuses it and names its row, and the rows stay empty.
  SendMessageW(page.edIntegerValues, EM_SETSEL, 0, -1);
  for (wchar_t c : std::wstring(L"99999999999999999999")) SendMessageW(page.edIntegerValues, WM_CHAR, c, 0);
  ClickCell(grid, 0, 0);
  ClickCell(grid, 2, 0);
  const std::string tooLarge = GetText(page.edIntegerValues);
  EXPECT_EQ(tooLarge, grid.Cells().Cell(2, 0));
  EXPECT_NE(tooLarge, "0");
  ClickCell(grid, 0, 0);
  ASSERT_TRUE(f.Execute(TActionId::SearchStart));
  EXPECT_EQ(rows(), std::vector<std::string>{});
  EXPECT_EQ(f.PanelText(3).rfind("Size too large in condition row 1: ", 0), 0u) << f.PanelText(3);
  ClickCell(grid, 2, 0);
  SendMessageW(page.edIntegerValues, EM_SETSEL, 0, -1);
  for (wchar_t c : std::wstring(L"100")) SendMessageW(page.edIntegerValues, WM_CHAR, c, 0);
  ClickCell(grid, 0, 0);
  EXPECT_EQ(grid.Cells().Cell(2, 0), "100");

  // And (all must hold) a modification date before 6/1/2021, set in the picker
  // (its fields typed, not yet applied by a notification); Start by its shortcut.
  f.btnAddRowClick();
  ClickCell(grid, 0, 1);
  Choose(page.cboConditions, L"Modification date");
  ClickCell(grid, 1, 1);
  Choose(page.cboSearchTerms, L"is smaller than");
  ClickCell(grid, 2, 1);
  SetFocus(page.edDateValues);
  SYSTEMTIME st{};
  st.wYear = 2021;
  st.wMonth = 6;
  st.wDay = 1;
  SendMessageW(page.edDateValues, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
  SendMessageW(f.Handle(), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(TActionId::SearchStart), 1), 0);
  EXPECT_EQ(GetFocus(), page.edDateValues);
  EXPECT_EQ(rows(), std::vector<std::string>{"big-old.txt"});
  EXPECT_EQ(f.Conditions().Count(), 2);

  // The operator typed over in the grid's own editor: "is greater than" the date.
  ClickCell(grid, 1, 1);
  SendMessageW(grid.Handle(), WM_CHAR, L'i', 0);
  ASSERT_TRUE(grid.Editing());
  for (wchar_t c : std::wstring(L"s greater than")) SendMessageW(GetFocus(), WM_CHAR, c, 0);
  ASSERT_TRUE(f.Execute(TActionId::SearchStart));
  EXPECT_TRUE(grid.Editing());
  EXPECT_EQ(rows(), std::vector<std::string>{"big-new.txt"});
}

// Typing into a cell and Tab from cell to cell, as in a spreadsheet.
TEST(ConditionsTab, TypingAndTab) {
  TCommandObject none;
  TfrmMain f(none, true);
  TStringGrid& grid = f.ConditionsPage().Grid();
  grid.Select(0, 0);
  SetFocus(grid.Handle());
  SendMessageW(grid.Handle(), WM_CHAR, L's', 0);  // the first key opens the editor, which takes the rest
  ASSERT_TRUE(grid.Editing());
  for (wchar_t c : std::wstring(L"ize (kb)")) SendMessageW(GetFocus(), WM_CHAR, c, 0);
  SendMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
  EXPECT_FALSE(grid.Editing());
  EXPECT_EQ(grid.Cells().Cell(0, 0), "size (kb)");
  EXPECT_EQ(grid.Col(), 1);
  SendMessageW(grid.Handle(), WM_KEYDOWN, VK_TAB, 0);
  EXPECT_EQ(grid.Col(), 2);
  EXPECT_TRUE(Visible(f.ConditionsPage().edIntegerValues));  // a kind typed by hand counts
  // Escape drops what was typed.
  SendMessageW(grid.Handle(), WM_CHAR, L'7', 0);
  SendMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(grid.Cells().Cell(2, 0), "");
}

}  // namespace
}  // namespace sorvik
