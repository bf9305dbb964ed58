// The results list: a virtual list view (the control asks for texts and images
// as it draws) over the row store, its columns and its notifications.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "ActionRules.h"
#include "ResultRows.h"

namespace sorvik {

class TResultsView {
 public:
  TResultsView(HWND parent, int id, HFONT font, UINT dpi = 96);
  // The list stays with its parent; it stops asking this object.
  ~TResultsView();
  TResultsView(const TResultsView&) = delete;
  TResultsView& operator=(const TResultsView&) = delete;

  HWND Handle() const { return Handle_; }
  const TResultRows& Rows() const { return Rows_; }

  // Appends a row. The control learns the new count within a tenth of a
  // second (setting it redraws the scroll bar: far too slow for every row).
  void Append(const TResultRow& row);
  // Tells the control the count now.
  void Flush();
  void Clear();
  // Sorts by the column; the selected row stays selected and in view. The
  // header's arrow shows the order while the rows are in it (until a row is
  // added below them or the list is cleared).
  void Sort(int column, bool ascending);

  // The rows as CSV in a file; false when it can't be written whole.
  bool SaveCsv(const std::wstring& path) const;
  // The selected row's full path on the clipboard (nothing without a selection).
  void CopySelectedPath(HWND owner) const;

  // The height that shows the header and `rows` rows whole, with room for a
  // horizontal scroll bar, in the list's font at its size.
  int HeightForRows(int rows) const;

  int Count() const { return static_cast<int>(Rows_.Count()); }
  int SelectedCount() const;
  int Selected() const;  // -1 when none
  void Select(int row);
  std::string Text(int row, int column) const { return std::string(Rows_.Text(static_cast<std::size_t>(row), column)); }

  // Answers the list's notifications; false for those it leaves to the caller.
  bool OnNotify(const NMHDR* hdr, LRESULT& result);

  // What the list tells its owner.
  std::function<void(int column)> OnColumnClick;
  std::function<void()> OnDoubleClick;
  // A row became the selected one, by the mouse, the keyboard or Select.
  std::function<void(int row)> OnSelect;
  // A mouse press, in the list's client coordinates. A right press on a row
  // selects that row first, as the Explorer does.
  std::function<void(TMouseButton button, POINT point)> OnMouseDown;

 private:
  static LRESULT CALLBACK Subclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR);
  void GetDispInfo(NMLVDISPINFOW& info) const;
  int FindItem(const NMLVFINDITEMW& find) const;
  void SyncCount();
  void ShowSortArrow(int column, bool ascending);  // column -1: none

  HWND Handle_ = nullptr;
  TResultRows Rows_;
  bool CountPending_ = false;
  bool ArrowShown_ = false;
};

}  // namespace sorvik
