// The main window's results list: sorting, the result actions, the context
// menu, saving the rows, the hit pane under the list and the Edit menu.
#include <windows.h>
#include <commdlg.h>

#include "ItemProp.h"
#include "MessageText.h"
#include "Win32Handles.h"
#include "WinText.h"
#include "formMain.h"

namespace sorvik {

void TfrmMain::lvwResultsColumnClick(int column) {
  SortColumn_ = column;
  SortAscending_ = !SortAscending_;  // flips on every click, whichever column
  Results_->Sort(SortColumn_, SortAscending_);
}

int TfrmMain::lvwResultsCompare(int first, int second) const {
  return Results_->Rows().Compare(static_cast<std::size_t>(first), static_cast<std::size_t>(second), SortColumn_,
                                  SortAscending_);
}

void TfrmMain::lvwResultsDblClick() { actSearchOpenFileSelectedExecute(); }

void TfrmMain::lvwResultsMouseDown(TMouseButton button, POINT point) {
  if (!ShowsContextMenu(button, SelectedRows())) return;
  const std::string path = Results_->Rows().FullPath(static_cast<std::size_t>(Results_->Selected()));
  ClientToScreen(lvwResults, &point);
  bool setAside = false;
  if (!Shell.ContextMenu(path, Handle(), point, setAside) && ShellRoute(path) != TShellRoute::Text)
    SayShellCantReach(Handle(), path);
}

void TfrmMain::actSearchOpenFileSelectedExecute() {
  const int row = Results_->Selected();
  if (row < 0) return;
  Shell.Run(Handle(), OpenSelectedCall(Results_->Text(row, 1), Results_->Text(row, 0)));
}

void TfrmMain::actSearchOpenFileWithExecute() {
  const int row = Results_->Selected();
  if (row < 0) return;
  Shell.Run(Handle(), OpenWithCall(Results_->Rows().FullPath(static_cast<std::size_t>(row))));
}

void TfrmMain::actSearchOpenSelectedFolderExecute() {
  const int row = Results_->Selected();
  if (row < 0) return;
  Shell.Run(Handle(), OpenFolderCall(Results_->Text(row, 1), Results_->Text(row, 0)));
}

void TfrmMain::actSearchFilepropertiesExecute() {
  const int row = Results_->Selected();
  if (row < 0) return;
  const std::string path = Results_->Rows().FullPath(static_cast<std::size_t>(row));
  if (!Shell.Properties(Handle(), path) && ShellRoute(path) != TShellRoute::Text) SayShellCantReach(Handle(), path);
}

void TfrmMain::lvwResultsSelect(int row) {
  if (!HitPaneShown_ || row < 0 || row >= Results_->Count()) return;
  HitPane_->ShowFile(Results_->Rows().FullPath(static_cast<std::size_t>(row)), HitWords_, HitInside_);
}

bool TfrmMain::SaveResults(const std::wstring& path) const { return Results_->SaveCsv(path); }

namespace {

using GetSaveFileNameFn = BOOL(WINAPI*)(OPENFILENAMEW*);

// The common dialogs' library (and the print spooler's it brings) is loaded when
// a list is first saved rather than at every start, from the system's folder
// only. It stays loaded until the program ends: a dialog can leave the shell's
// objects behind that still call into it.
GetSaveFileNameFn SaveDialogFunction() {
  static const UniqueModule library(LoadLibraryExW(L"comdlg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  return library ? reinterpret_cast<GetSaveFileNameFn>(
                       reinterpret_cast<void*>(GetProcAddress(library.get(), "GetSaveFileNameW")))
                 : nullptr;
}

}  // namespace

void TfrmMain::SaveSearch() {
  wchar_t path[MAX_PATH * 4] = L"results.csv";
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = Handle();
  ofn.lpstrFilter = L"CSV files (*.csv)\0*.csv\0All files (*.*)\0*.*\0";
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH * 4;
  ofn.lpstrDefExt = L"csv";
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  const auto getSaveFileName = SaveDialogFunction();
  if (!getSaveFileName) {
    ShowMessage(Handle(), "The save dialog is not available (comdlg32.dll)", MB_OK | MB_ICONERROR);
    return;
  }
  if (!getSaveFileName(&ofn)) return;
  if (!SaveResults(path)) ShowMessage(Handle(), "Unable to write to " + Narrow(path), MB_OK | MB_ICONERROR);
}

void TfrmMain::EditCommand(UINT message) {
  const HWND focus = GetFocus();
  if (!focus) return;
  if (focus == lvwResults) {
    if (message == WM_COPY) Results_->CopySelectedPath(Handle());
    return;
  }
  if (focus == HitPane_->List()) {
    if (message == WM_COPY) HitPane_->CopySelection();
    return;
  }
  if (HasClass(focus, WC_EDITW)) SendMessageW(focus, message, 0, 0);
}

void TfrmMain::SelectAllText() {
  const HWND focus = GetFocus();
  if (focus && HasClass(focus, WC_EDITW)) SendMessageW(focus, EM_SETSEL, 0, -1);
  if (focus && focus == HitPane_->List()) HitPane_->SelectAll();
}

}  // namespace sorvik
