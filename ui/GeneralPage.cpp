#include "GeneralPage.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>

#include "CommaText.h"
#include "Dpi.h"
#include "Win32Handles.h"
#include "WinText.h"
#include "Window.h"
#include "WindowBinding.h"

namespace sorvik {

namespace {

enum : int {
  idFilemask = 1001,
  idDirectories,
  idBrowse,
  idRecursive,
  idKeyWords,
  idWholeWords,
  idCaseSensitive,
  idWordsAny,
  idWordsAll,
  idExact,
  idInside,
  idSkipFolders = 1025,  // after the main window's own (formMain.cpp)
};

// The folder field takes a folder dropped on it from the shell.
LRESULT CALLBACK FolderFieldProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  return GuardMessage(hwnd, msg, LRESULT{0}, [&] {
    if (msg == WM_DROPFILES) {
      HDROP drop = reinterpret_cast<HDROP>(wp);
      wchar_t path[MAX_PATH * 4] = {};
      if (DragQueryFileW(drop, 0, path, MAX_PATH * 4) > 0) {
        const DWORD attr = GetFileAttributesW(path);
        if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) SetWindowTextW(hwnd, path);
      }
      DragFinish(drop);
      return LRESULT{0};
    }
    if (msg == WM_NCDESTROY) EndSubclass(hwnd, FolderFieldProc);
    return DefSubclassProc(hwnd, msg, wp, lp);
  });
}

// Where the match choice's frame ends at the design width.
constexpr int kOptionsFrameRight = 552;
// The narrowest the field of the folders to skip goes.
constexpr int kLeastSkipWidth = 64;

bool Checked(HWND h) { return SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void Check(HWND h, bool on) { SendMessageW(h, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }

}  // namespace

bool SameHistoryText(const std::string& a, const std::string& b) {
  const std::wstring x = Widen(a), y = Widen(b);
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, x.c_str(), static_cast<int>(x.size()), y.c_str(),
                        static_cast<int>(y.size())) == CSTR_EQUAL;
}

TGeneralPage::TGeneralPage(HWND page, HFONT font, TLayoutTable& layout) {
  using A = TAnchor;
  auto add = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int cx, int cy, int id,
                 A anchor = A::Fixed, DWORD exStyle = 0) {
    const HWND h = CreateChild(page, cls, text, WS_VISIBLE | style, id, font, exStyle);
    return cx > 0 ? layout.Add(h, x, y, cx, cy, anchor) : h;
  };
  grpSearchFor = add(WC_BUTTONW, L"Search for:", BS_GROUPBOX, 0, 0, 0, 0, 0);  // sized by FitGroup
  add(WC_STATICW, L"File&mask:", SS_RIGHT, 8, 23, 52, 16, 0);
  cboFilemask = add(WC_COMBOBOXW, L"", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP | WS_GROUP, 64, 20,
                    145, 200, idFilemask);
  add(WC_STATICW, L"Fol&ders:", SS_RIGHT, 214, 23, 44, 16, 0);
  // The browse button ends where the words box ends.
  edDirectories = add(WC_EDITW, L"", ES_AUTOHSCROLL | WS_TABSTOP, 262, 20, 270, 21, idDirectories, A::Stretch,
                      WS_EX_CLIENTEDGE);
  btnBrowse = add(WC_BUTTONW, L"...", BS_PUSHBUTTON | WS_TABSTOP, 532, 20, 20, 21, idBrowse, A::Follow);
  // Made left to right, as Tab goes.
  chkInside = add(WC_BUTTONW, L"Search &inside documents and archives", BS_AUTOCHECKBOX | WS_TABSTOP, 10, 45, 248, 17,
                  idInside);
  chkRecursive = add(WC_BUTTONW, L"Search &subfolders", BS_AUTOCHECKBOX | WS_TABSTOP, 262, 45, 120, 17, idRecursive);
  // Beside the subfolders they concern, widening with the window as the folder field does.
  lblSkipFolders = add(WC_STATICW, L"S&kip folders:", SS_RIGHT, 386, 46, 72, 16, 0);
  cboSkipFolders = add(WC_COMBOBOXW, L"", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 462, 43, 90, 200,
                       idSkipFolders, A::Stretch);
  add(WC_STATICW, L"&Words:", SS_RIGHT, 8, 69, 52, 16, 0);
  cboKeyWords = add(WC_COMBOBOXW, L"", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 64, 66, 488, 200,
                    idKeyWords, A::Stretch);
  chkWholeWords = add(WC_BUTTONW, L"Whole words", BS_AUTOCHECKBOX | WS_TABSTOP, 64, 98, 88, 17, idWholeWords);
  chkCaseSensitive = add(WC_BUTTONW, L"Case Sensitive", BS_AUTOCHECKBOX | WS_TABSTOP, 156, 98, 98, 17,
                         idCaseSensitive);
  Bevel1 = add(WC_STATICW, L"", SS_ETCHEDFRAME, 258, 93, kOptionsFrameRight - 258, 24, 0, A::Stretch);
  rdWordsAny = add(WC_BUTTONW, L"Match any", BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP, 264, 97, 81, 17, idWordsAny);
  rdWordsAll = add(WC_BUTTONW, L"Match all", BS_AUTORADIOBUTTON, 350, 97, 73, 17, idWordsAll);
  rdExact = add(WC_BUTTONW, L"Match Exactly", BS_AUTORADIOBUTTON, 428, 97, 92, 17, idExact);
  Check(rdWordsAny, true);
  Check(chkInside, true);
  // Completions from the file system's folders while typing, and folders dropped from the shell.
  SHAutoComplete(edDirectories, SHACF_FILESYS_DIRS);
  DragAcceptFiles(edDirectories, TRUE);
  BeginSubclass(edDirectories, FolderFieldProc, this);
}

TSearchPanel TGeneralPage::Read() const {
  TSearchPanel v;
  v.Mask = GetText(cboFilemask);
  v.Folder = GetText(edDirectories);
  v.Words = GetText(cboKeyWords);
  v.SkipFolders = GetText(cboSkipFolders);
  v.Recursive = Checked(chkRecursive);
  v.WholeWords = Checked(chkWholeWords);
  v.CaseSensitive = Checked(chkCaseSensitive);
  v.MatchMode = Checked(rdWordsAny) ? 0 : Checked(rdWordsAll) ? 1 : 2;
  v.InsideDocuments = Checked(chkInside);
  return v;
}

void TGeneralPage::Write(const TSearchPanel& v) {
  SetText(cboFilemask, v.Mask);
  SetText(edDirectories, v.Folder);
  SetText(cboKeyWords, v.Words);
  SetText(cboSkipFolders, v.SkipFolders);
  Check(chkRecursive, v.Recursive);
  Check(chkWholeWords, v.WholeWords);
  Check(chkCaseSensitive, v.CaseSensitive);
  const HWND modes[] = {rdWordsAny, rdWordsAll, rdExact};
  for (int i = 0; i < 3; ++i) Check(modes[i], i == (v.MatchMode <= 2 ? v.MatchMode : 0));
  Check(chkInside, v.InsideDocuments);
}

void TGeneralPage::Clear() {
  TSearchPanel empty;
  empty.InsideDocuments = Checked(chkInside);  // a preference, not part of one search
  Write(empty);
}

std::vector<std::string> TGeneralPage::History(THistory which) const {
  const HWND box = Box(which);
  std::vector<std::string> items;
  const int n = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) items.push_back(ComboItemText(box, i));
  return items;
}

void TGeneralPage::SetHistory(THistory which, const std::vector<std::string>& items) {
  const HWND box = Box(which);
  const std::string text = GetText(box);
  SendMessageW(box, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items)
    SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
  SetText(box, text);
}

void TGeneralPage::KeepInHistory(THistory which, int maxItems) {
  const std::string text = GetText(Box(which));
  if (text.empty()) return;
  std::vector<std::string> items = History(which);
  if (std::any_of(items.begin(), items.end(), [&](const std::string& e) { return SameHistoryText(e, text); })) return;
  UpdateHistoryList(text, items, maxItems, true, SameHistoryText);
  SetHistory(which, items);
}

bool TGeneralPage::IsTextField(HWND control) const {
  return control && (control == edDirectories || control == cboFilemask || control == cboKeyWords ||
                     control == cboSkipFolders || IsChild(cboFilemask, control) || IsChild(cboKeyWords, control) ||
                     IsChild(cboSkipFolders, control));
}

void TGeneralPage::FitGroup(int width, int height, int margin) {
  SetWindowPos(grpSearchFor, nullptr, margin, 0, width - 2 * margin, height - margin, SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

// A control's caption's width in its font.
int TextWidth(HWND label) {
  const std::wstring text = Widen(GetText(label));
  const HDC dc = GetDC(label);
  const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
  RECT r{0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, old);
  ReleaseDC(label, dc);
  return r.right - r.left;
}

// A check box's or radio button's width for its caption: the glyph, its gap and the text.
int ButtonWidth(HWND button, UINT dpi) {
  return TextWidth(button) + GetSystemMetrics(SM_CXMENUCHECK) + Scale(8, dpi);
}

RECT PlaceOf(HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void MoveTo(HWND control, const RECT& r) {
  SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

TGeneralPage::TPackedRow TGeneralPage::PackOptionsRow(UINT dpi) const {
  const int gap = Scale(4, dpi), inset = Scale(6, dpi);
  TPackedRow row{};
  const auto after = [&](const RECT& before, HWND control, int space) {
    const RECT now = PlaceOf(control);
    const int left = before.right + space;
    return RECT{left, now.top, left + ButtonWidth(control, dpi), now.bottom};
  };
  // From the left edge of the boxes above it.
  const RECT whole = PlaceOf(chkWholeWords);
  const int left = PlaceOf(chkInside).left;
  row.Whole = RECT{left, whole.top, left + ButtonWidth(chkWholeWords, dpi), whole.bottom};
  row.Case = after(row.Whole, chkCaseSensitive, gap);
  const RECT frame = PlaceOf(Bevel1);
  row.Frame = RECT{row.Case.right + gap, frame.top, 0, frame.bottom};
  RECT last{row.Frame.left, 0, row.Frame.left, 0};
  const HWND modes[] = {rdWordsAny, rdWordsAll, rdExact};
  for (int i = 0; i < 3; ++i) last = row.Modes[i] = after(last, modes[i], i == 0 ? inset : gap);
  row.Frame.right = last.right + inset;
  return row;
}

int TGeneralPage::PackSkipRow(UINT dpi, RECT places[3]) const {
  const int gap = Scale(4, dpi);
  const RECT inside = PlaceOf(chkInside), subfolders = PlaceOf(chkRecursive), label = PlaceOf(lblSkipFolders);
  places[0] = RECT{inside.left, inside.top, inside.left + ButtonWidth(chkInside, dpi), inside.bottom};
  places[1] = RECT{places[0].right + gap, subfolders.top, places[0].right + gap + ButtonWidth(chkRecursive, dpi),
                   subfolders.bottom};
  const int caption = TextWidth(lblSkipFolders) + Scale(2, dpi);
  places[2] = RECT{places[1].right + gap, label.top, places[1].right + gap + caption, label.bottom};
  return places[2].right + gap;
}

void TGeneralPage::FitOptionsRow(UINT dpi) {
  // The row of the folders to skip: its field keeps a least width, its
  // captions their room.
  {
    const RECT field = PlaceOf(cboSkipFolders);
    bool fits = field.right - field.left >= Scale(kLeastSkipWidth, dpi) &&
                PlaceOf(lblSkipFolders).right - PlaceOf(lblSkipFolders).left >= TextWidth(lblSkipFolders);
    for (const HWND c : {chkInside, chkRecursive}) fits = fits && PlaceOf(c).right - PlaceOf(c).left >= ButtonWidth(c, dpi);
    if (!fits) {
      RECT places[3];
      const int left = PackSkipRow(dpi, places);
      MoveTo(chkInside, places[0]);
      MoveTo(chkRecursive, places[1]);
      MoveTo(lblSkipFolders, places[2]);
      MoveTo(cboSkipFolders, RECT{left, field.top, std::max<LONG>(field.right, left + Scale(kLeastSkipWidth, dpi)),
                                  field.top + (PlaceOf(cboSkipFolders).bottom - PlaceOf(cboSkipFolders).top)});
    }
  }
  const RECT frame = PlaceOf(Bevel1);
  const TPackedRow row = PackOptionsRow(dpi);
  // As designed while every caption has its room there.
  const HWND controls[] = {chkWholeWords, chkCaseSensitive, rdWordsAny, rdWordsAll, rdExact};
  bool fits = PlaceOf(rdExact).right + Scale(4, dpi) <= frame.right;
  for (const HWND c : controls) fits = fits && PlaceOf(c).right - PlaceOf(c).left >= ButtonWidth(c, dpi);
  if (fits) return;
  MoveTo(chkWholeWords, row.Whole);
  MoveTo(chkCaseSensitive, row.Case);
  MoveTo(Bevel1, RECT{row.Frame.left, frame.top, std::max(frame.right, row.Frame.right), frame.bottom});
  const HWND modes[] = {rdWordsAny, rdWordsAll, rdExact};
  for (int i = 0; i < 3; ++i) MoveTo(modes[i], row.Modes[i]);
}

int TGeneralPage::LeastExtraWidth(UINT dpi) const {
  // The frame ends where it ends at the design width plus the extra width.
  // Both rows end where the words box ends: at the design width plus the extra width.
  const TPackedRow row = PackOptionsRow(dpi);
  RECT places[3];
  const int skipRight = PackSkipRow(dpi, places) + Scale(kLeastSkipWidth, dpi);
  return std::min<int>(std::max<int>(row.Frame.right, skipRight) - Scale(kOptionsFrameRight, dpi), 0);
}

bool TGeneralPage::OnCommand(HWND from, int code) {
  if (from != btnBrowse || code != BN_CLICKED) return false;
  BrowseForFolder();
  return true;
}

void TGeneralPage::BrowseForFolder() {
  BROWSEINFOW bi{};
  bi.hwndOwner = GetAncestor(edDirectories, GA_ROOT);
  bi.lpszTitle = L"Select a directory:";
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  UniqueCoTaskMem pidl(SHBrowseForFolderW(&bi));
  if (!pidl) return;
  wchar_t path[MAX_PATH] = {};
  if (SHGetPathFromIDListW(static_cast<PCIDLIST_ABSOLUTE>(pidl.get()), path)) SetWindowTextW(edDirectories, path);
}

}  // namespace sorvik
