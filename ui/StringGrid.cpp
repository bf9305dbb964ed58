#include "StringGrid.h"

#include <windowsx.h>
#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "Dpi.h"
#include "Gdi.h"
#include "Win32Handles.h"
#include "WinText.h"
#include "WindowBinding.h"

namespace sorvik {

TStringGrid::TStringGrid(HWND parent, int id, int x, int y, int cx, int cy, HFONT font, int cols, int rows, UINT dpi)
    : Cells_(cols, rows), Font_(font), ColWidth_(Scale(kDefaultColWidth, dpi)),
      RowHeight_(Scale(kDefaultRowHeight, dpi)) {
  RegisterClassOnce(kClassName, nullptr, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
  CreateHandle(kClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_CLIPSIBLINGS, WS_EX_CLIENTEDGE, x, y, cx, cy, parent,
               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
  UpdateScroll();
}

int TStringGrid::VisibleRows() const {
  RECT r;
  GetClientRect(Handle(), &r);
  return std::max(1, static_cast<int>(r.bottom / RowHeight_));
}

RECT TStringGrid::CellRect(int col, int row) const {
  const int left = col * (ColWidth_ + 1), top = (row - TopRow_) * (RowHeight_ + 1);
  return RECT{left, top, left + ColWidth_, top + RowHeight_};
}

void TStringGrid::UpdateScroll() {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  si.nMin = 0;
  si.nMax = std::max(0, Cells_.RowCount() - 1);
  si.nPage = static_cast<UINT>(VisibleRows());
  si.nPos = TopRow_;
  SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
}

void TStringGrid::ScrollTo(int row) {
  const int visible = VisibleRows();
  int top = TopRow_;
  if (row < top) top = row;
  if (row >= top + visible) top = row - visible + 1;
  top = std::clamp(top, 0, std::max(0, Cells_.RowCount() - visible));
  if (top != TopRow_) {
    TopRow_ = top;
    InvalidateRect(Handle(), nullptr, TRUE);
  }
  UpdateScroll();
}

void TStringGrid::SetDpi(UINT dpi) {
  if (Editor_) EndEdit(true);
  ColWidth_ = Scale(kDefaultColWidth, dpi);
  RowHeight_ = Scale(kDefaultRowHeight, dpi);
  UpdateScroll();
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TStringGrid::Refresh() {
  if (Row_ >= Cells_.RowCount()) Row_ = Cells_.RowCount() - 1;
  ScrollTo(std::max(0, std::min(TopRow_, Cells_.RowCount() - 1)));
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TStringGrid::Select(int col, int row) {
  if (Editor_) EndEdit(true);
  if (col < 0 || row < 0 || col >= Cells_.ColCount() || row >= Cells_.RowCount()) {
    Col_ = Row_ = -1;
  } else {
    if (OnSelectCell) OnSelectCell(col, row);
    Col_ = col;
    Row_ = row;
    ScrollTo(row);
  }
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TStringGrid::Move(int dcol, int drow) {
  const int col = std::clamp(Col_ < 0 ? 0 : Col_ + dcol, 0, Cells_.ColCount() - 1);
  const int row = std::clamp(Row_ < 0 ? 0 : Row_ + drow, 0, Cells_.RowCount() - 1);
  Select(col, row);
}

bool TStringGrid::Tab(bool back) {
  const int cols = Cells_.ColCount();
  int index = (Row_ < 0 ? 0 : Row_) * cols + (Col_ < 0 ? (back ? 0 : -1) : Col_) + (back ? -1 : 1);
  if (index < 0 || index >= cols * Cells_.RowCount()) return false;
  Select(index % cols, index / cols);
  return true;
}

void TStringGrid::BeginEdit(const std::wstring& initial, bool selectAll) {
  if (Col_ < 0 || Row_ < 0 || Editor_) return;
  const RECT r = CellRect(Col_, Row_);
  Editor_ = CreateChild(Handle(), WC_EDITW, initial.c_str(), WS_VISIBLE | ES_AUTOHSCROLL, 0, Font_, 0,
                        RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1});
  try {
    BeginSubclass(Editor_, EditorProc, this);
  } catch (...) {
    DestroyWindow(std::exchange(Editor_, nullptr));
    throw;
  }
  SetFocus(Editor_);
  const int length = GetWindowTextLengthW(Editor_);
  SendMessageW(Editor_, EM_SETSEL, selectAll ? 0 : length, length);
}

void TStringGrid::EndEdit(bool keep) {
  if (!Editor_) return;
  const HWND editor = std::exchange(Editor_, nullptr);
  if (keep) Cells_.SetCell(Col_, Row_, GetText(editor));
  const bool hadFocus = GetFocus() == editor;
  DestroyWindow(editor);
  if (hadFocus) SetFocus(Handle());
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TStringGrid::CommitEdit() {
  if (Editor_) Cells_.SetCell(Col_, Row_, GetText(Editor_));
}

LRESULT CALLBACK TStringGrid::EditorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  return GuardMessage(hwnd, msg, LRESULT{0}, [&]() -> LRESULT {
    auto* self = BoundObject<TStringGrid>(hwnd);
    if (!self) return DefSubclassProc(hwnd, msg, wp, lp);
    switch (msg) {
      case WM_GETDLGCODE: return DLGC_WANTALLKEYS | DefSubclassProc(hwnd, msg, wp, lp);
      case WM_KEYDOWN:
        if (wp == VK_RETURN || wp == VK_ESCAPE) {
          self->EndEdit(wp == VK_RETURN);
          return 0;
        }
        if (wp == VK_TAB) {
          self->EndEdit(true);
          const bool back = GetKeyState(VK_SHIFT) < 0;
          if (!self->Tab(back))
            SetFocus(GetNextDlgTabItem(GetAncestor(self->Handle(), GA_ROOT), self->Handle(), back));
          return 0;
        }
        break;
      case WM_CHAR:
        if (wp == L'\r' || wp == L'\t' || wp == 27) return 0;  // no beep
        break;
      case WM_KILLFOCUS:
        if (self->Editor_ == hwnd) PostMessageW(self->Handle(), WM_APP, 0, 0);  // keep the text once focus settles
        break;
      case WM_NCDESTROY: EndSubclass(hwnd, EditorProc); break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
  });
}

void TStringGrid::Paint(HDC dc) {
  RECT client;
  GetClientRect(Handle(), &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  const TSelected useFont(dc, Font_);
  SetBkMode(dc, TRANSPARENT);
  const UniqueGdiObject pen(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
  const TSelected usePen(dc, pen.get());
  const bool focused = GetFocus() == Handle();
  for (int row = TopRow_; row < Cells_.RowCount(); ++row) {
    for (int col = 0; col < Cells_.ColCount(); ++col) {
      RECT r = CellRect(col, row);
      if (r.top > client.bottom) break;
      const bool current = col == Col_ && row == Row_;
      if (current) FillRect(dc, &r, GetSysColorBrush(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
      SetTextColor(dc, GetSysColor(current && focused ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
      RECT text = r;
      text.left += 2;
      const std::wstring t = Widen(Cells_.Cell(col, row));
      DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &text,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
      if (current && focused) DrawFocusRect(dc, &r);
      // The lines right of and below the cell.
      MoveToEx(dc, r.right, r.top, nullptr);
      LineTo(dc, r.right, r.bottom + 1);
      MoveToEx(dc, r.left, r.bottom, nullptr);
      LineTo(dc, r.right + 1, r.bottom);
    }
  }
}

LRESULT TStringGrid::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      const TPaintDC dc(Handle());
      Paint(dc.get());
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT:
      Font_ = reinterpret_cast<HFONT>(wp);
      if (LOWORD(lp)) InvalidateRect(Handle(), nullptr, TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(Font_);
    case WM_SIZE: UpdateScroll(); return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(Handle(), nullptr, FALSE); return 0;
    case WM_APP:
      // The in-cell editor lost the focus: keep its text.
      if (Editor_ && GetFocus() != Editor_) EndEdit(true);
      return 0;
    case WM_LBUTTONDOWN: {
      SetFocus(Handle());
      const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
      const int col = x / (ColWidth_ + 1), row = TopRow_ + y / (RowHeight_ + 1);
      if (col < Cells_.ColCount() && row < Cells_.RowCount()) {
        if (col != Col_ || row != Row_) Select(col, row);
      }
      return 0;
    }
    case WM_MOUSEWHEEL: {
      const int rows = -GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA;
      TopRow_ = std::clamp(TopRow_ + rows, 0, std::max(0, Cells_.RowCount() - VisibleRows()));
      UpdateScroll();
      InvalidateRect(Handle(), nullptr, TRUE);
      return 0;
    }
    case WM_VSCROLL: {
      int top = TopRow_;
      switch (LOWORD(wp)) {
        case SB_LINEUP: --top; break;
        case SB_LINEDOWN: ++top; break;
        case SB_PAGEUP: top -= VisibleRows(); break;
        case SB_PAGEDOWN: top += VisibleRows(); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: top = HIWORD(wp); break;
      }
      if (Editor_) EndEdit(true);
      TopRow_ = std::clamp(top, 0, std::max(0, Cells_.RowCount() - VisibleRows()));
      UpdateScroll();
      InvalidateRect(Handle(), nullptr, TRUE);
      return 0;
    }
    case WM_GETDLGCODE: {
      // Tab moves between cells, except out of the first and the last one.
      LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
      const auto* m = reinterpret_cast<const MSG*>(lp);
      if (m && m->message == WM_KEYDOWN && m->wParam == VK_TAB) {
        const bool back = GetKeyState(VK_SHIFT) < 0;
        const int index = Row_ * Cells_.ColCount() + Col_;
        if (Row_ >= 0 && (back ? index > 0 : index + 1 < Cells_.ColCount() * Cells_.RowCount()))
          code |= DLGC_WANTTAB;
      }
      return code;
    }
    case WM_KEYDOWN:
      switch (wp) {
        case VK_LEFT: Move(-1, 0); return 0;
        case VK_RIGHT: Move(1, 0); return 0;
        case VK_UP: Move(0, -1); return 0;
        case VK_DOWN: Move(0, 1); return 0;
        case VK_HOME: Move(-Cells_.ColCount(), 0); return 0;
        case VK_END: Move(Cells_.ColCount(), 0); return 0;
        case VK_TAB: Tab(GetKeyState(VK_SHIFT) < 0); return 0;
        case VK_F2: BeginEdit(Widen(Cells_.Cell(Col_, Row_)), false); return 0;
      }
      break;
    case WM_CHAR:
      if (wp >= 32 && Col_ >= 0) {
        // Typing replaces the cell's text, as in a spreadsheet.
        BeginEdit(std::wstring(1, static_cast<wchar_t>(wp)), false);
        return 0;
      }
      return 0;
  }
  return TWindow::HandleMessage(msg, wp, lp);
}

}  // namespace sorvik
