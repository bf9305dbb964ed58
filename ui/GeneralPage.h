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
  // The browse button's click; false for other controls' commands.
  bool OnCommand(HWND from, int code);

  HWND grpSearchFor = nullptr, cboFilemask = nullptr, edDirectories = nullptr, btnBrowse = nullptr,
       chkRecursive = nullptr, cboKeyWords = nullptr, chkWholeWords = nullptr, chkCaseSensitive = nullptr,
       Bevel1 = nullptr, rdWordsAny = nullptr, rdWordsAll = nullptr, rdExact = nullptr,
       chkInside = nullptr, cboSkipFolders = nullptr;

 private:
  void BrowseForFolder();
  HWND Box(THistory which) const {
    return which == THistory::Masks ? cboFilemask : which == THistory::Words ? cboKeyWords : cboSkipFolders;
  }
};

}  // namespace sorvik
