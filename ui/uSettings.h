// The settings file, sorvik.ini beside the executable: the window's placement,
// the history limit, the three history lists, the column widths, whether
// archives and documents are searched inside and the hit pane, all in the
// section "formMain" of a profile file, read at start and written at close. The
// file is ANSI while the code page holds every value, UTF-16 otherwise.
#pragma once

#include <cstdint>
#include <string>

namespace sorvik {

struct TSettings {
  std::uint8_t MainWindowState = 0;  // 0 normal, 1 minimized, 2 maximized
  std::int16_t MainLeft = 200;
  std::int16_t MainTop = 119;
  std::int16_t MainWidth = 596;
  std::int16_t MainHeight = 529;
  std::uint8_t MaxListItems = 20;
  std::string MaskList;  // comma text
  std::string WordList;  // comma text
  std::string SkipList;  // comma text: the folders-to-skip history
  std::string ColumnSizes;  // comma text of six widths
  bool SearchInside = true;  // archives and documents searched by what they hold
  std::int16_t HitPaneHeight = 110;  // the hit pane's height
  bool HitPaneShown = true;
  // The DPI at which the placement and the widths were measured; a file without
  // it was written at 96.
  std::uint16_t PixelsPerInch = 96;
};

// The values read at start, kept for the run.
extern TSettings Settings;

// The executable's folder, with a trailing delimiter.
std::wstring GetApplicationFolder();

// The file: GetApplicationFolder() + "sorvik.ini" unless another was set (tests).
const std::wstring& SettingsFile();
void SetSettingsFile(const std::wstring& path);

// Reads the keys; a missing file, key or malformed number gives the default (the
// placement defaults are design values at 96 DPI, scaled to the file's DPI). A
// DPI outside 24 to 2400 reads as 96. The comma texts are read as the file's
// lines hold them (CommaTextFromProfile), so a list typed by hand keeps its quotes.
void LoadSettings();
// The keys as LoadSettings reads them, without changing what was read at start:
// what another window may have stored since.
TSettings ReadSettingsFile();
// Writes the keys; throws "Unable to write to %s" when the file can't take them.
void SaveSettings();

}  // namespace sorvik
