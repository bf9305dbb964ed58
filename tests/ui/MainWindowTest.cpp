// The main window in this process, driven through its actions and controls.
#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <chrono>
#include <cwctype>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Pump.h"
#include "TestFolder.h"
#include "WinText.h"
#include "formAbout.h"
#include "GeneralPage.h"
#include "SystemError.h"
#include "formMain.h"

namespace sorvik {
namespace {

using A = TActionId;
using test::Pump;
using test::PumpFor;
using S = TSearchState;



// Enough files that a search is still running when the first rows arrive.
constexpr int kFiles = 2000;

std::string FileName(int i) { return std::string("f").append(std::to_string(1000 + i)).append(".txt"); }

bool Checked(HWND h) { return SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED; }

int Width(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  return r.right - r.left;
}

struct TEnabled {
  bool Start, Pause, Stop, Clear, About, Open, Properties;
};
TEnabled States(TfrmMain& f) {
  f.UpdateActions();
  return {f.IsEnabled(A::SearchStart),         f.IsEnabled(A::SearchPause), f.IsEnabled(A::SearchStop),
          f.IsEnabled(A::FileClearScreen),     f.IsEnabled(A::HelpAbout),   f.IsEnabled(A::SearchOpenFileSelected),
          f.IsEnabled(A::SearchFileproperties)};
}

class MainWindow : public testing::Test {
 protected:
  // A folder of `files` small files that all hold the word "needle".
  void Fill(int files) {
    for (int i = 0; i < files; ++i) Dir.File(FileName(i), "a needle here");
  }
  void Prepare(TfrmMain& f, const std::string& words = "needle") {
    f.WorkerDeliveryInterval = std::chrono::milliseconds(0);  // still running when the first rows arrive
    SetText(f.General().edDirectories, Dir.Root());
    SetText(f.General().cboFilemask, "*.txt");
    SetText(f.General().cboKeyWords, words);
  }
  test::TTestFolder Dir;
  TCommandObject Empty;
};

TEST_F(MainWindow, FreshWindowEnablesStartAndClearOnly) {
  TfrmMain f(Empty, false);
  EXPECT_EQ(f.SearchState(), S::Idle);
  const TEnabled e = States(f);
  EXPECT_TRUE(e.Start && e.Clear && e.About);
  EXPECT_FALSE(e.Pause || e.Stop || e.Open || e.Properties);
  // Disabled actions can't be run, from the menu or a shortcut.
  EXPECT_FALSE(f.Execute(A::SearchStop));
  SendMessageW(f.Handle(), WM_COMMAND, static_cast<WPARAM>(A::SearchPause), 0);
  EXPECT_EQ(f.SearchState(), S::Idle);
  // The toolbar shows the same.
  EXPECT_FALSE(SendMessageW(f.tbToolbar, TB_ISBUTTONENABLED, static_cast<WPARAM>(A::SearchStop), 0));
  EXPECT_TRUE(SendMessageW(f.tbToolbar, TB_ISBUTTONENABLED, static_cast<WPARAM>(A::SearchStart), 0));
  EXPECT_EQ(GetText(f.Handle()), "Sorvik");
}

TEST_F(MainWindow, ShortcutsMenusAndToolbarShareTheActions) {
  TfrmMain f(Empty, false);
  std::vector<ACCEL> table(static_cast<std::size_t>(CopyAcceleratorTableW(f.Accelerators(), nullptr, 0)));
  CopyAcceleratorTableW(f.Accelerators(), table.data(), static_cast<int>(table.size()));
  auto command = [&](WORD key) {
    for (const ACCEL& a : table)
      if (a.key == key && (a.fVirt & (FCONTROL | FALT)) == (FCONTROL | FALT)) return static_cast<int>(a.cmd);
    return -1;
  };
  EXPECT_EQ(command('S'), static_cast<int>(A::SearchStart));
  EXPECT_EQ(command('T'), static_cast<int>(A::SearchStop));
  EXPECT_EQ(command('P'), static_cast<int>(A::SearchPause));
  EXPECT_EQ(command('E'), static_cast<int>(A::SearchOpenSelectedFolder));
  HMENU search = GetSubMenu(GetMenu(f.Handle()), 3);  // after File, Edit and View
  wchar_t text[64] = {};
  GetMenuStringW(search, static_cast<UINT>(A::SearchStart), text, 64, MF_BYCOMMAND);
  EXPECT_STREQ(text, L"&Start\tCtrl+Alt+S");
  GetMenuStringW(search, static_cast<UINT>(A::SearchPause), text, 64, MF_BYCOMMAND);
  EXPECT_STREQ(text, L"&Pause\tCtrl+Alt+P");
  f.UpdateActions();
  EXPECT_TRUE(GetMenuState(search, static_cast<UINT>(A::SearchStop), MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_FALSE(GetMenuState(search, static_cast<UINT>(A::SearchStart), MF_BYCOMMAND) & MF_GRAYED);
  // The toolbar's buttons, left to right: Clear, Start, Pause, Stop, File Properties.
  std::vector<int> ids;
  for (int i = 0, n = static_cast<int>(SendMessageW(f.tbToolbar, TB_BUTTONCOUNT, 0, 0)); i < n; ++i) {
    TBBUTTON b{};
    SendMessageW(f.tbToolbar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&b));
    if (!(b.fsStyle & BTNS_SEP)) ids.push_back(b.idCommand);
  }
  EXPECT_EQ(ids, (std::vector<int>{static_cast<int>(A::FileClearScreen), static_cast<int>(A::SearchStart),
                                   static_cast<int>(A::SearchPause), static_cast<int>(A::SearchStop),
                                   static_cast<int>(A::SearchFileproperties)}));
  // File ends with Exit, after a separator; it closes the window as Alt+F4 does.
  HMENU file = GetSubMenu(GetMenu(f.Handle()), 0);
  const int n = GetMenuItemCount(file);
  ASSERT_GE(n, 2);
  EXPECT_TRUE(GetMenuState(file, static_cast<UINT>(n - 2), MF_BYPOSITION) & MF_SEPARATOR);
  GetMenuStringW(file, static_cast<UINT>(n - 1), text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"E&xit");
  SendMessageW(f.Handle(), WM_COMMAND, GetMenuItemID(file, n - 1), 0);
  EXPECT_TRUE(test::Pump(f, [&] { return f.Handle() == nullptr; }));
}

// Every menu and every item has an access key, one of its own within its menu,
// and the bar's keys are none of the General page's, whose keys are each its own.
TEST_F(MainWindow, EveryMenuAndItemHasItsOwnAccessKey) {
  TfrmMain f(Empty, false);
  const auto key = [](const std::wstring& text) {
    const std::size_t amp = text.find(L'&');
    return amp == std::wstring::npos || amp + 1 >= text.size() ? L'\0' : static_cast<wchar_t>(towupper(text[amp + 1]));
  };
  const auto keysOf = [&](HMENU menu) {
    std::vector<wchar_t> keys;
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
      // (A popup's state holds its item count in the high byte: only items can be separators.)
      if (!GetSubMenu(menu, i) && (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR)) continue;
      wchar_t text[128] = {};
      GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
      const wchar_t k = key(text);
      EXPECT_NE(k, L'\0') << "no access key: " << Narrow(text);
      EXPECT_EQ(std::count(keys.begin(), keys.end(), k), 0) << "twice: " << Narrow(text);
      keys.push_back(k);
    }
    return keys;
  };
  const HMENU bar = GetMenu(f.Handle());
  const std::vector<wchar_t> barKeys = keysOf(bar);
  EXPECT_EQ(barKeys.size(), 5u);
  for (int i = 0; i < GetMenuItemCount(bar); ++i) keysOf(GetSubMenu(bar, i));
  // On the General page every key is its own, and none is the bar's.
  const HWND page = GetParent(f.General().cboFilemask);
  std::vector<wchar_t> pageKeys;
  for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t text[128] = {};
    GetWindowTextW(c, text, 128);
    const wchar_t k = key(text);
    if (k == L'\0') continue;
    EXPECT_EQ(std::count(barKeys.begin(), barKeys.end(), k), 0) << Narrow(text);
    EXPECT_EQ(std::count(pageKeys.begin(), pageKeys.end(), k), 0) << "twice on the page: " << Narrow(text);
    pageKeys.push_back(k);
  }
  EXPECT_EQ(pageKeys.size(), 6u);
}

// What keeps a search from running is said in the status bar, never as
// counters that read "nothing found", and without a box to dismiss.
TEST_F(MainWindow, BadInputIsSaidInTheStatusBar) {
  Fill(3);
  TfrmMain f(Empty, false);
  Prepare(f);
  ASSERT_TRUE(f.Execute(A::SearchStart));
  ASSERT_TRUE(Pump(f, [&] { return f.SearchState() == S::Idle; }));
  ASSERT_EQ(f.PanelText(1), "3");
  const std::string missing = Dir.Root() + "\\gone";
  const std::string tooLong(300, 'z');
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { SetText(f.General().edDirectories, missing); }, "Folder not found: " + missing},
      {[&] { SetText(f.General().edDirectories, ""); }, "Enter a folder to search in"},
      {[&] {
         SetText(f.General().edDirectories, Dir.Root());
         SetText(f.General().cboKeyWords, "needle " + tooLong);
       },
       "Word longer than 255 characters: \"zzzzzzzzzzzzzzzzzzzzzzzz...\""},
  };
  for (const auto& [input, message] : cases) {
    input();
    ASSERT_TRUE(f.Execute(A::SearchStart));
    ASSERT_TRUE(Pump(f, [&] { return f.SearchState() == S::Idle; }));
    EXPECT_EQ(f.PanelText(3), message);
    for (int panel = 0; panel < 3; ++panel) EXPECT_EQ(f.PanelText(panel), "") << message;
    EXPECT_EQ(f.RowCount(), 0);
    EXPECT_FALSE(f.AnimationActive());
  }
}

TEST_F(MainWindow, StartGivesTheWorkersRowsAndPanels) {
  Dir.File("a.txt", "one needle");
  Dir.File("b.txt", "nothing");
  Dir.File("c.log", "needle too");
  Dir.File("sub/d.txt", "deep needle");
  TfrmMain f(Empty, false);
  Prepare(f);
  SendMessageW(f.General().chkRecursive, BM_SETCHECK, BST_CHECKED, 0);
  ASSERT_TRUE(f.Execute(A::SearchStart));
  EXPECT_EQ(f.SearchState(), S::Running);
  const TEnabled running = States(f);
  EXPECT_FALSE(running.Start || running.Clear);
  EXPECT_TRUE(running.Stop && running.Pause);
  // The busy animation shows while the search runs, within its place, and not at rest.
  ASSERT_TRUE(Pump(f, [&] { return f.AnimationActive() || f.SearchState() == S::Idle; }));
  auto shown = [&] { return (GetWindowLongW(f.aniAnimate, GWL_STYLE) & WS_VISIBLE) != 0; };
  if (f.SearchState() != S::Idle) {
    EXPECT_TRUE(shown());
  }
  RECT place{}, bar{};
  GetClientRect(f.aniAnimate, &place);
  GetWindowRect(f.tbToolbar, &bar);
  EXPECT_LE(place.bottom, bar.bottom - bar.top);
  ASSERT_TRUE(Pump(f, [&] { return f.SearchState() == S::Idle; }));
  EXPECT_FALSE(shown());
  ASSERT_EQ(f.RowCount(), 2);
  EXPECT_EQ(f.RowText(0, 0), "a.txt");
  EXPECT_EQ(f.RowText(0, 1), Dir.Root() + "\\");
  EXPECT_EQ(f.RowText(0, 2), "10");
  EXPECT_EQ(f.RowText(1, 0), "d.txt");
  EXPECT_EQ(f.RowText(1, 1), Dir.Path("sub") + "\\");
  EXPECT_EQ(f.PanelText(0), "3");  // a.txt, b.txt, d.txt
  EXPECT_EQ(f.PanelText(1), "2");
  EXPECT_EQ(f.PanelText(2), "   0.000 MB");
  EXPECT_EQ(f.PanelText(3), "(F) " + Dir.Path("sub\\d.txt"));
  EXPECT_FALSE(f.AnimationActive());
  EXPECT_EQ(f.Worker()->FilesFound(), 2);
  // The rows show the shell's small icons: its list, fetched beside the window, reaches the results list.
  SHFILEINFOW sfi{};
  const auto system = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoW(L"", 0, &sfi, sizeof sfi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  ASSERT_NE(system, nullptr);
  EXPECT_TRUE(Pump(f, [&] { return ListView_GetImageList(f.lvwResults, LVSIL_SMALL) == system; }));
}

TEST_F(MainWindow, PauseHaltsAndContinuesExactlyWhereItStood) {
  Fill(kFiles);
  TfrmMain f(Empty, false);
  Prepare(f);
  ASSERT_TRUE(f.Execute(A::SearchStart));
  ASSERT_TRUE(Pump(f, [&] { return f.RowCount() >= 20; }));
  ASSERT_TRUE(f.Execute(A::SearchPause));
  ASSERT_EQ(f.SearchState(), S::Paused);
  EXPECT_EQ(f.PanelText(3), "-- PAUSED --");
  const int rows = f.RowCount();
  PumpFor(f, 300);
  EXPECT_EQ(f.RowCount(), rows);  // nothing more reaches the window
  EXPECT_EQ(f.PanelText(3), "-- PAUSED --");
  const TEnabled paused = States(f);
  EXPECT_FALSE(paused.Start || paused.Stop || paused.Clear);
  EXPECT_TRUE(paused.Pause && paused.About);
  ASSERT_TRUE(f.Execute(A::SearchPause));
  EXPECT_EQ(f.SearchState(), S::Running);
  ASSERT_TRUE(Pump(f, [&] { return f.SearchState() == S::Idle; }));
  ASSERT_EQ(f.RowCount(), kFiles);
  for (int i = 0; i < kFiles; ++i) ASSERT_EQ(f.RowText(i, 0), FileName(i));
}

TEST_F(MainWindow, StopKeepsTheRows) {
  Fill(kFiles);
  TfrmMain f(Empty, false);
  Prepare(f);
  ASSERT_TRUE(f.Execute(A::SearchStart));
  ASSERT_TRUE(Pump(f, [&] { return f.RowCount() >= 10; }));
  ASSERT_TRUE(f.Execute(A::SearchStop));
  EXPECT_EQ(f.SearchState(), S::Idle);
  EXPECT_TRUE(f.Worker()->Finished());
  const int rows = f.RowCount();
  EXPECT_GE(rows, 10);
  EXPECT_LT(rows, kFiles);
  PumpFor(f, 100);
  EXPECT_EQ(f.RowCount(), rows);
  // A new Start replaces the ended worker; Escape stops it as Stop does.
  ASSERT_TRUE(f.Execute(A::SearchStart));
  ASSERT_TRUE(Pump(f, [&] { return f.RowCount() >= 10; }));
  SendMessageW(f.Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  EXPECT_EQ(f.SearchState(), S::Idle);
  EXPECT_LT(f.RowCount(), kFiles);
  // And a search that isn't stopped lists every file.
  ASSERT_TRUE(f.Execute(A::SearchStart));
  ASSERT_TRUE(Pump(f, [&] { return f.SearchState() == S::Idle; }));
  EXPECT_EQ(f.RowCount(), kFiles);
}

TEST_F(MainWindow, ClearEmptiesThePanelButKeepsTheConditionsChoice) {
  Dir.File("a.txt", "needle");
  TfrmMain f(Empty, false);
  Prepare(f);
  SendMessageW(f.General().chkRecursive, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageW(f.General().chkWholeWords, BM_SETCHECK, BST_CHECKED, 0);
  SetText(f.General().cboSkipFolders, "obj");
  SendMessageW(f.General().rdWordsAny, BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageW(f.General().rdExact, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageW(f.ConditionsPage().rdMatchAnyOr, BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageW(f.ConditionsPage().rdMatchAllAnd, BM_SETCHECK, BST_CHECKED, 0);
  ASSERT_TRUE(f.Execute(A::SearchStart));
  ASSERT_TRUE(Pump(f, [&] { return f.SearchState() == S::Idle; }));
  ASSERT_EQ(f.RowCount(), 1);
  ASSERT_TRUE(f.Execute(A::FileClearScreen));
  EXPECT_EQ(GetText(f.General().cboFilemask), "");
  EXPECT_EQ(GetText(f.General().edDirectories), "");
  EXPECT_EQ(GetText(f.General().cboKeyWords), "");
  EXPECT_EQ(GetText(f.General().cboSkipFolders), "");
  EXPECT_FALSE(Checked(f.General().chkRecursive) || Checked(f.General().chkWholeWords) || Checked(f.General().chkCaseSensitive));
  EXPECT_TRUE(Checked(f.General().rdWordsAny));
  EXPECT_FALSE(Checked(f.General().rdExact));
  EXPECT_EQ(f.RowCount(), 0);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(f.PanelText(i), "");
  EXPECT_TRUE(Checked(f.ConditionsPage().rdMatchAllAnd));  // the conditions tab is left alone
}

TEST_F(MainWindow, ClosingWhileRunningOrPausedEndsWithoutDeadlock) {
  Fill(kFiles);
  for (bool pause : {false, true}) {
    TfrmMain f(Empty, false);
    Prepare(f);
    ASSERT_TRUE(f.Execute(A::SearchStart));
    ASSERT_TRUE(Pump(f, [&] { return f.RowCount() >= 5; }));
    if (pause) {
      ASSERT_TRUE(f.Execute(A::SearchPause));
    }
    SendMessageW(f.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(f.Handle(), nullptr) << "pause " << pause;
    EXPECT_EQ(f.Worker(), nullptr);
  }
  test::DrainQuit();
}

TEST_F(MainWindow, CommandLinePrefill) {
  TCommandObject runOnly;
  runOnly.RunAtOnce = true;  // no values: nothing is filled, nothing starts
  {
    TfrmMain f(runOnly, false);
    EXPECT_EQ(GetText(f.General().cboFilemask), "");
    EXPECT_EQ(GetText(f.General().edDirectories), "");
    EXPECT_FALSE(Checked(f.General().chkRecursive));
    EXPECT_EQ(f.SearchState(), S::Idle);
    EXPECT_EQ(f.Worker(), nullptr);
  }
  Dir.File("x.txt", "hello needle");
  TCommandObject c;
  ApplyCommandLine(c, {"--dir=" + Dir.Root(), "--qry=needle", "--cmd=WC", "--mtc=ALL"});
  {
    TfrmMain f(c, false);
    EXPECT_EQ(GetText(f.General().cboFilemask), "*.*");
    EXPECT_EQ(GetText(f.General().edDirectories), Dir.Root());
    EXPECT_EQ(GetText(f.General().cboKeyWords), "needle");
    EXPECT_FALSE(Checked(f.General().chkRecursive));
    EXPECT_TRUE(Checked(f.General().chkWholeWords) && Checked(f.General().chkCaseSensitive));
    EXPECT_TRUE(Checked(f.General().rdWordsAll));
    EXPECT_EQ(f.SearchState(), S::Idle);  // no --run
  }
  ApplyCommandLine(c, {"--dir=" + Dir.Root(), "--qry=needle", "--run"});
  TfrmMain f(c, false);
  EXPECT_EQ(f.SearchState(), S::Running);
  ASSERT_TRUE(Pump(f, [&] { return f.SearchState() == S::Idle; }));
  ASSERT_EQ(f.RowCount(), 1);
  EXPECT_EQ(f.RowText(0, 0), "x.txt");
}

// The folders to skip, typed in their field or given on the command line, are
// left out at every depth, counters included; a path among them is said in
// the status bar and nothing is searched.
TEST_F(MainWindow, FoldersToSkipFromTheFieldAndTheCommandLine) {
  Dir.File("a.txt", "needle");
  Dir.File("bin/b.txt", "needle");
  Dir.File("src/c.txt", "needle");
  Dir.File("src/Bin/d.txt", "needle");
  Dir.File("src/obj/e.txt", "needle");
  TfrmMain f(Empty, false);
  Prepare(f);
  SendMessageW(f.General().chkRecursive, BM_SETCHECK, BST_CHECKED, 0);
  SetText(f.General().cboSkipFolders, "  BIN ;ob?;");
  ASSERT_TRUE(f.Execute(A::SearchStart));
  ASSERT_TRUE(Pump(f, [&] { return f.SearchState() == S::Idle; }));
  ASSERT_EQ(f.RowCount(), 2);
  EXPECT_EQ(f.RowText(0, 0), "a.txt");
  EXPECT_EQ(f.RowText(1, 0), "c.txt");
  EXPECT_EQ(f.PanelText(0), "2");
  EXPECT_EQ(f.PanelText(1), "2");
  SetText(f.General().cboSkipFolders, "src\\obj");
  ASSERT_TRUE(f.Execute(A::SearchStart));
  ASSERT_TRUE(Pump(f, [&] { return f.SearchState() == S::Idle; }));
  EXPECT_EQ(f.PanelText(3), "Skip folders takes folder names, not paths: src\\obj");
  EXPECT_EQ(f.PanelText(0), "");
  EXPECT_EQ(f.RowCount(), 0);

  TCommandObject c;
  ApplyCommandLine(c, {"--dir=" + Dir.Root(), "--msk=*.txt", "--skip=src", "--run"});
  TfrmMain g(c, false);
  EXPECT_EQ(GetText(g.General().cboSkipFolders), "src");
  ASSERT_TRUE(Pump(g, [&] { return g.SearchState() == S::Idle; }));
  ASSERT_EQ(g.RowCount(), 2);
  EXPECT_EQ(g.RowText(0, 0), "a.txt");
  EXPECT_EQ(g.RowText(1, 0), "b.txt");
}

// A window opens with the keyboard in the words (in the mask when the command
// line gave the words), and Tab goes through the page's controls as they stand,
// left to right and top to bottom.
TEST_F(MainWindow, FocusAtStartAndTabOrderFollowTheLayout) {
  const auto focusIn = [](HWND control) {
    const HWND focus = GetFocus();
    return focus == control || IsChild(control, focus);
  };
  TCommandObject none;
  {
    TfrmMain f(none, true);
    EXPECT_TRUE(focusIn(f.General().cboKeyWords));
  }
  TCommandObject words;
  ApplyCommandLine(words, {"--qry=needle"});
  {
    TfrmMain f(words, true);
    EXPECT_TRUE(focusIn(f.General().cboFilemask));
    // Each tab stop after the other stands right of it on its row, or on a lower row.
    std::vector<RECT> stops;
    const HWND page = GetParent(f.General().cboFilemask);
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      if (!(GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP) || !IsWindowVisible(c)) continue;
      RECT r;
      GetWindowRect(c, &r);
      stops.push_back(r);
    }
    ASSERT_GE(stops.size(), 8u);
    for (std::size_t i = 1; i < stops.size(); ++i) {
      const bool sameRow = stops[i].top < stops[i - 1].bottom && stops[i - 1].top < stops[i].bottom;
      EXPECT_TRUE(sameRow ? stops[i].left > stops[i - 1].left : stops[i].top >= stops[i - 1].top) << i;
    }
  }
}

// Another window (a dialog, another program) taking the keyboard and giving
// it back: the field that had it has it again; with none, the words box.
TEST_F(MainWindow, TheKeyboardComesBackToItsFieldWhenTheWindowIsActiveAgain) {
  TfrmMain f(Empty, true);
  SetActiveWindow(f.Handle());
  SetFocus(f.General().chkRecursive);
  const HWND other = CreateWindowExW(0, L"STATIC", L"another window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200,
                                     100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(other);
  SetActiveWindow(other);
  SetFocus(other);
  EXPECT_NE(GetFocus(), f.General().chkRecursive);
  SetActiveWindow(f.Handle());
  EXPECT_EQ(GetFocus(), f.General().chkRecursive);
  // The window itself given the keyboard (a click on its frame): the field.
  SetFocus(f.Handle());
  EXPECT_EQ(GetFocus(), f.General().chkRecursive);
  DestroyWindow(other);
}

// A word outside the code page, typed in the field, reaches the finder whole:
// found in UTF-8 and UTF-16 files in another case, and never as the question
// marks the code page would make of it.
TEST_F(MainWindow, WordsOutsideTheCodePageAreSearchedAsTyped) {
  Dir.File("utf8.txt", "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC here");  // Ελληνικά
  // ΕΛΛΗΝΙΚΆ in UTF-16 LE after a byte-order mark.
  Dir.File("utf16.txt", std::string("\xFF\xFE\x95\x03\x9B\x03\x9B\x03\x97\x03\x9D\x03\x99\x03\x9A\x03\x86\x03", 18));
  Dir.File("marks.txt", "what ???????? is");
  TfrmMain f(Empty, false);
  Prepare(f, "\xCE\xB5\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC");  // ελληνικά
  SendMessageW(f.General().chkWholeWords, BM_SETCHECK, BST_CHECKED, 0);
  ASSERT_TRUE(f.Execute(A::SearchStart));
  ASSERT_TRUE(Pump(f, [&] { return f.SearchState() == S::Idle; }));
  ASSERT_EQ(f.RowCount(), 2);
  std::vector<std::string> names{f.RowText(0, 0), f.RowText(1, 0)};
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"utf16.txt", "utf8.txt"}));
}

// A tree nested past 600 characters, started from the folder typed in its
// long form with forward slashes and a "." part: every file is found, and the
// rows and the status show the paths as the user knows them.
TEST_F(MainWindow, DeepTreesAndFoldersTypedInLongForm) {
  std::string rel;
  std::vector<std::string> files;
  for (int depth = 0; depth < 20; ++depth) {
    rel += "folder-with-a-rather-long-name-" + std::to_string(depth) + "/";
    if (depth % 4 == 1) files.push_back(rel + "needle" + std::to_string(depth) + ".txt");
  }
  for (const std::string& f : files) Dir.File(f, "a needle here");
  Dir.File(rel + "deepest.txt", "a needle at the bottom");
  files.push_back(rel + "deepest.txt");
  ASSERT_GT(Dir.Path(rel).size(), 600u);
  TfrmMain f(Empty, false);
  // The literal form, and the device form with '/' and "." (which is made normal).
  std::string device = "//?/" + Dir.Root() + "/.";
  for (char& c : device)
    if (c == '\\') c = '/';
  for (const std::string& typed : {"\\\\?\\" + Dir.Root(), device}) {
    Prepare(f);
    SetText(f.General().edDirectories, typed);
    SendMessageW(f.General().chkRecursive, BM_SETCHECK, BST_CHECKED, 0);
    ASSERT_TRUE(f.Execute(A::SearchStart));
    ASSERT_TRUE(Pump(f, [&] { return f.SearchState() == S::Idle; }));
    ASSERT_EQ(f.RowCount(), static_cast<int>(files.size())) << typed << ": " << f.PanelText(3);
    for (int r = 0; r < f.RowCount(); ++r) {
      const std::string path = f.RowText(r, 1) + f.RowText(r, 0);
      EXPECT_NE(std::find_if(files.begin(), files.end(), [&](const std::string& x) { return Dir.Path(x) == path; }),
                files.end())
          << path;
      EXPECT_EQ(path.find("\\\\?\\"), std::string::npos);
    }
    EXPECT_EQ(f.PanelText(3).find("\\\\?\\"), std::string::npos);
  }
}

// Adds a child's rectangle, in its parent's coordinates, to a vector of them.
BOOL CALLBACK AddChildRect(HWND child, LPARAM list) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  reinterpret_cast<std::vector<RECT>*>(list)->push_back(r);
  return TRUE;
}

// Minimised and restored, or made as short as it goes and given its height
// back, the window shows every control where it was: the panel and the hit
// pane shown shorter meanwhile keep the heights asked for.
TEST_F(MainWindow, MinimiseRestoreAndAShortSpellKeepTheLayout) {
  TfrmMain f(Empty, true);
  auto rects = [&] {
    std::vector<RECT> out;
    EnumChildWindows(f.Handle(), AddChildRect, reinterpret_cast<LPARAM>(&out));
    return out;
  };
  const std::vector<RECT> before = rects();
  ASSERT_GT(before.size(), 20u);
  const auto same = [&](const char* after) {
    const std::vector<RECT> now = rects();
    ASSERT_EQ(now.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i)
      EXPECT_TRUE(EqualRect(&before[i], &now[i])) << after << ", child " << i << ": " << before[i].left << ","
                                                  << before[i].top << " " << before[i].right << "," << before[i].bottom
                                                  << " became " << now[i].left << "," << now[i].top << " "
                                                  << now[i].right << "," << now[i].bottom;
  };
  ShowWindow(f.Handle(), SW_MINIMIZE);
  ASSERT_TRUE(Pump(f, [&] { return IsIconic(f.Handle()) != FALSE; }));
  ShowWindow(f.Handle(), SW_RESTORE);
  ASSERT_TRUE(Pump(f, [&] { return !IsIconic(f.Handle()); }));
  same("restored");
  RECT r;
  GetWindowRect(f.Handle(), &r);
  SetWindowPos(f.Handle(), nullptr, 0, 0, r.right - r.left, Scale(TfrmMain::kMinHeight, f.Dpi()) / 2, SWP_NOMOVE | SWP_NOZORDER);
  SetWindowPos(f.Handle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
  same("short and back");
}

// Pieces first made while the window is minimised (the conditions page, the
// busy animation of a first search) stand, once it is restored, where a window
// that stood all along puts them.
TEST_F(MainWindow, PiecesMadeWhileMinimisedStandInPlaceOnRestore) {
  Fill(2);
  const auto use = [&](TfrmMain& f, bool minimised) {
    Prepare(f);
    if (minimised) {
      ShowWindow(f.Handle(), SW_MINIMIZE);
      ASSERT_TRUE(Pump(f, [&] { return IsIconic(f.Handle()) != FALSE; }));
    }
    f.ConditionsPage();
    ASSERT_TRUE(f.Execute(A::SearchStart));
    ASSERT_TRUE(Pump(f, [&] { return f.SearchState() == S::Idle; }));
    if (minimised) {
      ShowWindow(f.Handle(), SW_RESTORE);
      ASSERT_TRUE(Pump(f, [&] { return !IsIconic(f.Handle()); }));
    }
  };
  TfrmMain stood(Empty, true), restored(Empty, true);
  use(stood, false);
  use(restored, true);
  const auto place = [](HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  const auto same = [&](HWND a, HWND b, const char* what) {
    const RECT x = place(a), y = place(b);
    EXPECT_TRUE(EqualRect(&x, &y)) << what << ": " << x.left << "," << x.top << " " << x.right << "," << x.bottom
                                   << " against " << y.left << "," << y.top << " " << y.right << "," << y.bottom;
  };
  same(stood.aniAnimate, restored.aniAnimate, "animation");
  same(stood.ConditionsPage().Grid().Handle(), restored.ConditionsPage().Grid().Handle(), "grid");
  same(stood.ConditionsPage().btnClearAll, restored.ConditionsPage().btnClearAll, "Clear All");
}

TEST_F(MainWindow, ResizeWidensTheThreeControlsByTheDifference) {
  TfrmMain f(Empty, false);
  const int folder = Width(f.General().edDirectories), words = Width(f.General().cboKeyWords), bevel = Width(f.General().Bevel1),
            maskWidth = Width(f.General().cboFilemask);
  RECT r;
  GetWindowRect(f.Handle(), &r);
  const auto left = [](HWND h) {
    RECT c;
    GetWindowRect(h, &c);
    return c.left;
  };
  const int browse = left(f.General().btnBrowse), mask = left(f.General().cboFilemask);
  SetWindowPos(f.Handle(), nullptr, 0, 0, r.right - r.left + 100, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(left(f.General().btnBrowse), browse + 100);  // the browse button follows the folder field's end
  EXPECT_EQ(left(f.General().cboFilemask), mask);
  EXPECT_EQ(Width(f.General().edDirectories), folder + 100);
  EXPECT_EQ(Width(f.General().cboKeyWords), words + 100);
  EXPECT_EQ(Width(f.General().Bevel1), bevel + 100);
  EXPECT_EQ(Width(f.General().cboFilemask), maskWidth);
  SetWindowPos(f.Handle(), nullptr, 0, 0, r.right - r.left - 40, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(Width(f.General().edDirectories), folder - 40);
}

// A resize leaves nothing stale: group boxes, the bevel and the status bar's
// grip paint only what they think changed, so every control is drawn again whole.
TEST_F(MainWindow, ResizeRedrawsEveryControlWhole) {
  TfrmMain f(Empty, true);
  const HWND controls[] = {f.General().grpSearchFor, f.General().Bevel1, f.sbInfoBar, f.SearchTabs().Tabs(), f.splSplitter, f.tbToolbar};
  RedrawWindow(f.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  for (HWND h : controls) ASSERT_FALSE(GetUpdateRect(h, nullptr, FALSE));
  RECT r;
  GetWindowRect(f.Handle(), &r);
  SetWindowPos(f.Handle(), nullptr, 0, 0, r.right - r.left + 37, r.bottom - r.top + 23, SWP_NOMOVE | SWP_NOZORDER);
  for (std::size_t i = 0; i < std::size(controls); ++i) {
    RECT update{}, client{};
    GetUpdateRect(controls[i], &update, FALSE);
    GetClientRect(controls[i], &client);
    EXPECT_TRUE(EqualRect(&update, &client)) << "control " << i;
  }
}

// The General tab's values go out and come back as they were, each in its own
// control; a match mode it doesn't know is "Match any".
TEST(GeneralPage, WhatIsWrittenReadsBack) {
  const UniqueWindow page(CreateWindowExW(0, WC_STATICW, L"", WS_POPUP, 0, 0, 600, 200, nullptr, nullptr,
                                          GetModuleHandleW(nullptr), nullptr));
  TLayoutTable layout;
  TGeneralPage general(page.get(), nullptr, layout);
  for (std::uint8_t mode : {0, 1, 2, 3}) {
    TSearchPanel v{"*.c" + std::to_string(mode), "C:\\" "\xce\xbb\xce\xbb" "\\", "w " + std::to_string(mode),
                   mode == 1, mode == 2, mode != 2, mode};
    v.SkipFolders = ".git; \xce\xbb" + std::to_string(mode);
    general.Write(v);
    const TSearchPanel got = general.Read();
    EXPECT_EQ(got.SkipFolders, v.SkipFolders);
    EXPECT_EQ(got.Mask, v.Mask);
    EXPECT_EQ(got.Folder, v.Folder);
    EXPECT_EQ(got.Words, v.Words);
    EXPECT_EQ(got.Recursive, v.Recursive);
    EXPECT_EQ(got.WholeWords, v.WholeWords);
    EXPECT_EQ(got.CaseSensitive, v.CaseSensitive);
    EXPECT_EQ(got.MatchMode, mode == 3 ? 0 : mode);
  }
  general.Clear();
  const TSearchPanel cleared = general.Read();
  EXPECT_TRUE(cleared.Mask.empty() && cleared.Folder.empty() && cleared.Words.empty() && cleared.SkipFolders.empty());
  EXPECT_FALSE(cleared.Recursive || cleared.WholeWords || cleared.CaseSensitive);
  EXPECT_EQ(cleared.MatchMode, 0);
}

int Top(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  return r.top;
}

// Dragging the splitter trades height between the panel and the list; a press on
// a tab page's empty area drags nothing.
TEST_F(MainWindow, SplitterDragsAndPagesDoNot) {
  TfrmMain f(Empty, false);
  auto drag = [](HWND from, int dy) {
    SendMessageW(from, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 1));
    SendMessageW(from, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 1 + dy));
    SendMessageW(from, WM_LBUTTONUP, 0, MAKELPARAM(5, 1 + dy));
  };
  const int listTop = Top(f.lvwResults);
  drag(f.SearchTabs().GeneralPage(), 30);
  EXPECT_EQ(Top(f.lvwResults), listTop);
  drag(f.splSplitter, 30);
  EXPECT_EQ(Top(f.lvwResults), listTop + 30);
}

BOOL CALLBACK CollectChild(HWND child, LPARAM out) {
  reinterpret_cast<std::vector<HWND>*>(out)->push_back(child);
  return TRUE;
}

// Alt and an underlined letter reach the fields; Enter in a field starts the search.
TEST_F(MainWindow, MnemonicsAndEnter) {
  Dir.File("a.txt", "needle");
  TfrmMain f(Empty, true);
  f.ConditionsPage();  // its controls too
  // The dialog manager sends Enter and Escape as IDOK and IDCANCEL: no control has those ids.
  std::vector<HWND> children;
  EnumChildWindows(f.Handle(), CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND c : children) EXPECT_TRUE(GetDlgCtrlID(c) != IDOK && GetDlgCtrlID(c) != IDCANCEL) << GetDlgCtrlID(c);
  ASSERT_TRUE(f.HandleMnemonic(L'D'));
  EXPECT_EQ(GetFocus(), f.General().edDirectories);
  ASSERT_TRUE(f.HandleMnemonic(L'w'));
  EXPECT_TRUE(IsChild(f.General().cboKeyWords, GetFocus()));
  ASSERT_TRUE(f.HandleMnemonic(L's'));
  EXPECT_TRUE(Checked(f.General().chkRecursive));
  SetText(f.General().cboSkipFolders, "bin");
  ASSERT_TRUE(f.HandleMnemonic(L'K'));
  EXPECT_TRUE(IsChild(f.General().cboSkipFolders, GetFocus()));
  DWORD from = 1, to = 0;  // its text chosen, so that typing replaces it
  SendMessageW(f.General().cboSkipFolders, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, 3u);
  SetText(f.General().cboSkipFolders, "");
  EXPECT_FALSE(f.HandleMnemonic(L'q'));
  Prepare(f);
  // Enter, through the dialog manager as the program's message loop passes it
  // on: on a check box nothing happens; in a field the search starts.
  auto pressEnter = [&] {
    MSG enter{GetFocus(), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    return IsDialogMessageW(f.Handle(), &enter) != FALSE;
  };
  SetFocus(f.General().chkWholeWords);
  ASSERT_TRUE(pressEnter());
  EXPECT_EQ(f.SearchState(), S::Idle);
  EXPECT_FALSE(Checked(f.General().chkWholeWords));
  for (const wchar_t field : {L'w', L'k'}) {
    f.HandleMnemonic(field);
    ASSERT_TRUE(pressEnter());
    EXPECT_EQ(f.SearchState(), S::Running);
    ASSERT_TRUE(Pump(f, [&] { return f.SearchState() == S::Idle; }));
    EXPECT_EQ(f.RowCount(), 1);
  }
  // On the conditions tab, its own captions.
  TabCtrl_SetCurSel(f.SearchTabs().Tabs(), 1);
  NMHDR change{f.SearchTabs().Tabs(), 0, TCN_SELCHANGE};
  SendMessageW(f.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&change));
  ASSERT_TRUE(f.HandleMnemonic(L'a'));
  EXPECT_EQ(f.ConditionsPage().Cells().RowCount(), 2);
  // Enter on a focused push button presses it.
  ASSERT_EQ(GetFocus(), f.ConditionsPage().btnAddRow);
  ASSERT_TRUE(pressEnter());
  EXPECT_EQ(f.ConditionsPage().Cells().RowCount(), 3);
  EXPECT_FALSE(f.HandleMnemonic(L'm'));  // the mask's label is on the other page
  // The keys a Windows user tries first: Ctrl+C copies (the Edit menu says so), Ctrl+A selects a field's text.
  std::vector<ACCEL> keys(static_cast<std::size_t>(CopyAcceleratorTableW(f.Accelerators(), nullptr, 0)));
  CopyAcceleratorTableW(f.Accelerators(), keys.data(), static_cast<int>(keys.size()));
  auto command = [&](BYTE mods, WORD key) {
    for (const ACCEL& a : keys)
      if (a.key == key && (a.fVirt & (FCONTROL | FALT | FSHIFT)) == mods) return static_cast<int>(a.cmd);
    return -1;
  };
  const int copy = command(FCONTROL, 'C'), selectAll = command(FCONTROL, 'A');
  ASSERT_GT(copy, 0);
  ASSERT_GT(selectAll, 0);
  wchar_t text[64] = {};
  GetMenuStringW(GetMenu(f.Handle()), static_cast<UINT>(copy), text, 64, MF_BYCOMMAND);
  EXPECT_STREQ(text, L"&Copy\tCtrl+C");
  TabCtrl_SetCurSel(f.SearchTabs().Tabs(), 0);
  SendMessageW(f.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&change));
  SetFocus(f.General().edDirectories);
  SendMessageW(f.General().edDirectories, EM_SETSEL, 0, 0);
  SendMessageW(f.Handle(), WM_COMMAND, static_cast<WPARAM>(selectAll), 0);
  from = 1;
  to = 0;
  SendMessageW(f.General().edDirectories, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, static_cast<DWORD>(GetText(f.General().edDirectories).size()));
}

// A child window whose painting fails before it begins.
class TFaultyPaint : public TWindow {
 public:
  explicit TFaultyPaint(HWND parent) {
    RegisterClassOnce(L"SorvikTestFaultyPaint");
    CreateHandle(L"SorvikTestFaultyPaint", L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 20, 20, parent, nullptr);
  }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_PAINT) throw std::runtime_error("paint");
    return TWindow::HandleMessage(msg, wp, lp);
  }
};

// An error thrown in a procedure the system calls (the results list's subclass
// procedure, the conditions grid's window procedure) never unwinds through the
// system's frames: the main window reports it and goes on. A fault met while its
// report is up isn't reported once more, nor a failed paint at every repaint.
TEST_F(MainWindow, ErrorsInCallbacksAreReportedAndTheWindowGoesOn) {
  Dir.File("a.txt", "needle");
  TfrmMain f(Empty, true);
  std::vector<std::string> reported;
  f.ErrorReporter = [&](const std::string& message) { reported.push_back(message); };
  const LPARAM at = MAKELPARAM(5, 5);
  f.Results().OnMouseDown = [](TMouseButton, POINT) { throw std::runtime_error("list: caf\xC3\xA9"); };
  SendMessageW(f.lvwResults, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(f.lvwResults, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(reported, std::vector<std::string>{"list: caf\xC3\xA9"});
  TStringGrid& grid = f.ConditionsPage().Grid();
  grid.OnSelectCell = [](int, int) { throw std::out_of_range("grid"); };
  SendMessageW(grid.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  ASSERT_EQ(reported.size(), 2u);
  EXPECT_EQ(reported[1], "grid");

  f.ErrorReporter = [&](const std::string& message) {
    reported.push_back(message);
    SendMessageW(f.lvwResults, WM_LBUTTONDOWN, MK_LBUTTON, at);
  };
  SendMessageW(f.lvwResults, WM_LBUTTONDOWN, MK_LBUTTON, at);
  EXPECT_EQ(reported.size(), 3u);

  // A paint that fails is reported once, not again at every repaint.
  f.ErrorReporter = [&](const std::string& message) { reported.push_back(message); };
  TFaultyPaint faulty(f.Handle());
  UpdateWindow(faulty.Handle());
  UpdateWindow(faulty.Handle());
  ASSERT_EQ(reported.size(), 4u);
  EXPECT_EQ(reported[3], "paint");

  // The window still searches.
  f.Results().OnMouseDown = nullptr;
  Prepare(f);
  ASSERT_TRUE(f.Execute(A::SearchStart));
  ASSERT_TRUE(Pump(f, [&] { return f.SearchState() == S::Idle; }));
  EXPECT_EQ(f.RowCount(), 1);
}

// A window of a class nobody registered.
class TUnregistered : public TWindow {
 public:
  TUnregistered() { CreateHandle(L"SorvikNeverRegistered", L"", WS_POPUP, 0, 0, 0, 10, 10, nullptr, nullptr); }
};

// A window, control or class the system can't make is an error with the
// system's reason, never a handle left null.
TEST(WindowCalls, AFailureIsAnErrorWithTheSystemsReason) {
  const auto error = [](const std::function<void()>& call) -> std::string {
    try {
      call();
    } catch (const std::runtime_error& e) {
      return e.what();
    }
    return "nothing thrown";
  };
  // The message, then the system's reason.
  const auto said = [](const std::string& error, const std::string& what) {
    return error.rfind(what + ": ", 0) == 0 && error.size() > what.size() + 2 && error.find('\n') == std::string::npos;
  };
  EXPECT_PRED2(said, error([] { TUnregistered window; }), "Can't create a window of the class SorvikNeverRegistered");
  TCommandObject none;
  TfrmMain host(none, false);
  EXPECT_PRED2(said, error([&] { CreateChild(host.Handle(), L"SorvikNoSuchControl", L"", 0, 0, nullptr); }),
               "Can't create a control of the class SorvikNoSuchControl");
  WNDCLASSEXW odd{};  // no size given: the system refuses it
  odd.hInstance = GetModuleHandleW(nullptr);
  odd.lpszClassName = L"SorvikOddClass";
  EXPECT_PRED2(said, error([&] { RegisterWindowClass(odd); }), "Can't register the window class SorvikOddClass");
  EXPECT_EQ(SystemErrorText(ERROR_SUCCESS), "");
}

TEST(AboutBox, VersionFromTheResource) {
  TfrmAbout about;
  HWND box = about.Create();
  ASSERT_NE(box, nullptr);
  wchar_t text[64] = {};
  GetDlgItemTextW(box, 213, text, 64);  // IDC_ABOUT_VERSION
  EXPECT_STREQ(text, L"1.0.2.0");
  GetWindowTextW(box, text, 64);
  EXPECT_STREQ(text, L"About");
  EXPECT_EQ(GetVersionInfoValue("ProductName"), "Sorvik");
  EXPECT_EQ(GetVersionInfoValue("ProductVersion"), "1.0.0.0");
  EXPECT_EQ(GetVersionInfoValue("NoSuchKey"), "");
  // Enter presses OK, which closes the box, and so does Escape.
  SendMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_FALSE(IsWindow(box));
  TfrmAbout again;
  box = again.Create();
  ASSERT_NE(box, nullptr);
  SendMessageW(box, WM_COMMAND, IDCANCEL, 0);
  EXPECT_FALSE(IsWindow(box));
}

TEST(AboutBox, OtherTranslationsAndNoResource) {
  const std::wstring probe = Widen(SORVIK_VERSION_PROBE);
  EXPECT_EQ(GetVersionInfoValue("FileVersion", probe), "9.8.7.6");  // table 040704B0
  EXPECT_EQ(GetVersionInfoValue("ProductName", probe), "Probe");
  EXPECT_EQ(GetVersionInfoValue("FileVersion", L"Z:\\no\\such\\file.exe"), "");
  wchar_t kernel[MAX_PATH];
  GetSystemDirectoryW(kernel, MAX_PATH);
  EXPECT_EQ(GetVersionInfoValue("NoSuchKey", std::wstring(kernel) + L"\\kernel32.dll"), "");
}

}  // namespace
}  // namespace sorvik

namespace sorvik {
namespace {

// Our own frames, for a shell without the find-file animation.
TEST(BusyAnimation, RunsWhileActiveAndRestsAtTheFirstFrame) {
  TCommandObject none;
  TfrmMain host(none, false);
  TBusyAnimation ani(host.Handle(), 9999, 0, 0, 46, 22);
  ani.SetActive(true);
  std::vector<int> seen;
  Pump(host, [&] {
    if (seen.empty() || seen.back() != ani.Frame()) seen.push_back(ani.Frame());
    return seen.size() >= 3;
  }, 5000);
  EXPECT_GE(seen.size(), 3u);
  ani.SetActive(false);
  EXPECT_EQ(ani.Frame(), 0);
}

}  // namespace
}  // namespace sorvik
