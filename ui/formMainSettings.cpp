// The main window's settings: applying sorvik.ini at creation, storing it at
// close, and the three history boxes.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "Dpi.h"
#include "WinText.h"
#include "formMain.h"
#include "Cascade.h"
#include "CommaText.h"
#include "uSettings.h"

namespace sorvik {

namespace {

// Whether a monitor shows enough of the window's caption to take hold of it.
bool CaptionOnAMonitor(int left, int top, int width, int height) {
  if (width <= 0 || height <= 0) return false;
  const RECT caption{left, top, left + width, top + GetSystemMetrics(SM_CYCAPTION)};
  const HMONITOR monitor = MonitorFromRect(&caption, MONITOR_DEFAULTTONULL);
  if (!monitor) return false;
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return false;
  RECT shown;
  return IntersectRect(&shown, &caption, &info.rcWork) && shown.right - shown.left >= 40 &&
         shown.bottom - shown.top >= GetSystemMetrics(SM_CYCAPTION) / 2;
}

// Moves the window into its monitor's work area where it sticks out, shrinking
// it where it is larger (a design size at 200% can be larger than a small screen).
void FitIntoWorkArea(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &info)) return;
  const RECT& work = info.rcWork;
  const int width = std::min<int>(r.right - r.left, work.right - work.left);
  const int height = std::min<int>(r.bottom - r.top, work.bottom - work.top);
  const int left = std::clamp(static_cast<int>(r.left), static_cast<int>(work.left), static_cast<int>(work.right) - width);
  const int top = std::clamp(static_cast<int>(r.top), static_cast<int>(work.top), static_cast<int>(work.bottom) - height);
  if (left != r.left || top != r.top || width != r.right - r.left || height != r.bottom - r.top)
    SetWindowPos(window, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CALLBACK CollectMainWindow(HWND window, LPARAM out) {
  auto& found = *reinterpret_cast<std::pair<HWND, std::vector<TCorner>>*>(out);
  wchar_t name[64] = {};
  if (window != found.first && IsWindowVisible(window) && !IsIconic(window) &&
      GetClassNameW(window, name, 64) > 0 && std::wstring_view(name) == TfrmMain::kClassName) {
    RECT r;
    GetWindowRect(window, &r);
    found.second.push_back({r.left, r.top});
  }
  return TRUE;
}

// Steps the window off the program's other main windows (in this process or
// another) that stand where it stands, as the system cascades windows.
void CascadeOffOthers(HWND window) {
  std::pair<HWND, std::vector<TCorner>> found{window, {}};
  EnumWindows(CollectMainWindow, reinterpret_cast<LPARAM>(&found));
  if (found.second.empty()) return;
  RECT r;
  GetWindowRect(window, &r);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &info)) return;
  const RECT& work = info.rcWork;
  const int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYSIZEFRAME) + GetSystemMetrics(SM_CXPADDEDBORDER);
  const TCorner place = CascadePlace({r.left, r.top}, r.right - r.left, r.bottom - r.top, found.second, step,
                                     work.left, work.top, work.right, work.bottom);
  if (place.X != r.left || place.Y != r.top)
    SetWindowPos(window, nullptr, place.X, place.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The placement to store, from the window's (`now`): where the window still has
// the place or the size the program fitted it to (`fitted`), the one it was
// asked to take (`asked`) in its stead; what the user changed since, as it is.
RECT UserPlacement(const RECT& now, const RECT& asked, const RECT& fitted) {
  const auto sameSize = [](const RECT& a, const RECT& b) {
    return a.right - a.left == b.right - b.left && a.bottom - a.top == b.bottom - b.top;
  };
  const RECT& place = now.left == fitted.left && now.top == fitted.top ? asked : now;
  const RECT& size = sameSize(now, fitted) ? asked : now;
  return RECT{place.left, place.top, place.left + (size.right - size.left), place.top + (size.bottom - size.top)};
}

}  // namespace

// The stored pixels were measured at the file's DPI: they are scaled to the
// window's, the size kept at least the layout's minimum and every column wide
// enough to take hold of.
void TfrmMain::ApplySettings() {
  LoadSettings();
  const TSettings& s = Settings;
  const auto scaled = [&](int stored) { return Rescale(stored, static_cast<UINT>(s.PixelsPerInch), Dpi_); };
  // A state outside 0..2 opens the window normal.
  InitialShow_ = s.MainWindowState == 1 ? SW_SHOWMINIMIZED : s.MainWindowState == 2 ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  const int left = scaled(s.MainLeft), top = scaled(s.MainTop);
  const int width = std::max(scaled(s.MainWidth), S(kMinWidth)), height = std::max(scaled(s.MainHeight), S(kMinHeight));
  // The pane's height and whether it shows, before the window takes its size.
  HitPaneHeight_ = std::max(scaled(s.HitPaneHeight), S(kMinHitPaneHeight));
  PaneShare_ = -1;
  SetHitPaneShown(s.HitPaneShown);
  const bool placed = InitialShow_ == SW_SHOWNORMAL && CaptionOnAMonitor(left, top, width, height);
  // As asked, before the system or the fit cut it to the screen.
  AskedPlace_ = placed ? RECT{left, top, left + width, top + height}
                       : RECT{S(kDesignLeft), S(kDesignTop), S(kDesignLeft) + S(kDesignWidth), S(kDesignTop) + S(kDesignHeight)};
  SetWindowPos(Handle(), nullptr, AskedPlace_.left, AskedPlace_.top, AskedPlace_.right - AskedPlace_.left,
               AskedPlace_.bottom - AskedPlace_.top, SWP_NOZORDER | SWP_NOACTIVATE);
  FitIntoWorkArea(Handle());
  // A place another of the program's windows stands at is not taken again:
  // like the size fitted to the screen, it is not the user's, and not stored.
  if (InitialShow_ == SW_SHOWNORMAL) CascadeOffOthers(Handle());
  GetWindowRect(Handle(), &FittedPlace_);
  FittedAway_ = std::max<int>(0, (AskedPlace_.bottom - AskedPlace_.top) - (FittedPlace_.bottom - FittedPlace_.top));
  FittedDpi_ = Dpi_;
  General_->SetHistory(TGeneralPage::THistory::Masks, ReadCommaText(s.MaskList));
  General_->SetHistory(TGeneralPage::THistory::Words, ReadCommaText(s.WordList));
  General_->SetHistory(TGeneralPage::THistory::SkipFolders, ReadCommaText(s.SkipList));
  TSearchPanel panel = General_->Read();
  panel.InsideDocuments = s.SearchInside;
  General_->Write(panel);
  if (!s.ColumnSizes.empty()) {
    if (const auto widths = ReadColumnWidths(s.ColumnSizes)) {
      for (int i = 0; i < kResultColumns; ++i) {
        const int column = std::max(scaled((*widths)[static_cast<std::size_t>(i)]), S(kMinColumnWidth));
        SendMessageW(lvwResults, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), MAKELPARAM(column, 0));
      }
    }
  }
}

void TfrmMain::StoreSettings() {
  TSettings& s = Settings;
  s.PixelsPerInch = static_cast<std::uint16_t>(Dpi_);
  RECT r{};
  GetWindowRect(Handle(), &r);
  if (Dpi_ == FittedDpi_) r = UserPlacement(r, AskedPlace_, FittedPlace_);
  s.MainLeft = static_cast<std::int16_t>(r.left);
  s.MainTop = static_cast<std::int16_t>(r.top);
  s.MainWidth = static_cast<std::int16_t>(r.right - r.left);
  s.MainHeight = static_cast<std::int16_t>(r.bottom - r.top);
  s.MainWindowState = IsIconic(Handle()) ? 1 : IsZoomed(Handle()) ? 2 : 0;
  // Another window may have stored its lists since this one read them: this
  // window's entries first, then the file's it lacks.
  const TSettings stored = ReadSettingsFile();
  const auto merged = [&](TGeneralPage::THistory which, const std::string& storedList) {
    return WriteCommaText(
        MergeHistoryLists(General_->History(which), ReadCommaText(storedList), s.MaxListItems, SameHistoryText));
  };
  s.MaskList = merged(TGeneralPage::THistory::Masks, stored.MaskList);
  s.WordList = merged(TGeneralPage::THistory::Words, stored.WordList);
  s.SkipList = merged(TGeneralPage::THistory::SkipFolders, stored.SkipList);
  std::vector<std::string> widths;
  for (int i = 0; i < kResultColumns; ++i)
    widths.push_back(std::to_string(SendMessageW(lvwResults, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0)));
  s.ColumnSizes = WriteCommaText(widths);
  s.SearchInside = General_->Read().InsideDocuments;
  s.HitPaneHeight = static_cast<std::int16_t>(HitPaneHeight_);
  s.HitPaneShown = HitPaneShown_;
  SaveSettings();
}

void TfrmMain::cboFilemaskExit() { General_->KeepInHistory(TGeneralPage::THistory::Masks, Settings.MaxListItems); }

void TfrmMain::cboKeyWordsExit() { General_->KeepInHistory(TGeneralPage::THistory::Words, Settings.MaxListItems); }

void TfrmMain::cboSkipFoldersExit() {
  General_->KeepInHistory(TGeneralPage::THistory::SkipFolders, Settings.MaxListItems);
}

}  // namespace sorvik
