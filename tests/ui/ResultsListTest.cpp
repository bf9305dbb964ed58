// The results list in the main window: sorting, the result actions, the mouse,
// the context menu and the Edit and File menus.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "ItemProp.h"
#include "Locale.h"
#include "Pump.h"
#include "TestFolder.h"
#include "WinText.h"
#include "formMain.h"

namespace sorvik {
namespace {

using A = TActionId;
using test::Pump;


// A click on a column's header, as the user makes it.
void ClickHeader(TfrmMain& f, int column) {
  const HWND header = ListView_GetHeader(f.lvwResults);
  RECT r{};
  SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&r));
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(header, WM_LBUTTONUP, 0, at);
}

// A press on a row of the list (or below the last row for row -1).
LPARAM RowPoint(TfrmMain& f, int row) {
  RECT r{};
  r.left = LVIR_BOUNDS;
  if (row >= 0) {
    SendMessageW(f.lvwResults, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
    return MAKELPARAM(r.left + 20, (r.top + r.bottom) / 2);
  }
  GetClientRect(f.lvwResults, &r);
  return MAKELPARAM(20, r.bottom - 5);
}

// Enough files that a search is still running when the first rows arrive.
constexpr int kFiles = 2000;

std::string FileName(int i) { return std::string("f").append(std::to_string(1000 + i)).append(".txt"); }

TResultRow Row(const std::string& name, const std::string& folder, const std::string& size) {
  return {name, {folder, size, "1/1/2024", "1/1/2024", "1/1/2024"}, 0};
}

class ResultsList : public testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TfrmMain>(Empty, false);
    Form->WorkerDeliveryInterval = std::chrono::milliseconds(0);
    Form->Shell.Run = [this](HWND owner, const TShellCall& c) {
      EXPECT_EQ(owner, Form->Handle());
      Calls.push_back(c);
    };
    Form->Shell.Properties = [this](HWND, const std::string& path) {
      Calls.push_back({TShellAct::Open, "properties", path, "", ""});
      return true;
    };
    Form->Shell.ContextMenu = [this](const std::string& path, HWND, POINT screen, bool&) {
      Menus.push_back(path);
      MenuPoint = screen;
      return true;
    };
  }
  void Add(std::initializer_list<TResultRow> rows) {
    for (const TResultRow& r : rows) Form->Results().Append(r);
  }
  std::vector<std::string> Names() {
    std::vector<std::string> out;
    for (int i = 0; i < Form->RowCount(); ++i) out.push_back(Form->RowText(i, 0));
    return out;
  }
  TCommandObject Empty;
  std::unique_ptr<TfrmMain> Form;
  std::vector<TShellCall> Calls;
  std::vector<std::string> Menus;
  POINT MenuPoint{};
  test::TTestFolder Dir;
};

// The column whose header shows a sort arrow, and whether it points up; -1 for none.
std::pair<int, bool> SortArrow(TfrmMain& f) {
  const HWND header = ListView_GetHeader(f.lvwResults);
  for (int i = 0; i < kResultColumns; ++i) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    Header_GetItem(header, i, &item);
    if (item.fmt & (HDF_SORTUP | HDF_SORTDOWN)) return {i, (item.fmt & HDF_SORTUP) != 0};
  }
  return {-1, false};
}

TEST_F(ResultsList, HeaderClicksFlipTheOneFlagAndLaterRowsGoBelow) {
  for (int i = 0; i < kFiles; ++i) Dir.File(FileName(i), std::string(1 + i % 7, 'x'));
  TfrmMain& f = *Form;
  SetText(f.General().edDirectories, Dir.Root());
  SetText(f.General().cboFilemask, "*.txt");
  ASSERT_TRUE(f.Execute(A::SearchStart));
  ASSERT_TRUE(Pump(f, [&] { return f.RowCount() >= 20; }));
  ASSERT_TRUE(f.Execute(A::SearchPause));
  const int sorted = f.RowCount();
  // The first click, on any column, sorts descending.
  ClickHeader(f, 0);
  EXPECT_EQ(f.SortColumn(), 0);
  EXPECT_FALSE(f.SortAscending());
  for (int i = 0; i + 1 < sorted; ++i) ASSERT_GT(f.RowText(i, 0), f.RowText(i + 1, 0));
  EXPECT_EQ(SortArrow(f), std::make_pair(0, false));
  ASSERT_TRUE(f.Execute(A::SearchPause));
  ASSERT_TRUE(Pump(f, [&] { return f.SearchState() == TSearchState::Idle; }));
  ASSERT_EQ(f.RowCount(), kFiles);
  // Found after the sort: below the sorted block, in the order found.
  for (int i = sorted; i < kFiles; ++i) ASSERT_EQ(f.RowText(i, 0), FileName(i));
  EXPECT_EQ(SortArrow(f).first, -1);  // the rows are no longer in the arrow's order
  // A click on another column sorts it ascending; sizes as numbers, equal ones stable.
  ClickHeader(f, 2);
  EXPECT_TRUE(f.SortAscending());
  for (int i = 0; i + 1 < kFiles; ++i) {
    ASSERT_LE(std::stoi(f.RowText(i, 2)), std::stoi(f.RowText(i + 1, 2)));
    ASSERT_LE(f.lvwResultsCompare(i, i + 1), 0);
  }
  // The list draws from the store: what the control reports is the sorted text.
  wchar_t text[64] = {};
  LVITEMW item{};
  item.iSubItem = 2;
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(f.lvwResults, LVM_GETITEMTEXTW, kFiles - 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(text, L"7");
  EXPECT_EQ(SortArrow(f), std::make_pair(2, true));
  // At first use the date columns are wide enough for the locale's dates and times.
  const std::wstring late = Widen(DateTimeToStr(TStamp{2027, 11, 29, 23, 59, 59}));
  const int needed =
      static_cast<int>(SendMessageW(f.lvwResults, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(late.c_str())));
  for (int c = 3; c < kResultColumns; ++c)
    EXPECT_GT(static_cast<int>(SendMessageW(f.lvwResults, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0)), needed + 6)
        << "column " << c;
  // A new search starts in walk order: no arrow.
  ASSERT_TRUE(f.Execute(A::SearchStart));
  EXPECT_EQ(SortArrow(f).first, -1);
  ASSERT_TRUE(Pump(f, [&] { return f.SearchState() == TSearchState::Idle; }));
}

TEST_F(ResultsList, ActionsNeedASelectedRowAndAskTheShell) {
  TfrmMain& f = *Form;
  Add({Row("b c.txt", "C:\\A\\", "1"), Row("z.txt", "C:\\B\\", "2")});
  f.UpdateActions();
  for (A a : {A::SearchOpenFileSelected, A::SearchOpenFileWith, A::SearchOpenSelectedFolder, A::SearchFileproperties})
    EXPECT_FALSE(f.IsEnabled(a));
  // A double click and the actions themselves do nothing without a selected row.
  f.lvwResultsDblClick();
  f.actSearchOpenFileWithExecute();
  f.actSearchFilepropertiesExecute();
  EXPECT_TRUE(Calls.empty());
  f.Results().Select(0);
  f.UpdateActions();
  for (A a : {A::SearchOpenFileSelected, A::SearchOpenFileWith, A::SearchOpenSelectedFolder, A::SearchFileproperties})
    EXPECT_TRUE(f.IsEnabled(a));
  ASSERT_TRUE(f.Execute(A::SearchOpenFileSelected));
  ASSERT_TRUE(f.Execute(A::SearchOpenFileWith));
  ASSERT_TRUE(f.Execute(A::SearchOpenSelectedFolder));
  ASSERT_TRUE(f.Execute(A::SearchFileproperties));
  f.lvwResultsDblClick();
  // Enter on the list opens the selected row, through the dialog manager as the
  // program's message loop passes it on.
  SetFocus(f.lvwResults);
  MSG enter{f.lvwResults, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  ASSERT_TRUE(IsDialogMessageW(f.Handle(), &enter));
  ASSERT_EQ(Calls.size(), 6u);
  EXPECT_EQ(Calls[5], Calls[0]);
  EXPECT_EQ(Calls[0], (TShellCall{TShellAct::Open, "open", "C:\\A\\b c.txt", "", "C:\\A\\"}));
  EXPECT_EQ(Calls[1], (TShellCall{TShellAct::OpenWith, "openas", "C:\\A\\b c.txt", "", ""}));
  EXPECT_EQ(Calls[2], (TShellCall{TShellAct::OpenFolder, "open", "C:\\A\\", "", "C:\\A\\", 1, "C:\\A\\b c.txt"}));
  EXPECT_EQ(Calls[3].File, "C:\\A\\b c.txt");
  EXPECT_EQ(Calls[4], Calls[0]);
  // Sorting keeps the selected row selected.
  f.lvwResultsColumnClick(0);  // descending: z.txt first
  EXPECT_EQ(f.Results().Selected(), 1);
  EXPECT_EQ(f.RowText(1, 0), "b c.txt");
}

// The box a timer found while the box ran its own loop, and closed.
RECT BoxRect;
std::wstring BoxText;
void CALLBACK MeasureAndCloseBox(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND box = FindWindowW(L"#32770", L"Sorvik");
  if (!box) return;
  KillTimer(nullptr, timer);
  GetWindowRect(box, &BoxRect);
  std::wstring text(8192, L'\0');
  text.resize(static_cast<std::size_t>(GetDlgItemTextW(box, 0xFFFF, text.data(), static_cast<int>(text.size()))));
  BoxText = text;
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// Properties and Open folder on a path too long for the shell say so in a box
// that fits the screen: the path keeps both its ends and loses its middle.
TEST_F(ResultsList, AMessageAboutALongPathFitsTheScreen) {
  TfrmMain& f = *Form;
  f.Shell.Properties = [](HWND, const std::string&) { return false; };  // as the shell answers such a path
  f.Shell.Run = RunShellCall;  // the folder doesn't exist: the shell can't have it
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(f.Handle(), MONITOR_DEFAULTTOPRIMARY), &monitor));
  const RECT& work = monitor.rcWork;
  const std::string name = "last-file.txt";
  for (const std::size_t length : {281u, 1322u}) {
    std::string folder = "Z:\\sorvik-no-such-tree\\";
    while (folder.size() + name.size() + 20 < length) folder += "segment-" + std::to_string(folder.size()) + "\\";
    folder += std::string(length - folder.size() - name.size() - 1, 'x') + "\\";
    ASSERT_EQ(folder.size() + name.size(), length);
    Add({Row(name, folder, "1")});
    f.Results().Select(f.RowCount() - 1);
    f.UpdateActions();
    for (const auto& [action, end] : {std::pair{A::SearchFileproperties, name}, std::pair{A::SearchOpenSelectedFolder, std::string("x\\")}}) {
      test::DrainQuit();
      BoxText.clear();
      const UINT_PTR timer = SetTimer(nullptr, 0, 20, MeasureAndCloseBox);
      ASSERT_TRUE(f.Execute(action));
      KillTimer(nullptr, timer);
      const std::string at = std::to_string(length) + " characters, action " + std::to_string(static_cast<int>(action));
      ASSERT_FALSE(BoxText.empty()) << "no box, " << at;
      EXPECT_LE(BoxRect.right - BoxRect.left, work.right - work.left) << at;
      EXPECT_TRUE(BoxRect.left >= work.left && BoxRect.right <= work.right) << BoxRect.left << ".." << BoxRect.right << ", " << at;
      const std::string text = Narrow(BoxText);
      EXPECT_EQ(text.rfind("Windows can't carry this out on this path:\n" + folder.substr(0, 24), 0), 0u) << text;
      EXPECT_NE(text.find("..."), std::string::npos) << text;
      EXPECT_TRUE(text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0) << text;
    }
  }
}

// The text of the box `act` shows ("Sorvik" boxes, closed as they show);
// empty when none shows.
std::string BoxShownBy(const std::function<void()>& act) {
  test::DrainQuit();
  BoxText.clear();
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, MeasureAndCloseBox);
  act();
  KillTimer(nullptr, timer);
  return Narrow(BoxText);
}

// The system's own text for an error code, its line break dropped.
std::string SystemText(DWORD code) {
  wchar_t text[512] = {};
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, 512,
                           nullptr);
  while (n > 0 && (text[n - 1] == L'\n' || text[n - 1] == L'\r' || text[n - 1] == L' ')) --n;
  return Narrow(text, static_cast<int>(n));
}

// Opening a file that no program is set for offers the system's choice of one;
// where the system offers none (Wine has no Open With dialog), and whenever the
// shell refuses, the user is told why, in the system's words, with the file's
// path: never silence. The same for Open selected with, and for a file gone
// since the search.
TEST_F(ResultsList, AFileTheShellCantOpenIsNeverSilent) {
  TfrmMain& f = *Form;
  f.Shell.Run = RunShellCall;
  const std::string orphan = Dir.File("notes.sorvik-no-program", "text");
  Add({Row("notes.sorvik-no-program", Dir.Root() + "\\", "1"), Row("gone.txt", Dir.Root() + "\\", "1")});
  f.Results().Select(0);
  f.UpdateActions();
  const std::string noProgram = SystemText(ERROR_NO_ASSOCIATION);
  ASSERT_FALSE(noProgram.empty());
  const std::string cantOpen = "Windows can't open this file:\n" + orphan + "\n\n" + noProgram;
  EXPECT_EQ(BoxShownBy([&] { f.lvwResultsDblClick(); }), cantOpen);
  EXPECT_EQ(BoxShownBy([&] { f.Execute(A::SearchOpenFileSelected); }), cantOpen);
  const std::string with = BoxShownBy([&] { f.Execute(A::SearchOpenFileWith); });
  const std::string withHead = "Windows can't offer a choice of program for this file:\n" + orphan + "\n\n";
  EXPECT_EQ(with.substr(0, withHead.size()), withHead);
  EXPECT_GT(with.size(), withHead.size()) << "the system's reason";
  f.Results().Select(1);
  f.UpdateActions();
  EXPECT_EQ(BoxShownBy([&] { f.Execute(A::SearchOpenFileSelected); }),
            "Windows can't open this file:\n" + Dir.Path("gone.txt") + "\n\n" + SystemText(ERROR_FILE_NOT_FOUND));
}

struct TFindWindow {
  std::wstring Title;
  HWND Found = nullptr;
};
BOOL CALLBACK FindTitled(HWND h, LPARAM p) {
  auto* find = reinterpret_cast<TFindWindow*>(p);
  wchar_t text[512] = {};
  GetWindowTextW(h, text, 512);
  if (!IsWindowVisible(h) || find->Title != text) return TRUE;
  find->Found = h;
  return FALSE;
}
BOOL CALLBACK FindList(HWND h, LPARAM p) {
  wchar_t cls[64] = {};
  GetClassNameW(h, cls, 64);
  if (wcscmp(cls, WC_LISTVIEWW) != 0) return TRUE;
  *reinterpret_cast<HWND*>(p) = h;
  return FALSE;
}

// The visible top-level window titled `title` (of any process); null when there is none.
HWND TopWindowTitled(const std::wstring& title) {
  TFindWindow find{title};
  EnumWindows(FindTitled, reinterpret_cast<LPARAM>(&find));
  return find.Found;
}

// A list control inside a window (of any process).
HWND ListIn(HWND window) {
  HWND list = nullptr;
  EnumChildWindows(window, FindList, reinterpret_cast<LPARAM>(&list));
  return list;
}

// Open folder opens the row's folder in the shell's own window with the row's
// file selected: the one selected item of the folder's list, which lists the
// files by name. Also for a path the shell takes only as its item (long).
TEST_F(ResultsList, OpenFolderSelectsTheRowsFile) {
  TfrmMain& f = *Form;
  f.Shell.Run = RunShellCall;
  std::string deep;
  while (Dir.Root().size() + deep.size() < 200) deep += std::string(40, 'd') + "\\";
  deep += std::string(250 - Dir.Root().size() - deep.size(), 'e') + "\\";
  for (const std::string& sub : {std::string("near\\"), deep}) {
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) Dir.File(sub + name, "x");
    const std::string folder = Dir.Path(sub);
    ASSERT_EQ(ShellRoute(folder + "b.txt"), sub == deep ? TShellRoute::Item : TShellRoute::Text);
    Add({Row("b.txt", folder, "1")});
    f.Results().Select(f.RowCount() - 1);
    f.UpdateActions();
    const std::string folderName = folder.substr(0, folder.size() - 1);
    const std::wstring title = Widen(folderName.substr(folderName.rfind('\\') + 1));
    ASSERT_EQ(TopWindowTitled(title), nullptr);
    ASSERT_TRUE(f.Execute(A::SearchOpenSelectedFolder));
    HWND window = nullptr, list = nullptr;
    // The folder's window opens; where it lists the folder's files with a
    // selection, the row's file is the one selected.
    const bool opened = Pump(f, [&] {
      window = TopWindowTitled(title);
      list = window ? ListIn(window) : nullptr;
      return list != nullptr;
    });
    ASSERT_TRUE(opened) << folder << ": window " << window;
    Pump(
        f, [&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 3 && SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) > 0; },
        10000);
    // Wine's Explorer in a prefix made moments before may list the files
    // without selecting yet: the selection is checked where it shows one.
    if (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) != 3 || SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) == 0)
      std::printf("the Explorer window of %s shows no selection here: it isn't checked\n", folder.c_str());
    else {
      EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 1) << folder;
      EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1) << "b.txt, " << folder;
    }
    if (window) {
      PostMessageW(window, WM_CLOSE, 0, 0);
      EXPECT_TRUE(Pump(f, [&] { return !IsWindow(window); }));
    }
  }
}

TEST_F(ResultsList, OnlyARightPressWithASelectedRowShowsTheMenu) {
  TfrmMain& f = *Form;
  SetWindowPos(f.Handle(), nullptr, 0, 0, 597, 529, SWP_NOMOVE | SWP_NOZORDER);
  // No rows, nothing selected: a right press shows nothing.
  SendMessageW(f.lvwResults, WM_RBUTTONDOWN, MK_RBUTTON, RowPoint(f, -1));
  SendMessageW(f.lvwResults, WM_RBUTTONUP, 0, RowPoint(f, -1));
  EXPECT_TRUE(Menus.empty());
  Add({Row("a.txt", "C:\\A\\", "1"), Row("b.txt", "C:\\B\\", "2")});
  f.Results().Select(0);
  for (UINT press : {WM_LBUTTONDOWN, WM_MBUTTONDOWN}) {
    SendMessageW(f.lvwResults, press, 0, RowPoint(f, 0));
    SendMessageW(f.lvwResults, press + 1, 0, RowPoint(f, 0));
  }
  EXPECT_TRUE(Menus.empty());
  // A right press on the second row selects it and shows its menu at the press.
  const LPARAM at = RowPoint(f, 1);
  SendMessageW(f.lvwResults, WM_RBUTTONDOWN, MK_RBUTTON, at);
  SendMessageW(f.lvwResults, WM_RBUTTONUP, 0, at);
  ASSERT_EQ(Menus.size(), 1u);
  EXPECT_EQ(Menus[0], "C:\\B\\b.txt");
  EXPECT_EQ(f.Results().Selected(), 1);
  POINT expected{LOWORD(at), HIWORD(at)};
  ClientToScreen(f.lvwResults, &expected);
  EXPECT_EQ(MenuPoint.x, expected.x);
  EXPECT_EQ(MenuPoint.y, expected.y);
}

TEST_F(ResultsList, CopyAndSaveSearch) {
  TfrmMain& f = *Form;
  Add({Row("a,1.txt", "C:\\A\\", "1")});
  f.Results().Select(0);
  SetFocus(f.lvwResults);
  ASSERT_EQ(GetFocus(), f.lvwResults);
  f.EditCommand(WM_COPY);
  ASSERT_TRUE(OpenClipboard(f.Handle()));
  const HANDLE data = GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(data, nullptr);
  EXPECT_STREQ(static_cast<const wchar_t*>(GlobalLock(data)), L"C:\\A\\a,1.txt");
  GlobalUnlock(data);
  CloseClipboard();
  // Copy and Paste in a text field.
  SetText(f.General().cboFilemask, "*.cpp");
  SendMessageW(f.General().cboFilemask, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
  SetFocus(f.General().cboFilemask);
  f.EditCommand(WM_COPY);
  SetFocus(f.General().edDirectories);
  f.EditCommand(WM_PASTE);
  EXPECT_EQ(GetText(f.General().edDirectories), "*.cpp");

  const std::string path = Dir.Path("out.csv");
  ASSERT_TRUE(f.SaveResults(Widen(path)));
  std::ifstream in(path, std::ios::binary);
  std::stringstream got;
  got << in.rdbuf();
  EXPECT_EQ(got.str(), ResultsToCsv(f.Results().Rows()));
  EXPECT_NE(got.str().find("\"a,1.txt\",C:\\A\\,1,"), std::string::npos);
  EXPECT_EQ(GetFileAttributesW(Widen(path + ".new").c_str()), INVALID_FILE_ATTRIBUTES);  // nothing left beside it
  EXPECT_FALSE(f.SaveResults(Widen(Dir.Path("no such folder\\out.csv"))));
}

// The Save dialog a timer found while it ran its own loop: the file name typed into
// its focused field, and Save pressed. A box of the program's in its stead is closed.
std::wstring SaveAsPath;
bool SaveAsFound = false;
void CALLBACK TypeIntoSaveAs(HWND, UINT, UINT_PTR timer, DWORD) {
  if (const HWND said = FindWindowW(L"#32770", L"Sorvik")) {
    KillTimer(nullptr, timer);
    PostMessageW(said, WM_COMMAND, IDOK, 0);
    return;
  }
  const HWND box = FindWindowW(L"#32770", L"Save As");
  const HWND field = GetFocus();
  if (!box || !field || !IsChild(box, field)) return;
  KillTimer(nullptr, timer);
  SaveAsFound = true;
  SetWindowTextW(field, SaveAsPath.c_str());
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// File > Save Search through the system's dialog, whose library the program loads
// only when it is first asked for: the rows land in the file typed there.
TEST_F(ResultsList, SaveSearchWritesWhereTheDialogSays) {
  TfrmMain& f = *Form;
  Add({Row("a.txt", "C:\\A\\", "1"), Row("b.txt", "C:\\B\\", "2")});
  const std::string path = Dir.Path("saved.csv");
  SaveAsPath = Widen(path);
  test::DrainQuit();
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, TypeIntoSaveAs);
  f.SaveSearch();
  KillTimer(nullptr, timer);
  ASSERT_TRUE(SaveAsFound) << "no Save dialog";
  std::ifstream in(path, std::ios::binary);
  std::stringstream got;
  got << in.rdbuf();
  EXPECT_EQ(got.str(), ResultsToCsv(f.Results().Rows()));
}

BOOL CALLBACK CountWindow(HWND, LPARAM n) {
  ++*reinterpret_cast<int*>(n);
  return TRUE;
}

// The real menu, up to the point where it would be shown: files that are gone.
TEST(ContextMenu, GoneFilesShowNothingAndLeakNothing) {
  test::TTestFolder dir;
  const std::string gone = dir.Path("gone.txt");
  dir.Folder("sub");
  const std::string inGoneFolder = dir.Path("sub") + "\\x.txt";
  RemoveDirectoryW(Widen(dir.Path("sub")).c_str());
  const HANDLE self = GetCurrentProcess();
  auto objects = [&] { return GetGuiResources(self, GR_GDIOBJECTS) + GetGuiResources(self, GR_USEROBJECTS); };
  auto windows = [] {
    int n = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&n));
    return n;
  };
  bool setAside = true;
  ShowShellContextMenu(gone, nullptr, POINT{10, 10}, setAside);  // first use loads what the shell keeps
  const DWORD before = objects();
  const int windowsBefore = windows();
  for (const std::string& path : {gone, inGoneFolder, std::string("Q:\\no\\drive.txt")}) {
    setAside = true;
    EXPECT_FALSE(ShowShellContextMenu(path, nullptr, POINT{10, 10}, setAside)) << path;
    EXPECT_FALSE(setAside);
  }
  EXPECT_EQ(objects(), before);
  EXPECT_EQ(windows(), windowsBefore);
}

// What the menu showed, read while it was open.
struct TMenuSeen {
  int Entries = -1;
  std::string Hint;
  bool CallbackWindow = false;
} Seen;

// Runs inside the menu's modal loop: reads the open menu, hovers its first entry, closes it.
void CALLBACK LookAndDismiss(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  const HWND popup = FindWindowW(L"#32768", nullptr);
  const auto menu = popup ? reinterpret_cast<HMENU>(SendMessageW(popup, 0x01E1 /* MN_GETHMENU */, 0, 0)) : nullptr;
  const HWND callback = FindWindowW(L"ItemPropMenuCallbackHelper", L"ItemPropCallbackProcessor");
  Seen.CallbackWindow = callback != nullptr;
  if (menu) {
    Seen.Entries = GetMenuItemCount(menu);
    for (int i = 0; i < Seen.Entries && callback; ++i) {
      const UINT id = GetMenuItemID(menu, i);
      if (id == 0 || id == static_cast<UINT>(-1)) continue;
      SendMessageW(callback, WM_MENUSELECT, MAKEWPARAM(id, MF_STRING), reinterpret_cast<LPARAM>(menu));
      Seen.Hint = ApplicationHint();
      break;
    }
  }
  EndMenu();
}

// The real menu of a real file, dismissed: nothing is invoked, everything is released.
TEST(ContextMenu, DismissedMenuInvokesNothingAndReleasesAll) {
  test::TTestFolder dir;
  const std::string file = dir.File("r\xC3\xA9sum\xC3\xA9.txt", "text");  // a name outside ASCII
  TCommandObject none;
  TfrmMain owner(none, true);
  int before = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&before));
  Seen = {};
  test::DrainQuit();
  SetTimer(nullptr, 0, 300, LookAndDismiss);
  bool setAside = true;
  EXPECT_TRUE(ShowShellContextMenu(file, owner.Handle(), POINT{100, 100}, setAside));
  EXPECT_FALSE(setAside);
  EXPECT_TRUE(Seen.CallbackWindow);
  EXPECT_GT(Seen.Entries, 3);  // the shell's entries (Open, Copy, Delete, Properties...)
  EXPECT_NE(Seen.Hint.find('|'), std::string::npos) << Seen.Hint;
  EXPECT_GT(Seen.Hint.find('|'), 0u) << "the entry's verb comes first";
  EXPECT_EQ(ApplicationHint(), "");  // closing the menu clears it
  int after = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&after));
  EXPECT_EQ(after, before);
}

std::wstring SheetTitle;

BOOL CALLBACK FindSheet(HWND h, LPARAM out) {
  wchar_t title[128] = {};
  GetWindowTextW(h, title, 128);
  if (!IsWindowVisible(h) || wcsncmp(title, L"Properties", 10) != 0) return TRUE;
  *reinterpret_cast<HWND*>(out) = h;
  return FALSE;
}

// Runs inside the properties sheet's modal loop: notes its title and cancels it.
void CALLBACK CloseSheet(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND sheet = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindSheet, reinterpret_cast<LPARAM>(&sheet));
  if (!sheet) return;  // not up yet: the timer fires again
  KillTimer(nullptr, timer);
  wchar_t title[128] = {};
  GetWindowTextW(sheet, title, 128);
  SheetTitle = title;
  PostMessageW(sheet, WM_COMMAND, IDCANCEL, 0);
}

// File Properties shows the shell's sheet of the file, also where the shell
// doesn't take the request through ShellExecuteEx (Wine).
TEST(ContextMenu, FilePropertiesShowsTheSheet) {
  test::TTestFolder dir;
  const std::string file = dir.File("notes.txt", "text");
  TCommandObject none;
  TfrmMain owner(none, true);
  SheetTitle.clear();
  test::DrainQuit();
  const UINT_PTR timer = SetTimer(nullptr, 0, 200, CloseSheet);
  EXPECT_TRUE(ShowFileProperties(owner.Handle(), file));
  KillTimer(nullptr, timer);
  EXPECT_NE(SheetTitle.find(L"notes.txt"), std::wstring::npos) << Narrow(SheetTitle);
  EXPECT_FALSE(ShowFileProperties(owner.Handle(), dir.Path("gone.txt")));
}

// Entries whose names the system's path rules would change, made (with the
// folders above them) and removed through the literal form: the test folder's
// own removal takes plain paths.
class TOddEntries {
 public:
  explicit TOddEntries(const test::TTestFolder& dir) : Root_(L"\\\\?\\" + Widen(dir.Root())) {}
  ~TOddEntries() {
    for (auto it = Made_.rbegin(); it != Made_.rend(); ++it)
      if (!DeleteFileW(it->c_str())) RemoveDirectoryW(it->c_str());
  }
  TOddEntries(const TOddEntries&) = delete;
  TOddEntries& operator=(const TOddEntries&) = delete;
  // A file holding `bytes` at `relative` ('\\' between parts).
  void File(const std::string& relative, const std::string& bytes) {
    const std::wstring path = Root_ + L"\\" + Widen(relative);
    for (std::size_t at = Root_.size(); (at = path.find(L'\\', at + 1)) != std::wstring::npos;)
      if (CreateDirectoryW(path.substr(0, at).c_str(), nullptr)) Made_.push_back(path.substr(0, at));
    const UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(file) << relative;
    Made_.push_back(path);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  }

 private:
  std::wstring Root_;
  std::vector<std::wstring> Made_;
};

// The file-system path the shell reads from an identifier list, and the size
// and name of the entry it holds.
struct TItemSeen {
  std::string Path, Name;
  DWORD Size = 0;
};
TItemSeen SeeItem(const UniqueCoTaskMem& id) {
  TItemSeen seen;
  if (!id) return seen;
  const auto pidl = static_cast<PCIDLIST_ABSOLUTE>(id.get());
  wchar_t* path = nullptr;
  if (SUCCEEDED(SHGetNameFromIDList(pidl, SIGDN_FILESYSPATH, &path))) seen.Path = Narrow(path);
  CoTaskMemFree(path);
  ComPtr<IShellFolder> parent;
  PCUITEMID_CHILD child = nullptr;
  WIN32_FIND_DATAW data{};
  if (SUCCEEDED(SHBindToParent(pidl, IID_IShellFolder, parent.put_void(), &child)) &&
      SUCCEEDED(SHGetDataFromIDListW(parent.get(), child, SHGDFIL_FINDDATA, &data, sizeof data))) {
    seen.Name = Narrow(data.cFileName);
    seen.Size = data.nFileSizeLow;
  }
  return seen;
}

// A row whose file or folder has a name the system's path rules would change
// (a trailing blank or dot, a device's name, a folder "sub." beside "sub") is
// never given to the shell, which would act on another entry through the path
// as text: every action says it can't. Its identifier list still names exactly
// that entry, found by its name among its folder's items. A long path goes by
// its identifier list; plain short paths stay text.
TEST(ShellItem, EveryRowReachesItsOwnEntryOrSaysItCant) {
  test::TTestFolder dir;
  const std::string plain = dir.File("doc.txt", "plain");
  dir.File("sub\\dotted.txt", "plain");
  TOddEntries odd(dir);
  // Past the length the shell parses whole, but short of the one Wine's shell
  // folders stop at (MAX_PATH): they can't bind a folder beyond it.
  std::string deep;
  while (dir.Root().size() + deep.size() < 200) deep += std::string(40, 'd') + "\\";
  deep += std::string(254 - dir.Root().size() - deep.size() - 11, 'e') + "\\";
  ASSERT_EQ(dir.Path(deep + "last.txt ").size(), 254u);
  const std::vector<std::string> names = {"doc.txt ", "memo.txt.", "aux.txt", "CON", "COM1.log", deep + "last.txt "};
  for (const std::string& name : names) odd.File(name, "the odd one");
  odd.File(deep + "Long.txt", "the odd one");
  odd.File("sub.\\dotted.txt", "the odd one");
  odd.File("deep. \\" + deep + "last.txt", "the odd one");
  EXPECT_EQ(ShellRoute(plain), TShellRoute::Text);
  EXPECT_EQ(ShellRoute(dir.Path("sub\\dotted.txt")), TShellRoute::Text);
  EXPECT_EQ(ShellRoute(dir.Path(deep + "Long.txt")), TShellRoute::Item);
  EXPECT_EQ(SeeItem(ShellItemIdList(dir.Path(deep + "Long.txt"), nullptr)).Path, dir.Path(deep + "Long.txt"));
  EXPECT_EQ(SeeItem(ShellItemIdList("\\\\.\\" + plain, nullptr)).Path, plain);  // whatever form the folder has
  for (const std::string& name : names) {
    const std::string path = dir.Path(name);
    EXPECT_EQ(ShellRoute(path), TShellRoute::None) << path;
    const UniqueCoTaskMem id = ShellItemIdList(path, nullptr);
    ASSERT_TRUE(id) << path;
    const TItemSeen seen = SeeItem(id);
    EXPECT_EQ(seen.Path, path);
    EXPECT_EQ(seen.Name, name.substr(name.find_last_of('\\') + 1)) << path;
    EXPECT_EQ(seen.Size, 11u) << path << ": not the file itself";
  }
  EXPECT_FALSE(ShellItemIdList(dir.Path("gone.txt "), nullptr));
  for (const std::string& name : std::vector<std::string>{"sub.\\dotted.txt", "deep. \\" + deep + "last.txt"}) {
    EXPECT_EQ(ShellRoute(dir.Path(name)), TShellRoute::None) << name;
    EXPECT_FALSE(ShellItemIdList(dir.Path(name), nullptr)) << name;
  }
  // Open, Open with and Open folder say so; the menu and the sheet don't show.
  const std::string doc = dir.Path("doc.txt "), sub = dir.Path("sub.\\");
  for (const TShellCall& call :
       {OpenSelectedCall(dir.Root() + "\\", "doc.txt "), OpenWithCall(doc), OpenFolderCall(sub, "dotted.txt")}) {
    test::DrainQuit();
    BoxText.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, MeasureAndCloseBox);
    RunShellCall(nullptr, call);
    KillTimer(nullptr, timer);
    EXPECT_EQ(Narrow(BoxText), "Windows can't carry this out on this path:\n" + call.File);
  }
  TCommandObject none;
  TfrmMain owner(none, true);
  test::DrainQuit();
  Seen = {};
  const UINT_PTR menuTimer = SetTimer(nullptr, 0, 300, LookAndDismiss);  // should a menu show after all
  bool setAside = false;
  EXPECT_FALSE(ShowShellContextMenu(doc, owner.Handle(), POINT{100, 100}, setAside));
  KillTimer(nullptr, menuTimer);
  EXPECT_EQ(Seen.Entries, -1);
  SheetTitle.clear();
  const UINT_PTR sheetTimer = SetTimer(nullptr, 0, 200, CloseSheet);
  EXPECT_FALSE(ShowFileProperties(owner.Handle(), doc));
  KillTimer(nullptr, sheetTimer);
  EXPECT_EQ(SheetTitle, L"");
  // Nothing was deleted or changed by the way.
  EXPECT_EQ(SeeItem(ShellItemIdList(doc, nullptr)).Size, 11u);
  EXPECT_NE(GetFileAttributesW(Widen(plain).c_str()), INVALID_FILE_ATTRIBUTES);
}

// A menu handler whose entries have the verbs given, by command offset.
class TVerbMenu : public IContextMenu {
 public:
  explicit TVerbMenu(std::vector<std::string> verbs, bool ansiOnly) : Verbs_(std::move(verbs)), AnsiOnly_(ansiOnly) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IContextMenu) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU, UINT, UINT, UINT, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR offset, UINT type, UINT*, CHAR* out, UINT size) override {
    if (offset >= Verbs_.size() || Verbs_[offset].empty()) return E_INVALIDARG;
    if (type == GCS_VERBW && !AnsiOnly_) {
      lstrcpynW(reinterpret_cast<wchar_t*>(out), Widen(Verbs_[offset]).c_str(), static_cast<int>(size));
      return S_OK;
    }
    if (type == GCS_VERBA) {
      lstrcpynA(out, Verbs_[offset].c_str(), static_cast<int>(size));
      return S_OK;
    }
    return E_INVALIDARG;
  }

 private:
  std::vector<std::string> Verbs_;
  bool AnsiOnly_;
};

// The entry set aside is the one whose verb is "rename", wherever the handlers put it.
TEST(ContextMenu, TheRenameEntryIsSetAsideNotAPosition) {
  std::vector<std::string> verbs(30);
  verbs[0] = "open";
  verbs[18] = "copy";  // identifier 19
  verbs[25] = "rename";
  for (bool ansiOnly : {false, true}) {
    TVerbMenu menu(verbs, ansiOnly);
    EXPECT_FALSE(IsSetAsideCommand(&menu, 18)) << ansiOnly;
    EXPECT_FALSE(IsSetAsideCommand(&menu, 0));
    EXPECT_FALSE(IsSetAsideCommand(&menu, 5));  // an entry without a verb
    EXPECT_TRUE(IsSetAsideCommand(&menu, 25)) << ansiOnly;
  }
}

}  // namespace
}  // namespace sorvik
