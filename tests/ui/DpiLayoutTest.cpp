// The window at the display's scale: tools/test runs this at 96, 120, 144 and 192 DPI.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "Dpi.h"
#include "WinText.h"
#include "formMain.h"

namespace sorvik {
namespace {

struct TControl {
  HWND Handle;
  std::wstring Class, Text;
};

BOOL CALLBACK Collect(HWND h, LPARAM out) {
  wchar_t cls[64] = {}, text[256] = {};
  GetClassNameW(h, cls, 64);
  GetWindowTextW(h, text, 256);
  reinterpret_cast<std::vector<TControl>*>(out)->push_back({h, cls, text});
  return TRUE;
}

// The caption's width in the control's own font, mnemonic marks left out.
int TextWidth(HWND h, const std::wstring& text) {
  const HDC dc = GetDC(h);
  const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)));
  RECT r{0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, old);
  ReleaseDC(h, dc);
  return r.right - r.left;
}

std::wstring WindowText(HWND h) {
  wchar_t text[256] = {};
  GetWindowTextW(h, text, 256);
  return text;
}

int ClientWidth(HWND h) {
  RECT r;
  GetClientRect(h, &r);
  return r.right;
}

RECT Rect(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  return r;
}

int Width(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  return r.right - r.left;
}

// Every caption of the window's controls has its room, and the search
// page's controls stand apart; how many captions were checked.
int ExpectCaptionsFit(TfrmMain& f, const char* when) {
  const UINT dpi = f.Dpi();
  const int checkGlyph = GetSystemMetrics(SM_CXMENUCHECK) + Scale(6, dpi);
  std::vector<TControl> controls;
  EnumChildWindows(f.Handle(), Collect, reinterpret_cast<LPARAM>(&controls));
  int checked = 0;
  for (const TControl& c : controls) {
    if (c.Text.empty()) continue;
    const LONG style = GetWindowLongW(c.Handle, GWL_STYLE);
    const int text = TextWidth(c.Handle, c.Text), room = ClientWidth(c.Handle);
    int needed = text;
    if (c.Class == WC_BUTTONW) {
      const LONG kind = style & BS_TYPEMASK;
      if (kind == BS_GROUPBOX) needed = text + Scale(16, dpi);
      else if (kind == BS_AUTOCHECKBOX || kind == BS_AUTORADIOBUTTON || kind == BS_CHECKBOX || kind == BS_RADIOBUTTON)
        needed = text + checkGlyph;
      else
        needed = text + Scale(6, dpi);
    } else if (c.Class != WC_STATICW) {
      continue;
    }
    ++checked;
    EXPECT_LE(needed, room) << Narrow(c.Text) << " at " << dpi << " DPI, " << when;
  }
  // On the search page nothing overlaps but the frames and what they hold.
  TGeneralPage& g = f.General();
  const HWND apart[] = {g.cboFilemask, g.edDirectories, g.btnBrowse, g.chkInside, g.chkRecursive, g.cboKeyWords,
                        g.chkWholeWords, g.chkCaseSensitive, g.rdWordsAny, g.rdWordsAll, g.rdExact};
  // A box's rectangle holds its drop-down list: each control counts by its one line.
  const auto line = [&](HWND h) {
    RECT r = Rect(h);
    r.bottom = std::min<LONG>(r.bottom, r.top + Scale(21, dpi));
    return r;
  };
  for (const HWND a : apart)
    for (const HWND b : apart) {
      RECT both{};
      const RECT ra = line(a), rb = line(b);
      EXPECT_FALSE(a != b && IntersectRect(&both, &ra, &rb))
          << Narrow(WindowText(a)) << " over " << Narrow(WindowText(b)) << " at " << dpi << " DPI, " << when;
    }
  const RECT frame = Rect(g.Bevel1);
  for (const HWND mode : {g.rdWordsAny, g.rdWordsAll, g.rdExact}) {
    EXPECT_GE(Rect(mode).left, frame.left) << when;
    EXPECT_LE(Rect(mode).right, frame.right) << Narrow(WindowText(mode)) << " at " << dpi << " DPI, " << when;
  }
  EXPECT_LE(frame.right, Rect(g.grpSearchFor).right) << when;
  return checked;
}

TEST(DpiLayout, EveryCaptionFitsAndTheLayoutScales) {
  TCommandObject none;
  TfrmMain f(none, true);
  f.ConditionsPage();  // the conditions page's controls are made when first asked for
  const UINT dpi = f.Dpi();
  std::printf("window DPI %u\n", dpi);
  const int checked = ExpectCaptionsFit(f, "at the design size");
  EXPECT_GE(checked, 17);
  // The tabs' captions.
  for (int i = 0; i < 2; ++i) {
    wchar_t text[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    SendMessageW(f.SearchTabs().Tabs(), TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    RECT r{};
    SendMessageW(f.SearchTabs().Tabs(), TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    EXPECT_LE(TextWidth(f.SearchTabs().Tabs(), text), r.right - r.left) << Narrow(text);
  }
  // Sizes follow the scale: the window, the grid's rows, the columns, the toolbar's images.
  RECT r;
  GetWindowRect(f.Handle(), &r);
  EXPECT_EQ(r.right - r.left, Scale(596, dpi));
  const RECT cell = f.ConditionsPage().Grid().CellRect(0, 0);
  EXPECT_EQ(cell.bottom - cell.top, Scale(21, dpi));
  EXPECT_EQ(cell.right - cell.left, Scale(145, dpi));
  EXPECT_EQ(SendMessageW(f.lvwResults, LVM_GETCOLUMNWIDTH, 1, 0), Scale(150, dpi));
  int cx = 0, cy = 0;
  ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(SendMessageW(f.tbToolbar, TB_GETIMAGELIST, 0, 0)), &cx, &cy);
  EXPECT_EQ(cx, ImageSizeForDpi(dpi));
  // The hit pane under the list, its splitter between them, all above the status bar.
  const RECT list = Rect(f.lvwResults), bar = Rect(f.splHitSplitter), pane = Rect(f.HitPane().Handle());
  // Its design height; a window fitted into a smaller screen (200% here)
  // shares as the asked one would, the pane a little lower.
  if (r.bottom - r.top == Scale(529, dpi)) {
    EXPECT_EQ(pane.bottom - pane.top, Scale(110, dpi));
  } else {
    EXPECT_LE(pane.bottom - pane.top, Scale(110, dpi));
    EXPECT_GT(pane.bottom - pane.top, Scale(110, dpi) / 2);
  }
  EXPECT_EQ(bar.bottom - bar.top, Scale(3, dpi));
  EXPECT_EQ(list.bottom, bar.top);
  EXPECT_EQ(bar.bottom, pane.top);
  EXPECT_LE(pane.bottom, Rect(f.sbInfoBar).top);
  EXPECT_GE(SendMessageW(f.HitPane().List(), LB_GETITEMHEIGHT, 0, 0), Scale(13, dpi));
  EXPECT_GE(Width(f.General().cboFilemask), Scale(145, dpi) - 1);
  // The browse button ends where the words box ends, after the folder field; so it stays when the
  // stretching controls widen by the resize difference.
  const auto edgesAlign = [&](const char* when) {
    const RECT field = Rect(f.General().edDirectories), browse = Rect(f.General().btnBrowse),
               words = Rect(f.General().cboKeyWords);
    EXPECT_EQ(browse.right, words.right) << when << " at " << dpi << " DPI";
    EXPECT_LE(field.right, browse.left) << when << " at " << dpi << " DPI";
  };
  edgesAlign("at first");
  const int folder = Width(f.General().edDirectories), words = Width(f.General().cboKeyWords), mask = Width(f.General().cboFilemask);
  SetWindowPos(f.Handle(), nullptr, 0, 0, r.right - r.left + 100, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(Width(f.General().edDirectories), folder + 100);
  EXPECT_EQ(Width(f.General().cboKeyWords), words + 100);
  EXPECT_EQ(Width(f.General().cboFilemask), mask);
  edgesAlign("widened");
}

// The smallest window the layout takes keeps every caption whole and the
// results list several rows tall; the hit pane gives way and, resized, keeps
// its proportion.
TEST(DpiLayout, TheSmallestWindowKeepsCaptionsAndRows) {
  TCommandObject none;
  TfrmMain f(none, true);
  f.ConditionsPage();
  const UINT dpi = f.Dpi();
  MINMAXINFO least{};
  SendMessageW(f.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&least));
  // Narrow enough for an 800 pixels wide screen at 150%.
  EXPECT_LE(least.ptMinTrackSize.x, Scale(530, dpi));
  SetWindowPos(f.Handle(), nullptr, 0, 0, least.ptMinTrackSize.x, Scale(460, dpi), SWP_NOMOVE | SWP_NOZORDER);
  ExpectCaptionsFit(f, "at the least width");
  const auto rowsShown = [&] { return static_cast<int>(SendMessageW(f.lvwResults, LVM_GETCOUNTPERPAGE, 0, 0)); };
  EXPECT_GE(rowsShown(), 4) << "at the least width";
  // A tall pane asked for on a short window: the list keeps its rows.
  const auto paneHeight = [&] {
    const RECT r = Rect(f.HitPane().Handle());
    return static_cast<int>(r.bottom - r.top);
  };
  const int paneBefore = paneHeight();
  for (const int height : {static_cast<int>(least.ptMinTrackSize.y), Scale(400, dpi), Scale(380, dpi)}) {
    SetWindowPos(f.Handle(), nullptr, 0, 0, least.ptMinTrackSize.x, height, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_GE(rowsShown(), 4) << height << " high at " << dpi << " DPI";
    EXPECT_LE(paneHeight(), paneBefore);
  }
  // Grown again, the two keep the proportion they had, where the list has
  // more than its least rows (a high scale on this screen may leave it none).
  MONITORINFO screen{};
  screen.cbSize = sizeof screen;
  GetMonitorInfoW(MonitorFromWindow(f.Handle(), MONITOR_DEFAULTTONEAREST), &screen);
  const int work = screen.rcWork.bottom - screen.rcWork.top;
  const auto listHeight = [&] { return static_cast<int>(Rect(f.lvwResults).bottom - Rect(f.lvwResults).top); };
  SetWindowPos(f.Handle(), nullptr, 0, 0, Scale(597, dpi), work * 3 / 4, SWP_NOZORDER);
  const int list1 = listHeight(), pane1 = paneHeight(), rows1 = rowsShown();
  SetWindowPos(f.Handle(), nullptr, 0, 0, Scale(597, dpi), work, SWP_NOZORDER);
  const int list2 = listHeight(), pane2 = paneHeight();
  EXPECT_GE(pane2, pane1);
  EXPECT_GT(list2, list1);
  if (rows1 > 5) {
    EXPECT_NEAR(static_cast<double>(pane2) / (pane2 + list2), static_cast<double>(pane1) / (pane1 + list1), 0.01);
  }
  ExpectCaptionsFit(f, "grown again");
}

// The General page's controls that show, each with its place in the page cut
// to what the page shows; the group box, which holds them all, left out.
std::vector<std::pair<TControl, RECT>> ShownOnGeneralPage(TfrmMain& f) {
  const HWND page = GetParent(f.General().cboFilemask);
  RECT shows;
  GetClientRect(page, &shows);
  std::vector<std::pair<TControl, RECT>> out;
  for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (!IsWindowVisible(c) || c == f.General().grpSearchFor) continue;
    RECT r = Rect(c);
    MapWindowPoints(HWND_DESKTOP, page, reinterpret_cast<POINT*>(&r), 2);
    if (!IntersectRect(&r, &r, &shows)) continue;
    wchar_t cls[64] = {}, text[128] = {};
    GetClassNameW(c, cls, 64);
    GetWindowTextW(c, text, 128);
    out.push_back({{c, cls, text}, r});
  }
  return out;
}

// No two controls of the General page cover each other, at the design size and
// at the smallest the window goes, and the folders to skip have a field that
// widens with the window and ends where the words box ends.
TEST(DpiLayout, TheGeneralPagesControlsNeverOverlap) {
  TCommandObject none;
  TfrmMain f(none, true);
  const UINT dpi = f.Dpi();
  const TGeneralPage& g = f.General();
  const auto noOverlaps = [&](const char* when) {
    const auto shown = ShownOnGeneralPage(f);
    EXPECT_GE(shown.size(), 4u) << when;
    for (std::size_t i = 0; i < shown.size(); ++i)
      for (std::size_t j = i + 1; j < shown.size(); ++j) {
        const auto& [a, ra] = shown[i];
        const auto& [b, rb] = shown[j];
        // The match choices stand on their bevel.
        if (a.Handle == g.Bevel1 || b.Handle == g.Bevel1) {
          const HWND other = a.Handle == g.Bevel1 ? b.Handle : a.Handle;
          if (other == g.rdWordsAny || other == g.rdWordsAll || other == g.rdExact) continue;
        }
        RECT both;
        EXPECT_FALSE(IntersectRect(&both, &ra, &rb))
            << Narrow(a.Class) << " \"" << Narrow(a.Text) << "\" " << ra.left << "," << ra.top << " " << ra.right << ","
            << ra.bottom << " covers " << Narrow(b.Class) << " \"" << Narrow(b.Text) << "\" " << rb.left << ","
            << rb.top << " " << rb.right << "," << rb.bottom << ", " << when << " at " << dpi << " DPI";
      }
  };
  noOverlaps("at the design size");
  const RECT skip = Rect(g.cboSkipFolders), words = Rect(g.cboKeyWords), subfolders = Rect(g.chkRecursive);
  EXPECT_EQ(skip.right, words.right) << dpi << " DPI";
  EXPECT_GE(skip.right - skip.left, Scale(80, dpi)) << dpi << " DPI";
  EXPECT_LT(skip.top, subfolders.bottom);  // on the row of Search subfolders
  EXPECT_GT(skip.bottom, subfolders.top);
  RECT r;
  GetWindowRect(f.Handle(), &r);
  SetWindowPos(f.Handle(), nullptr, 0, 0, r.right - r.left + 100, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(Width(g.cboSkipFolders), skip.right - skip.left + Width(f.Handle()) - (r.right - r.left));
  EXPECT_GT(Width(f.Handle()), r.right - r.left);
  noOverlaps("widened");
  // As small as the window goes.
  SetWindowPos(f.Handle(), nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER);
  GetWindowRect(f.Handle(), &r);
  MINMAXINFO least{};
  SendMessageW(f.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&least));
  ASSERT_EQ(r.right - r.left, least.ptMinTrackSize.x);
  noOverlaps("at the smallest size");
}

// A move to a monitor with another scale: everything follows the new DPI.
TEST(DpiLayout, ANewDpiRescalesTheWindow) {
  TCommandObject none;
  TfrmMain f(none, false);
  f.ConditionsPage();  // made before the change: it follows the new DPI
  const UINT dpi = f.Dpi(), next = dpi == 96 ? 192 : 96;  // the screen holds the larger window
  RECT r;
  GetWindowRect(f.Handle(), &r);
  RECT suggested{r.left, r.top, r.left + Scale(597, next), r.top + Scale(529, next)};
  SendMessageW(f.Handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(next, next), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(f.Dpi(), next);
  EXPECT_EQ(Width(f.Handle()), Scale(597, next));
  EXPECT_EQ(f.ConditionsPage().Grid().CellRect(0, 0).bottom, Scale(21, next));
  EXPECT_NEAR(SendMessageW(f.lvwResults, LVM_GETCOLUMNWIDTH, 1, 0), Scale(150, next), 2);
  EXPECT_NEAR(Width(f.General().cboKeyWords), Scale(488 + 1, next), 3);  // the design width 597 against the default 596
  // The pane keeps its height at the new scale, unless the list needs the
  // room for its least rows (the menu bar and status bar may keep the old one).
  RECT pane = Rect(f.HitPane().Handle());
  if (std::abs(pane.bottom - pane.top - Scale(110, next)) > 1) {
    EXPECT_LT(pane.bottom - pane.top, Scale(110, next));
    EXPECT_LE(SendMessageW(f.lvwResults, LVM_GETCOUNTPERPAGE, 0, 0), 5) << "the pane gave way with rows to spare";
  }
  // The pane's lines take the new font's height.
  TEXTMETRICW tm{};
  {
    const HDC dc = GetDC(f.HitPane().List());
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(f.HitPane().List(), WM_GETFONT, 0, 0)));
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(f.HitPane().List(), dc);
  }
  EXPECT_GT(SendMessageW(f.HitPane().List(), LB_GETITEMHEIGHT, 0, 0), tm.tmHeight);
  LOGFONTW before{}, after{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(f.General().chkRecursive, WM_GETFONT, 0, 0)), sizeof after, &after);
  const HFONT base = CreateMessageFont(dpi);
  GetObjectW(base, sizeof before, &before);
  DeleteObject(base);
  EXPECT_NEAR(std::abs(after.lfHeight), MulDiv(std::abs(before.lfHeight), static_cast<int>(next), static_cast<int>(dpi)),
              1);
}

}  // namespace
}  // namespace sorvik
