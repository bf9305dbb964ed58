// The hit pane under the results list, driven as a user drives it: rows chosen
// with the keyboard, F6, the pane's own keys, View > Hit Lines and a new search.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "Pump.h"
#include "search/PdfWriter.h"
#include "TestFolder.h"
#include "WinText.h"
#include "formMain.h"

namespace sorvik {
namespace {

using A = TActionId;
using test::Pump;

// The command the window's shortcut table gives a key (-1 for none).
int Shortcut(TfrmMain& f, BYTE modifiers, WORD key) {
  std::vector<ACCEL> keys(static_cast<std::size_t>(CopyAcceleratorTableW(f.Accelerators(), nullptr, 0)));
  CopyAcceleratorTableW(f.Accelerators(), keys.data(), static_cast<int>(keys.size()));
  for (const ACCEL& a : keys)
    if (a.key == key && (a.fVirt & (FCONTROL | FALT | FSHIFT)) == modifiers) return a.cmd;
  return -1;
}

void Press(TfrmMain& f, BYTE modifiers, WORD key) {
  const int command = Shortcut(f, modifiers, key);
  ASSERT_GT(command, 0) << "no shortcut for key " << key;
  SendMessageW(f.Handle(), WM_COMMAND, MAKEWPARAM(command, 1), 0);
}

void Key(HWND h, WPARAM key) {
  SendMessageW(h, WM_KEYDOWN, key, 1);
  SendMessageW(h, WM_KEYUP, key, 0xC0000001);
}

std::string ClipboardText(HWND owner) {
  if (!OpenClipboard(owner)) return "(clipboard closed)";
  std::string text;
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = Narrow(static_cast<const wchar_t*>(GlobalLock(data)));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

RECT Rect(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  return r;
}

class HitPaneWindow : public testing::Test {
 protected:
  void Search(TfrmMain& f, const std::string& words) {
    SetText(f.General().edDirectories, Dir.Root());
    SetText(f.General().cboFilemask, "*.txt");
    SetText(f.General().cboKeyWords, words);
    ASSERT_TRUE(f.Execute(A::SearchStart));
    ASSERT_TRUE(Pump(f, [&] { return f.SearchState() == TSearchState::Idle; }));
  }
  // Waits until the pane has read the row's file to its end.
  void WaitForRow(TfrmMain& f, int row) {
    const std::string path = f.Results().Rows().FullPath(static_cast<std::size_t>(row));
    ASSERT_TRUE(Pump(f, [&] { return f.HitPane().Path() == path && !f.HitPane().Busy(); })) << path;
  }
  std::vector<std::string> Shown(TfrmMain& f) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < f.HitPane().LineCount(); ++i) {
      const THitLine& l = f.HitPane().Line(i);
      std::string shown = std::to_string(l.Number);
      shown.append(":").append(l.Text);
      for (const THitMark& m : l.Marks) shown.append("[").append(l.Text, m.Begin, m.End - m.Begin).append("]");
      lines.push_back(shown);
    }
    return lines;
  }
  test::TTestFolder Dir;
  TCommandObject Empty;
};

// Rows chosen by keyboard fill the pane with the chosen file's lines, found with
// the words of the search that made the rows; F6 goes to the pane and back; in
// the pane the arrows choose lines, Ctrl+C copies them and Enter opens the file.
TEST_F(HitPaneWindow, TheKeyboardChoosesRowsAndLines) {
  Dir.File("a.txt", "one Needle\r\nnothing\r\nneedle and needle\r\n");
  Dir.File("b.txt", "x\nb needle\n");
  TfrmMain f(Empty, true);
  std::vector<TShellCall> opened;
  f.Shell.Run = [&](HWND, const TShellCall& call) { opened.push_back(call); };
  ASSERT_TRUE(f.HitPaneShown());
  EXPECT_EQ(f.HitPane().Note(), "Select a file to see the lines that hold the words.");
  Search(f, "needle");
  ASSERT_EQ(f.RowCount(), 2);
  const int a = f.RowText(0, 0) == "a.txt" ? 0 : 1, b = 1 - a;
  SetText(f.General().cboKeyWords, "nothing");  // typed after the search: not the rows' words
  SetFocus(f.lvwResults);
  Key(f.lvwResults, VK_END);
  if (a == 0) Key(f.lvwResults, VK_HOME);
  ASSERT_EQ(f.Results().Selected(), a);
  WaitForRow(f, a);
  EXPECT_EQ(Shown(f), (std::vector<std::string>{"1:one Needle[Needle]", "3:needle and needle[needle][needle]"}));
  EXPECT_EQ(f.HitPane().Note(), "2 lines");
  Key(f.lvwResults, a == 0 ? VK_DOWN : VK_UP);
  WaitForRow(f, b);
  EXPECT_EQ(Shown(f), (std::vector<std::string>{"2:b needle[needle]"}));
  EXPECT_EQ(f.HitPane().Note(), "1 line");
  Key(f.lvwResults, a == 0 ? VK_UP : VK_DOWN);
  WaitForRow(f, a);
  ASSERT_EQ(f.HitPane().LineCount(), 2u);

  // F6 there and back.
  Press(f, 0, VK_F6);
  ASSERT_EQ(GetFocus(), f.HitPane().List());
  Press(f, 0, VK_F6);
  EXPECT_EQ(GetFocus(), f.lvwResults);
  Press(f, 0, VK_F6);
  ASSERT_EQ(GetFocus(), f.HitPane().List());
  // The arrows move through the lines; Shift extends; the Edit menu's Copy copies them.
  Key(f.HitPane().List(), VK_HOME);
  EXPECT_EQ(f.HitPane().SelectedLines(), (std::vector<std::size_t>{0}));
  Key(f.HitPane().List(), VK_DOWN);
  EXPECT_EQ(f.HitPane().SelectedLines(), (std::vector<std::size_t>{1}));
  f.EditCommand(WM_COPY);
  EXPECT_EQ(ClipboardText(f.Handle()), "3: needle and needle\r\n");
  Press(f, FCONTROL, 'A');
  f.EditCommand(WM_COPY);
  EXPECT_EQ(ClipboardText(f.Handle()), "1: one Needle\r\n3: needle and needle\r\n");
  // Enter, through the dialog manager as the program's loop passes it on, opens the row's file.
  MSG enter{GetFocus(), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  ASSERT_TRUE(IsDialogMessageW(f.Handle(), &enter));
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], OpenSelectedCall(f.RowText(a, 1), f.RowText(a, 0)));

  // View > Hit Lines (Ctrl+H) hides the pane: the list takes its place and the focus.
  const RECT list = Rect(f.lvwResults), pane = Rect(f.HitPane().Handle());
  EXPECT_LE(list.bottom, Rect(f.splHitSplitter).top);
  EXPECT_LE(Rect(f.splHitSplitter).bottom, pane.top);
  EXPECT_LE(pane.bottom, Rect(f.sbInfoBar).top);
  const HMENU menu = GetMenu(f.Handle());
  EXPECT_TRUE(GetMenuState(menu, static_cast<UINT>(Shortcut(f, FCONTROL, 'H')), MF_BYCOMMAND) & MF_CHECKED);
  Press(f, FCONTROL, 'H');
  EXPECT_FALSE(f.HitPaneShown());
  EXPECT_FALSE(IsWindowVisible(f.HitPane().Handle()) || IsWindowVisible(f.splHitSplitter));
  EXPECT_FALSE(GetMenuState(menu, static_cast<UINT>(Shortcut(f, FCONTROL, 'H')), MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_EQ(GetFocus(), f.lvwResults);
  EXPECT_EQ(Rect(f.lvwResults).bottom, pane.bottom);
  Press(f, 0, VK_F6);
  EXPECT_EQ(GetFocus(), f.lvwResults);  // no pane to go to
  // Shown again, it shows the chosen row.
  Press(f, FCONTROL, 'H');
  ASSERT_TRUE(IsWindowVisible(f.HitPane().Handle()));
  WaitForRow(f, a);
  EXPECT_EQ(f.HitPane().LineCount(), 2u);
  const RECT again = Rect(f.lvwResults);
  EXPECT_TRUE(EqualRect(&list, &again));

  // A new search empties the pane; one without words says why a row shows no lines.
  Search(f, "");
  ASSERT_EQ(f.RowCount(), 2);
  EXPECT_EQ(f.HitPane().LineCount(), 0u);
  f.Results().Select(0);
  EXPECT_EQ(f.HitPane().Note(), "No words were searched for: the file was found by its name.");
  // File > Clear empties it too.
  ASSERT_TRUE(f.Execute(A::FileClearScreen));
  EXPECT_EQ(f.HitPane().Path(), "");
  EXPECT_EQ(f.HitPane().Note(), "Select a file to see the lines that hold the words.");
}

}  // namespace
}  // namespace sorvik

namespace sorvik {
namespace {

// Rows passed over by moves a moment apart are never read; the row the moves
// rest on is, and a switch after a rest is read at once.
TEST_F(HitPaneWindow, OnlyTheRowTheMovesRestOnIsRead) {
  for (int i = 0; i < 12; ++i) {
    char name[16], text[32];
    std::snprintf(name, sizeof name, "f%d.txt", 10 + i);
    std::snprintf(text, sizeof text, "line\nneedle %d\n", i);
    Dir.File(name, text);
  }
  TfrmMain f(Empty, true);
  Search(f, "needle");
  ASSERT_EQ(f.RowCount(), 12);
  auto now = std::chrono::steady_clock::time_point(std::chrono::hours(1));
  f.HitPane().Clock = [&] { return now; };
  const std::size_t before = f.HitPane().JobsStarted();
  f.Results().Select(0);  // after a rest: read at once
  EXPECT_EQ(f.HitPane().JobsStarted(), before + 1);
  for (int row = 1; row < 12; ++row) {
    now += std::chrono::milliseconds(10);  // a held key's pace
    f.Results().Select(row);
  }
  EXPECT_EQ(f.HitPane().JobsStarted(), before + 1);
  WaitForRow(f, 11);
  EXPECT_EQ(f.HitPane().JobsStarted(), before + 2);
  ASSERT_EQ(f.HitPane().LineCount(), 1u);
  std::string last = "needle ";
  last.append(std::to_string(std::stoi(f.RowText(11, 0).substr(1, 2)) - 10));
  EXPECT_EQ(f.HitPane().Line(0).Text, last);
  // A moment's rest later, a single switch reads at once.
  now += THitPane::kRest;
  f.Results().Select(3);
  EXPECT_EQ(f.HitPane().JobsStarted(), before + 3);
  WaitForRow(f, 3);
  EXPECT_EQ(f.HitPane().LineCount(), 1u);
}

}  // namespace
}  // namespace sorvik

namespace sorvik {
namespace {

// Ctrl+C copies a line as the file holds it, however the pane cuts it to
// its width: whole up to 8,192 characters either side of its first hit
// (the blanks next to the hit counted).
TEST_F(HitPaneWindow, CopyTakesTheWholeLine) {
  const std::string wide = std::string(5000, 'x') + " TARGET here " + std::string(4999, 'y');
  const std::string huge = std::string(20000, 'a') + " TARGET " + std::string(20000, 'b');
  Dir.File("wide.txt", "first\r\n" + wide + "\r\nlast\r\n");
  Dir.File("huge.txt", huge + "\n");
  TfrmMain f(Empty, true);
  Search(f, "TARGET");
  ASSERT_EQ(f.RowCount(), 2);
  for (int row = 0; row < 2; ++row) {
    f.Results().Select(row);
    WaitForRow(f, row);
    ASSERT_EQ(f.HitPane().LineCount(), 1u);
    f.HitPane().SelectAll();
    f.HitPane().CopySelection();
    if (f.RowText(row, 0) == "wide.txt") {
      EXPECT_EQ(ClipboardText(f.Handle()), "2: " + wide + "\r\n");
    } else {
      EXPECT_EQ(ClipboardText(f.Handle()), "1: " + std::string(8191, 'a') + " TARGET " + std::string(8191, 'b') + "\r\n");
    }
  }
}

}  // namespace
}  // namespace sorvik

namespace sorvik {
namespace {

// A PDF's lines stand under their pages, numbered within each page.
TEST_F(HitPaneWindow, APdfsLinesStandUnderTheirPages) {
  test::TPdfWriter w;
  w.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  w.AddStream("", "BT /F1 12 Tf 72 700 Td (First page) Tj 0 -14 Td (quarterly figures) Tj ET", true);
  w.AddStream("", "BT /F1 12 Tf 72 700 Td (figures again) Tj ET", true);
  w.Add("<< /Type /Page /Parent 5 0 R /Contents 2 0 R /Resources << /Font << /F1 1 0 R >> >> >>");
  w.Add("<< /Type /Pages /Kids [4 0 R 6 0 R] /Count 2 /MediaBox [0 0 612 792] >>");
  w.Add("<< /Type /Page /Parent 5 0 R /Contents 3 0 R /Resources << /Font << /F1 1 0 R >> >> >>");
  const int catalog = w.Add("<< /Type /Catalog /Pages 5 0 R >>");
  Dir.File("report.pdf", w.Finish(catalog, test::TPdfWriter::TXref::Stream));
  TfrmMain f(Empty, true);
  SetText(f.General().edDirectories, Dir.Root());
  SetText(f.General().cboFilemask, "*.pdf");
  SetText(f.General().cboKeyWords, "figures");
  ASSERT_TRUE(f.Execute(A::SearchStart));
  ASSERT_TRUE(Pump(f, [&] { return f.SearchState() == TSearchState::Idle; }));
  ASSERT_EQ(f.RowCount(), 1);
  f.Results().Select(0);
  WaitForRow(f, 0);
  ASSERT_EQ(f.HitPane().LineCount(), 2u);
  EXPECT_EQ(f.HitPane().Line(0).Entry, "page 1");
  EXPECT_EQ(f.HitPane().Line(0).Number, 2);
  EXPECT_EQ(f.HitPane().Line(0).Text, "quarterly figures");
  EXPECT_EQ(f.HitPane().Line(1).Entry, "page 2");
  EXPECT_EQ(f.HitPane().Line(1).Number, 1);
}

}  // namespace
}  // namespace sorvik
