// The General tab of the search panel: the mask, folder, folders-to-skip and
// words fields, the options and the words' match choice. Its values are read, written and
// cleared here, as one TSearchPanel.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ActionRules.h"
#include "LayoutTable.h"

namespace sorvik {

// Whether two history entries are the same text, compared as the user's
// locale does without case.
bool SameHistoryText(const std::string& a, const std::string& b);

class TGeneralPage {
 public:
  // Creates the controls on `page`, each placed through the layout table.
  TGeneralPage(HWND page, HFONT font, TLayoutTable& layout);
  TGeneralPage(const TGeneralPage&) = delete;
  TGeneralPage& operator=(const TGeneralPage&) = delete;

  TSearchPanel Read() const;
  void Write(const TSearchPanel& values);
  // Empty fields, no option ticked, "Match any"; the switch for documents and
  // archives stays as the user set it.
  void Clear();

  // The mask's, the words' and the folders to skip's history lists (the boxes'
  // own texts stay).
  enum class THistory : std::uint8_t { Masks, Words, SkipFolders };
  std::vector<std::string> History(THistory which) const;
  void SetHistory(THistory which, const std::vector<std::string>& items);
  // Leaving a box puts a new text on top of its history (compared without
  // regard to case), at most `maxItems` kept.
  void KeepInHistory(THistory which, int maxItems);

  // Whether the control (or the edit part of a box) is the mask, folder, folders
  // to skip or words field.
  bool IsTextField(HWND control) const;

  // The group box fills the page, inside a small margin.
  void FitGroup(int width, int height, int margin);
  // Where the window is narrower than the design, the options' row (whole
  // words, case, the match choice in its frame) and the row of the folders to
  // skip close up to their captions' widths, measured in the page's font, so
  // every caption keeps its room and the field its least width.
  // Called after the layout table has placed the controls.
  void FitOptionsRow(UINT dpi);
  // How much narrower than its design width the page may be with every
  // caption of the options' row whole (0 or less).
  int LeastExtraWidth(UINT dpi) const;
  // The browse button's click; false for other controls' commands.
  bool OnCommand(HWND from, int code);

  HWND grpSearchFor = nullptr, cboFilemask = nullptr, edDirectories = nullptr, btnBrowse = nullptr,
       chkRecursive = nullptr, cboKeyWords = nullptr, chkWholeWords = nullptr, chkCaseSensitive = nullptr,
       Bevel1 = nullptr, rdWordsAny = nullptr, rdWordsAll = nullptr, rdExact = nullptr,
       chkInside = nullptr, cboSkipFolders = nullptr, lblSkipFolders = nullptr;

 private:
  void BrowseForFolder();
  // The options' row closed up, from the left edge of the boxes above: the
  // right edge its frame needs, and each control's place.
  struct TPackedRow {
    RECT Whole, Case, Frame, Modes[3];
  };
  TPackedRow PackOptionsRow(UINT dpi) const;
  // The row of the folders to skip closed up the same way: the places of the
  // two boxes and the caption, and where the field may begin.
  int PackSkipRow(UINT dpi, RECT places[3]) const;
  HWND Box(THistory which) const {
    return which == THistory::Masks ? cboFilemask : which == THistory::Words ? cboKeyWords : cboSkipFolders;
  }
};

}  // namespace sorvik
