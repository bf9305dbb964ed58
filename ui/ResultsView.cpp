#include "ResultsView.h"

#include <windowsx.h>

#include <algorithm>

#include "Clipboard.h"
#include "Dpi.h"
#include "Gdi.h"
#include "Locale.h"
#include "Win32Handles.h"
#include "WinText.h"
#include "FileReplace.h"
#include "WindowBinding.h"
#include "Window.h"
#include "ResultCompare.h"

namespace sorvik {

namespace {

constexpr int kDesignWidths[kResultColumns] = {100, 150, 75, 75, 75, 75};  // at 96 DPI
constexpr UINT_PTR kCountTimer = 1;
constexpr UINT kCountDelayMs = 100;

// The date columns come after the name, folder and size.
constexpr int kFirstDateColumn = 3;

// Wide enough for the locale's longest date and time text in the list's font:
// a late date with a two-digit day, month and hour past noon.
int DateColumnWidth(HWND list, HFONT font, UINT dpi) {
  const std::wstring sample = Widen(DateTimeToStr(TStamp{2028, 12, 28, 22, 58, 58}));
  const TWindowDC dc(list);
  if (!dc) return 0;
  const TSelected useFont(dc.get(), font);
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), sample.c_str(), static_cast<int>(sample.size()), &size);
  return size.cx + Scale(14, dpi);  // the cell's margins
}

}  // namespace

TResultsView::TResultsView(HWND parent, int id, HFONT font, UINT dpi) {
  Handle_ = CreateChild(parent, WC_LISTVIEWW, L"",
                        WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS |
                            LVS_OWNERDATA,
                        id, font, WS_EX_CLIENTEDGE, RECT{0, 0, 10, 10});
  ListView_SetExtendedListViewStyle(Handle_, LVS_EX_FULLROWSELECT);
  const int dateWidth = DateColumnWidth(Handle_, font, dpi);
  for (int i = 0; i < kResultColumns; ++i) {
    const std::wstring caption = Widen(kResultColumnCaptions[static_cast<std::size_t>(i)]);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.pszText = const_cast<wchar_t*>(caption.c_str());
    col.cx = Scale(kDesignWidths[i], dpi);
    if (i >= kFirstDateColumn) col.cx = std::max(col.cx, dateWidth);
    col.iSubItem = i;
    SendMessageW(Handle_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col));
  }
  BeginSubclass(Handle_, Subclass, this);
}

int TResultsView::HeightForRows(int rows) const {
  const HDC dc = GetDC(Handle_);
  const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(Handle_, WM_GETFONT, 0, 0)));
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(Handle_, dc);
  // A row as tall as its text or its small icon, the header as its text and
  // its padding: from the font alone, so the answer is the same before the
  // list is first laid out and after a change of scale.
  const int row = std::max<int>(tm.tmHeight + 4, GetSystemMetrics(SM_CYSMICON) + 2);
  const int headerHeight = tm.tmHeight + 8;
  return headerHeight + rows * row + GetSystemMetrics(SM_CYHSCROLL) + 2 * GetSystemMetrics(SM_CYEDGE);
}

TResultsView::~TResultsView() {
  if (IsWindow(Handle_)) EndSubclass(Handle_, Subclass);
}

void TResultsView::SyncCount() {
  SendMessageW(Handle_, LVM_SETITEMCOUNT, Rows_.Count(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void TResultsView::Append(const TResultRow& row) {
  Rows_.Append(row);
  // A row found after a sort goes below the sorted ones: the order is no longer the arrow's.
  if (ArrowShown_) ShowSortArrow(-1, false);
  if (!CountPending_) {
    CountPending_ = true;
    SetTimer(Handle_, kCountTimer, kCountDelayMs, nullptr);
  }
}

void TResultsView::Flush() {
  if (!CountPending_) return;
  CountPending_ = false;
  KillTimer(Handle_, kCountTimer);
  SyncCount();
}

void TResultsView::Clear() {
  CountPending_ = false;
  KillTimer(Handle_, kCountTimer);
  Rows_.Clear();
  SendMessageW(Handle_, LVM_SETITEMCOUNT, 0, 0);
  if (ArrowShown_) ShowSortArrow(-1, false);
}

void TResultsView::Sort(int column, bool ascending) {
  Flush();
  const int selected = Selected();
  const std::vector<std::size_t> moved = Rows_.Sort(column, ascending, UserDateFormat(), CurrentYear());
  if (selected >= 0) Select(static_cast<int>(moved[static_cast<std::size_t>(selected)]));
  ShowSortArrow(column, ascending);
  InvalidateRect(Handle_, nullptr, FALSE);
}

void TResultsView::ShowSortArrow(int column, bool ascending) {
  ArrowShown_ = column >= 0;
  const HWND header = ListView_GetHeader(Handle_);
  for (int i = 0; i < kResultColumns; ++i) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    Header_GetItem(header, i, &item);
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (i == column) item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
    Header_SetItem(header, i, &item);
  }
}

bool TResultsView::SaveCsv(const std::wstring& path) const {
  // Beside the file first: a failure (a full disk, say) leaves a file saved before whole.
  return ReplaceFileWith(path, ResultsToCsv(Rows_));
}

void TResultsView::CopySelectedPath(HWND owner) const {
  const int row = Selected();
  if (row < 0) return;
  PutClipboardText(owner, Widen(Rows_.FullPath(static_cast<std::size_t>(row))));
}

int TResultsView::SelectedCount() const {
  return static_cast<int>(SendMessageW(Handle_, LVM_GETSELECTEDCOUNT, 0, 0));
}

int TResultsView::Selected() const {
  return static_cast<int>(SendMessageW(Handle_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void TResultsView::Select(int row) {
  Flush();
  ListView_SetItemState(Handle_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (row < 0 || row >= Count()) return;
  ListView_SetItemState(Handle_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(Handle_, row, FALSE);
}

void TResultsView::GetDispInfo(NMLVDISPINFOW& info) const {
  LVITEMW& item = info.item;
  if (item.iItem < 0 || item.iItem >= Count()) return;
  const auto row = static_cast<std::size_t>(item.iItem);
  if ((item.mask & LVIF_TEXT) && item.iSubItem >= 0 && item.iSubItem < kResultColumns)
    WidenInto(Rows_.Text(row, item.iSubItem), item.pszText, item.cchTextMax);
  if (item.mask & LVIF_IMAGE) item.iImage = Rows_.ImageIndex(row);
}

// Typing in the list jumps to the next file name that begins with what was typed.
int TResultsView::FindItem(const NMLVFINDITEMW& find) const {
  if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz || Count() == 0) return -1;
  const std::wstring typed = find.lvfi.psz;
  const int n = Count();
  const int start = find.iStart < 0 || find.iStart >= n ? 0 : find.iStart;
  std::wstring caption;
  for (int k = 0; k < n; ++k) {
    const int i = (start + k) % n;
    if (k > 0 && i == start) break;
    if (!(find.lvfi.flags & LVFI_WRAP) && i < start) break;
    Widen(std::string(Rows_.Text(static_cast<std::size_t>(i), 0)), caption);
    if (caption.size() < typed.size()) continue;
    const bool whole = !(find.lvfi.flags & LVFI_PARTIAL);
    if (whole && caption.size() != typed.size()) continue;
    if (CompareStringOrdinal(caption.c_str(), static_cast<int>(typed.size()), typed.c_str(),
                             static_cast<int>(typed.size()), TRUE) == CSTR_EQUAL)
      return i;
  }
  return -1;
}

bool TResultsView::OnNotify(const NMHDR* hdr, LRESULT& result) {
  switch (hdr->code) {
    case LVN_GETDISPINFOW:
      GetDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(hdr)));
      result = 0;
      return true;
    case LVN_ODFINDITEMW:
      result = FindItem(*reinterpret_cast<const NMLVFINDITEMW*>(hdr));
      return true;
    case LVN_COLUMNCLICK:
      if (OnColumnClick) OnColumnClick(reinterpret_cast<const NMLISTVIEW*>(hdr)->iSubItem);
      result = 0;
      return true;
    case LVN_ITEMCHANGED: {
      const auto& change = *reinterpret_cast<const NMLISTVIEW*>(hdr);
      if (change.iItem >= 0 && (change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_SELECTED) &&
          !(change.uOldState & LVIS_SELECTED) && OnSelect)
        OnSelect(change.iItem);
      result = 0;
      return true;
    }
    case NM_DBLCLK:
      if (OnDoubleClick) OnDoubleClick();
      result = 0;
      return true;
    default: return false;
  }
}

LRESULT CALLBACK TResultsView::Subclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  return GuardMessage(hwnd, msg, LRESULT{0}, [&]() -> LRESULT {
    auto* self = BoundObject<TResultsView>(hwnd);
    if (!self) return DefSubclassProc(hwnd, msg, wp, lp);
    const POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    switch (msg) {
      case WM_LBUTTONDOWN:
      case WM_MBUTTONDOWN:
        if (self->OnMouseDown)
          self->OnMouseDown(msg == WM_LBUTTONDOWN ? TMouseButton::Left : TMouseButton::Middle, pt);
        break;
      case WM_RBUTTONDOWN: {
        // The list's own right-button handling waits for a drag in a loop of its
        // own; the press is ours: select the row under it, then tell the owner.
        LVHITTESTINFO hit{};
        hit.pt = pt;
        if (SendMessageW(hwnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) >= 0 && (hit.flags & LVHT_ONITEM))
          self->Select(hit.iItem);
        SetFocus(hwnd);
        if (self->OnMouseDown) self->OnMouseDown(TMouseButton::Right, pt);
        return 0;
      }
      case WM_TIMER:
        if (wp != kCountTimer) break;
        self->Flush();
        return 0;
      case WM_SETFOCUS:
        // With no row selected the focus would show nowhere: it goes to the first row.
        self->Flush();
        if (self->Count() > 0 && ListView_GetNextItem(hwnd, -1, LVNI_FOCUSED) < 0)
          ListView_SetItemState(hwnd, 0, LVIS_FOCUSED, LVIS_FOCUSED);
        break;
      case WM_CONTEXTMENU: {
        // The menu key or Shift+F10: the selected row's menu, below its name.
        // A right press already showed it for the mouse.
        const int row = self->Selected();
        RECT r{};
        if (lp == -1 && row >= 0 && self->OnMouseDown) {
          r.left = LVIR_LABEL;
          SendMessageW(hwnd, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
          self->OnMouseDown(TMouseButton::Right, POINT{r.left, r.bottom});
        }
        return 0;
      }
      case WM_NCDESTROY:
        EndSubclass(hwnd, Subclass);
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
  });
}

}  // namespace sorvik
