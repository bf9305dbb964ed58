// The main window: the search panel, the results list, the status bar, the busy
// animation and the actions that drive a search.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ActionList.h"
#include "BusyAnimation.h"
#include "ConditionsPage.h"
#include "Gdi.h"
#include "GeneralPage.h"
#include "HitPane.h"
#include "LayoutTable.h"
#include "Splitter.h"
#include "Dpi.h"
#include "ResultsView.h"
#include "SearchTabs.h"
#include "SystemIconList.h"
#include "Win32Handles.h"
#include "Window.h"
#include "ActionRules.h"
#include "CommandLine.h"
#include "uFileConditions.h"
#include "SearchDelivery.h"
#include "uFindThread.h"

namespace sorvik {

class TfrmMain : public TWindow, public ISearchSink {
 public:
  static constexpr const wchar_t* kClassName = L"TfrmMain";
  static constexpr int kDesignWidth = 597;
  static constexpr int kDesignHeight = 529;
  static constexpr int kDesignLeft = 370;
  static constexpr int kDesignTop = 110;
  static constexpr int kDesignPanelHeight = 161;  // the search panel's
  // The smallest window the layout takes, and the narrowest column a stored
  // width gives, at 96 DPI.
  static constexpr int kMinWidth = 300;
  static constexpr int kMinHeight = 300;
  static constexpr int kMinColumnWidth = 20;
  static constexpr int kMinHitPaneHeight = 40;

  // Creates the window (FormCreate) from the command object; visible when asked.
  explicit TfrmMain(const TCommandObject& command, bool show = true);
  ~TfrmMain() override;

  // Alt and a letter underlined in a caption of the visible tab page: a label puts
  // the focus in its field, a button is pressed. True when a caption had the letter.
  bool HandleMnemonic(wchar_t letter);

  // The message loop's idle step: re-evaluates the actions' enabled rules.
  void UpdateActions();
  HACCEL Accelerators() const { return Accelerators_.get(); }

  // Runs an action as the toolbar, menu or keyboard would (only when enabled).
  bool Execute(TActionId id) { return Actions_.Execute(static_cast<int>(id)); }
  bool IsEnabled(TActionId id) const { return Actions_.IsEnabled(static_cast<int>(id)); }

  TSearchState SearchState() const { return State_; }
  TKtSearchThread* Worker() const { return Search_ ? &Search_->Worker() : nullptr; }
  int SelectedRows() const;
  int RowCount() const;
  std::string RowText(int row, int column) const;
  std::string PanelText(int panel) const;
  bool AnimationActive() const { return AnimationActive_; }

  // The window's own controls, by their names; the pages' controls are with their pages.
  HWND tbToolbar = nullptr, aniAnimate = nullptr, splSplitter = nullptr, lvwResults = nullptr, sbInfoBar = nullptr;
  HWND splHitSplitter = nullptr;  // between the results list and the hit pane
  TSearchTabs& SearchTabs() { return *Tabs_; }
  TGeneralPage& General() { return *General_; }

  // The action handlers.
  void actSearchStartExecute();
  void actSearchPauseExecute();
  void actSearchStopExecute();
  void actFileClearScreenExecute();
  void actHelpAboutExecute();
  void actSearchOpenFileSelectedExecute();
  void actSearchOpenFileWithExecute();
  void actSearchOpenSelectedFolderExecute();
  void actSearchFilepropertiesExecute();

  // The results list's events.
  void lvwResultsColumnClick(int column);
  int lvwResultsCompare(int first, int second) const;
  void lvwResultsDblClick();
  void lvwResultsMouseDown(TMouseButton button, POINT point);
  int SortColumn() const { return SortColumn_; }
  bool SortAscending() const { return SortAscending_; }
  TResultsView& Results() { return *Results_; }

  // The hit pane under the results list: the selected row's lines that hold the
  // words of the search that found the rows. View > Hit Lines shows or hides it.
  THitPane& HitPane() { return *HitPane_; }
  bool HitPaneShown() const { return HitPaneShown_; }
  void SetHitPaneShown(bool shown);
  // Gives the keyboard to the field that last had it (the Words box at
  // first), unless one of the window's controls has it.
  void RestoreFocus();
  void lvwResultsSelect(int row);
  // F6: the focus from the results list to the hit pane, and from anywhere else to the list.
  void SwitchPaneFocus();

  // File > Search with Sorvik in Explorer: adds the entry to Explorer's menus of
  // folders, or removes it when it is there; a failure is reported with its reason.
  void SwitchExplorerEntry();

  // File > Save Search: the rows as CSV, through the system's Save dialog.
  void SaveSearch();
  // Writes the rows as CSV to the file; false (and nothing said) when it can't.
  bool SaveResults(const std::wstring& path) const;
  // The settings file: applied when the window is created, stored when it closes.
  void ApplySettings();
  void StoreSettings();
  // Leaving the mask, the words or the folders-to-skip box puts a new text on
  // top of its history.
  void cboFilemaskExit();
  void cboKeyWordsExit();
  void cboSkipFoldersExit();
  UINT Dpi() const { return Dpi_; }
  // How the window first shows (SW_SHOWNORMAL, SW_SHOWMINIMIZED or SW_SHOWMAXIMIZED).
  int InitialShowCommand() const { return InitialShow_; }

  // Edit > Cut, Copy, Paste (WM_CUT, WM_COPY, WM_PASTE): on the focused text
  // field; Copy on the results list copies the selected row's full path, in
  // the hit pane the selected lines.
  void EditCommand(UINT message);

  // What the result actions ask of the shell; tests put recorders in their place.
  struct TShellHooks {
    std::function<void(HWND owner, const TShellCall& call)> Run;
    std::function<bool(HWND owner, const std::string& path)> Properties;
    std::function<bool(const std::string& path, HWND owner, POINT screen, bool& setAside)> ContextMenu;
  } Shell;
  // How an error is shown: one caught in a procedure of the window or of one of
  // its controls, or met on closing. Empty: a message box; tests put a recorder here.
  std::function<void(const std::string& message)> ErrorReporter;
  void ReportError(const std::string& message) override;
  // How often the workers this window starts hand over their rows; window tests
  // set 0 (a hand-over after every entry, the worker waiting for each), so that
  // a search is surely still running when its first rows arrive.
  std::chrono::milliseconds WorkerDeliveryInterval = TSearchDelivery::kDefaultInterval;

  // The conditions tab: the grid's complete rows as matchers in the window's
  // conditions object, what an editor not yet left shows included; how many were added.
  int BuildFileConditions();
  // The page's controls are made when it first shows or is first asked for.
  TConditionsPage& ConditionsPage();
  const TKtFileConditions& Conditions() const { return Conditions_; }
  void btnAddRowClick() { ConditionsPage().btnAddRowClick(); }
  void btnRemoveRowClick() { ConditionsPage().btnRemoveRowClick(); }
  void btnClearAllClick() { ConditionsPage().btnClearAllClick(); }

  // ISearchSink: what the search tells the window, on this thread.
  void AddRow(const TFoundFile& file) override;
  void ShowPanels(const TPanelTexts& panels) override;
  void SetAnimationActive(bool active) override;
  void SetSearchIdle() override;
  // In the status bar, in place of the counters: no box to dismiss.
  void ShowError(const std::string& message) override;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  // Returns whether the search is to start at once.
  bool FormCreate(const TCommandObject& command);
  void FormClose();
  void FormDestroy();
  void FormResize();
  void CreateControls();
  void CreateActions();
  HMENU CreateMainMenu();
  // The File menu's check mark: whether the Explorer entry starts this program.
  void ShowExplorerEntryState();
  // The results list's small icons: the shell's list, once fetched.
  void SetIconList(HIMAGELIST icons);
  void LayoutControls();
  void SetPanel(int panel, const std::string& text);
  void ClearRows();
  void StopWorker();
  // WM_COMMAND and WM_NOTIFY: each goes to the piece it concerns.
  LRESULT OnCommand(int id, int code, HWND from);
  LRESULT OnNotify(const NMHDR& hdr);
  bool EnterKey();
  void SelectAllText();

  // Display scaling: design sizes (96 DPI) at the window's DPI.
  int S(int design) const { return Scale(design, Dpi_); }
  int ToolbarHeight() const;
  void CreateAnimation();
  void LoadToolbarImages();
  // A new DPI (WM_DPICHANGED): fonts, images, the grid, columns and places follow.
  void ApplyDpi(UINT dpi, const RECT* suggested);
  // The pages' controls to their places at the window's width and DPI.
  void ApplyPlaces();

  TActionList Actions_;
  UniqueAccelerators Accelerators_;
  UniqueGdiObject Font_;
  UniqueImageList ToolbarImages_;  // the toolbar and the menus draw from it
  std::unique_ptr<TBusyAnimation> OwnAnimation_;  // one of these two is the busy animation
  UniqueWindow SystemAnimation_;
  std::unique_ptr<TResultsView> Results_;
  std::unique_ptr<TSearchTabs> Tabs_;
  std::unique_ptr<TGeneralPage> General_;
  std::unique_ptr<TConditionsPage> ConditionsPage_;
  std::unique_ptr<TSplitter> Splitter_;
  std::unique_ptr<TSplitter> HitSplitter_;
  std::unique_ptr<THitPane> HitPane_;
  std::unique_ptr<TSystemIconList> IconList_;
  // The words of the search that made the rows, for the hit pane.
  std::shared_ptr<const TWordSet> HitWords_;
  bool HitInside_ = true;
  TSearchState State_ = TSearchState::Idle;
  std::unique_ptr<TSearchRun> Search_;  // the current worker and its delivery
  TKtFileConditions Conditions_;
  UINT Dpi_ = 96;
  int ImageSize_ = 16;
  TLayoutTable Layout_;  // the pages' controls
  int InitialShow_ = SW_SHOWNORMAL;
  // Where the settings placed the window and where it was fitted into the work
  // area instead, at the DPI of that time: a place or size the program chose to
  // fit the screen is not the user's, and is not stored.
  RECT AskedPlace_{}, FittedPlace_{};
  UINT FittedDpi_ = 0;
  int SortColumn_ = 1;
  bool SortAscending_ = true;
  int PanelHeight_ = kDesignPanelHeight;  // at the window's DPI: as asked
  int PanelShown_ = kDesignPanelHeight;   // and as the window's height holds it
  bool AnimationActive_ = false;
  int DragStartHeight_ = 0;  // the panel's height when the splitter was pressed
  int HitPaneHeight_ = 0;     // at the window's DPI: asked, then as shown
  // The pane's share of the height it shares with the list, kept through
  // resizes; below 0 until the next layout makes it from HitPaneHeight_.
  double PaneShare_ = -1;
  int FittedAway_ = 0;  // the height the fit into the screen took from the window asked for, till the share is made
  bool HitPaneShown_ = true;
  HWND LastFocus_ = nullptr;  // the control the keyboard was in when the window last lost it
  int DragStartPaneHeight_ = 0;  // the hit pane's height when its splitter was pressed
  // While the window is made nothing is laid out; it is laid out once at the end.
  bool LayoutHeld_ = true;
  // What the last layout was for: the window's width, the client area and the DPI.
  struct TLaidOut {
    int Width = -1, ClientWidth = -1, ClientHeight = -1;
    UINT Dpi = 0;
    bool operator==(const TLaidOut&) const = default;
  };
  TLaidOut LaidOut_;
  TLaidOut CurrentLayout() const;
  // For controls made after the window stood (the conditions page, the
  // animation): true when the window is minimised, with no room to place them
  // in, and its restore is to lay it out whole.
  bool LayoutWaitsForRestore();
};

}  // namespace sorvik
