// The main window: creation, layout, resizing, closing and the message table.
// The search actions and the worker's hand-overs are in formMainSearch.cpp.
#include "formMain.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cmath>

#include "../res/resource.h"
#include "Dpi.h"
#include "ExplorerEntry.h"
#include "ItemProp.h"
#include "Mnemonic.h"
#include "WinMessages.h"
#include "WinText.h"
#include "WindowSplit.h"
#include "uSettings.h"

namespace sorvik {

namespace {

// The pages' controls take 1001 to 1016 and 1025 (GeneralPage.cpp,
// ConditionsPage.cpp); no control has the dialog manager's IDOK (1) or IDCANCEL (2).
enum : int {
  idTabs = 1017,
  idList,
  idStatus,
  idToolbar,
  idAnimate,
  idSplitter,
  idHitSplitter,
  idHitPane,
  // Menu items without an action.
  idSaveSearch = 1101,
  idCut,
  idCopy,
  idPaste,
  idSelectAll,
  idExit,
  idShowHitPane,
  idSwitchPane,
  idExplorerEntry,
};

// Design sizes, in pixels at 96 DPI.
constexpr int kToolbarHeight = 22;
constexpr int kAnimateWidth = 46;
constexpr int kFindAnimation = 150;  // the shell's find-file clip
constexpr int kSplitterHeight = 3;
constexpr int kMinPanelHeight = 60;
// Rows the results list shows at least, whenever the window has the height.
constexpr int kLeastListRows = 4;

// Whether the shell has its find-file clip and its frames fit the place: a
// hidden control without centring takes the clip's size when it opens it.
bool SystemAnimationFits(HWND parent, int width, int height) {
  const HMODULE shell = GetModuleHandleW(L"shell32.dll");
  if (!shell) return false;
  const UniqueWindow probe(CreateWindowExW(0, ANIMATE_CLASSW, L"", WS_CHILD, 0, 0, 0, 0, parent, nullptr,
                                           GetModuleHandleW(nullptr), nullptr));
  if (!probe || !SendMessageW(probe.get(), ACM_OPENW, reinterpret_cast<WPARAM>(shell),
                              reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(kFindAnimation))))
    return false;
  RECT r{};
  GetClientRect(probe.get(), &r);
  return r.right > 0 && r.right <= width && r.bottom > 0 && r.bottom <= height;
}

BOOL CALLBACK SetFontOf(HWND child, LPARAM font) {
  return GuardCallback(child, TRUE, [&] {
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    return TRUE;
  });
}

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int cx, int cy, int id,
           HFONT font, DWORD exStyle = 0) {
  return CreateChild(parent, cls, text, WS_VISIBLE | style, id, font, exStyle, RECT{x, y, x + cx, y + cy});
}

}  // namespace

TfrmMain::TfrmMain(const TCommandObject& command, bool show) {
  Shell.Run = RunShellCall;
  Shell.Properties = ShowFileProperties;
  Shell.ContextMenu = ShowShellContextMenu;
  const HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_SORVIK),
                                                   IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
  RegisterClassOnce(kClassName, icon);
  CreateActions();
  // The window has its menu from the start, so that the client area is never
  // laid out without it and again with it.
  const HMENU menu = CreateMainMenu();
  try {
    CreateHandle(kClassName, L"Sorvik", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, CW_USEDEFAULT,
                 CW_USEDEFAULT, kDesignWidth, kDesignHeight, nullptr, menu);
  } catch (...) {
    DestroyMenu(menu);
    throw;
  }
  const bool runAtOnce = FormCreate(command);
  // The icon list fetched meanwhile is in place before the list first paints.
  if (const HIMAGELIST icons = IconList_->Fetched()) SetIconList(icons);
  if (show) {
    ShowWindow(Handle(), InitialShow_);
    UpdateWindow(Handle());
  }
  // The field a user types in first: the words, or the mask when the command
  // line gave the words.
  SetFocus(command.HasValues && !command.Words.empty() ? General_->cboFilemask : General_->cboKeyWords);
  // --run: the search starts once the window stands.
  if (runAtOnce) Execute(TActionId::SearchStart);
}

TfrmMain::~TfrmMain() {
  if (Handle()) DestroyWindow(Handle());
  FormDestroy();
}

void TfrmMain::CreateActions() {
  using A = TActionId;
  auto rule = [this](A id) { return [this, id] { return IsActionEnabled(id, State_, SelectedRows()); }; };
  auto add = [&](A id, const wchar_t* caption, BYTE flags, WORD key, const wchar_t* hint, int image,
                 std::function<void()> run) {
    TAction a;
    a.Id = static_cast<int>(id);
    a.Caption = caption;
    a.KeyFlags = flags;
    a.Key = key;
    a.Hint = hint;
    a.Image = image;
    a.Enabled = rule(id);
    a.Run = std::move(run);
    Actions_.Add(std::move(a));
  };
  add(A::SearchStart, L"Start", FCONTROL | FALT, 'S', L"Start Search", 0, [this] { actSearchStartExecute(); });
  add(A::SearchPause, L"Pause", 0, 0, L"Pause search", 4, [this] { actSearchPauseExecute(); });
  add(A::SearchStop, L"Stop", FCONTROL | FALT, 'T', L"", 1, [this] { actSearchStopExecute(); });
  add(A::FileClearScreen, L"Clear", 0, 0, L"Clear the current screen", 2, [this] { actFileClearScreenExecute(); });
  add(A::HelpAbout, L"About...", 0, 0, L"What is this about?", -1, [this] { actHelpAboutExecute(); });
  add(A::SearchOpenFileSelected, L"Open selected...", 0, 0, L"Open a file with the default viewer", -1,
      [this] { actSearchOpenFileSelectedExecute(); });
  add(A::SearchOpenFileWith, L"Open selected with...", 0, 0, L"Choose the program to open selection with...", -1,
      [this] { actSearchOpenFileWithExecute(); });
  add(A::SearchOpenSelectedFolder, L"Open folder...", FCONTROL | FALT, 'E',
      L"Opens the folder of current selected item", -1, [this] { actSearchOpenSelectedFolderExecute(); });
  add(A::SearchFileproperties, L"File Properties...", 0, 0, L"Show properties of selected file", 3,
      [this] { actSearchFilepropertiesExecute(); });
  // The Pause menu item has its own shortcut, Ctrl+Alt+P.
  // Ctrl+C copies in the fields, on the list the selected row's path and in
  // the hit pane the selected lines; Ctrl+A selects a field's text or the
  // pane's lines. Ctrl+H shows or hides the hit pane; F6 moves between the list and the pane.
  Accelerators_.reset(Actions_.CreateAccelerators(
      {ACCEL{FCONTROL | FALT | FVIRTKEY, 'P', static_cast<WORD>(TActionId::SearchPause)},
       ACCEL{FCONTROL | FVIRTKEY, 'C', static_cast<WORD>(idCopy)},
       ACCEL{FCONTROL | FVIRTKEY, 'A', static_cast<WORD>(idSelectAll)},
       ACCEL{FCONTROL | FVIRTKEY, 'H', static_cast<WORD>(idShowHitPane)},
       ACCEL{FVIRTKEY, VK_F6, static_cast<WORD>(idSwitchPane)}}));
}

HMENU TfrmMain::CreateMainMenu() {
  HMENU bar = CreateMenu();
  // Every menu and item has an access key, one of its own within its menu;
  // the bar's keys leave the General page's (Alt+S is Search subfolders).
  // An action's item is its caption with the key marked, and its shortcut.
  auto item = [&](HMENU menu, TActionId id, const wchar_t* marked) {
    std::wstring text = Actions_.MenuText(static_cast<int>(id));
    const std::size_t tab = text.find(L'\t');
    text.replace(0, tab == std::wstring::npos ? text.size() : tab, marked);
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(id), text.c_str());
  };
  HMENU file = CreatePopupMenu();
  item(file, TActionId::FileClearScreen, L"&Clear");
  AppendMenuW(file, MF_STRING, idSaveSearch, L"&Save Search....");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  // Checked while Explorer's menus of folders have the entry that starts this program.
  AppendMenuW(file, MF_STRING | (HasExplorerEntry(ProgramPath()) ? MF_CHECKED : MF_UNCHECKED), idExplorerEntry,
              L"Search with Sorvik in &Explorer");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(file, MF_STRING, idExit, L"E&xit");
  HMENU edit = CreatePopupMenu();
  AppendMenuW(edit, MF_STRING, idCut, L"Cu&t");
  AppendMenuW(edit, MF_STRING, idCopy, L"&Copy\tCtrl+C");
  AppendMenuW(edit, MF_STRING, idPaste, L"&Paste");
  HMENU view = CreatePopupMenu();
  AppendMenuW(view, MF_STRING | (HitPaneShown_ ? MF_CHECKED : MF_UNCHECKED), idShowHitPane, L"&Hit Lines\tCtrl+H");
  HMENU search = CreatePopupMenu();
  item(search, TActionId::SearchStart, L"&Start");
  AppendMenuW(search, MF_STRING, static_cast<UINT_PTR>(TActionId::SearchPause), L"&Pause\tCtrl+Alt+P");
  item(search, TActionId::SearchStop, L"S&top");
  AppendMenuW(search, MF_SEPARATOR, 0, nullptr);
  item(search, TActionId::SearchOpenFileSelected, L"&Open selected...");
  item(search, TActionId::SearchOpenFileWith, L"Open selected &with...");
  item(search, TActionId::SearchOpenSelectedFolder, L"Open &folder...");
  AppendMenuW(search, MF_SEPARATOR, 0, nullptr);
  item(search, TActionId::SearchFileproperties, L"File P&roperties...");
  HMENU help = CreatePopupMenu();
  item(help, TActionId::HelpAbout, L"&About...");
  // Items of actions with an image show it; the window draws it (WM_DRAWITEM).
  for (HMENU menu : {file, search, help}) Actions_.ShowImagesIn(menu);
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), L"&Edit");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), L"&View");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(search), L"Sea&rch");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
  return bar;  // the window destroys its menu with itself
}

void TfrmMain::CreateControls() {
  Font_.reset(CreateMessageFont(Dpi_));
  const HFONT font = static_cast<HFONT>(Font_.get());
  const HWND w = Handle();

  // Toolbar with the five action images, and the animation at its right end.
  tbToolbar = Child(w, TOOLBARCLASSNAMEW, L"",
                    TBSTYLE_FLAT | CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN | TBSTYLE_TRANSPARENT, 0, 0, 100,
                    ToolbarHeight(), idToolbar, font);
  SendMessageW(tbToolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  LoadToolbarImages();
  auto button = [&](TActionId id) {
    const TAction* a = Actions_.Find(static_cast<int>(id));
    return TBBUTTON{a->Image, a->Id, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0};
  };
  const TBBUTTON sep{0, 0, 0, BTNS_SEP, {}, 0, 0};
  TBBUTTON buttons[] = {button(TActionId::FileClearScreen), sep, button(TActionId::SearchStart),
                        button(TActionId::SearchPause), button(TActionId::SearchStop), sep,
                        button(TActionId::SearchFileproperties)};
  SendMessageW(tbToolbar, TB_ADDBUTTONSW, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
  SendMessageW(tbToolbar, TB_SETBUTTONSIZE, 0, MAKELPARAM(ImageSize_ + S(6), ImageSize_ + S(4)));
  // The animation at the toolbar's right end is made when a search first runs.

  // The search panel: two tabs, each page a window of its own.
  Tabs_ = std::make_unique<TSearchTabs>(w, idTabs, font);

  General_ = std::make_unique<TGeneralPage>(Tabs_->GeneralPage(), font, Layout_);
  // The conditions page's controls wait until the page is first shown (ConditionsPage()).

  // Dragging the splitter trades height between the panel and the list.
  Splitter_ = std::make_unique<TSplitter>(w, idSplitter);
  splSplitter = Splitter_->Handle();
  Splitter_->OnBeginDrag = [this] { DragStartHeight_ = PanelShown_; };
  Splitter_->OnDrag = [this](int distance) {
    PanelHeight_ = DragStartHeight_ + distance;
    LayoutControls();
    PanelHeight_ = PanelShown_;  // a drag asks for what it shows
  };

  // The results list: report view, whole-row single selection, system small icons.
  Results_ = std::make_unique<TResultsView>(w, idList, font, Dpi_);
  lvwResults = Results_->Handle();
  Results_->OnColumnClick = [this](int column) { lvwResultsColumnClick(column); };
  Results_->OnDoubleClick = [this] { lvwResultsDblClick(); };
  Results_->OnMouseDown = [this](TMouseButton button, POINT point) { lvwResultsMouseDown(button, point); };
  Results_->OnSelect = [this](int row) { lvwResultsSelect(row); };

  // The hit pane under the list; its splitter trades height between the two.
  HitSplitter_ = std::make_unique<TSplitter>(w, idHitSplitter);
  splHitSplitter = HitSplitter_->Handle();
  // A drag starts from the height shown and keeps the height it leaves shown.
  HitSplitter_->OnBeginDrag = [this] {
    RECT r{};
    GetWindowRect(HitPane_->Handle(), &r);
    DragStartPaneHeight_ = r.bottom - r.top;
  };
  HitSplitter_->OnDrag = [this](int distance) {
    HitPaneHeight_ = DragStartPaneHeight_ - distance;
    PaneShare_ = -1;  // the share of the height dragged to
    LayoutControls();
    RECT r{};
    GetWindowRect(HitPane_->Handle(), &r);
    HitPaneHeight_ = r.bottom - r.top;  // the share of what the drag shows, from the next layout
    PaneShare_ = -1;
  };
  HitPane_ = std::make_unique<THitPane>(w, idHitPane, font);
  HitPane_->OnOpen = [this] {
    UpdateActions();
    Execute(TActionId::SearchOpenFileSelected);  // runs only with a row selected
  };

  sbInfoBar = Child(w, STATUSCLASSNAMEW, L"", SBARS_SIZEGRIP, 0, 0, 0, 0, idStatus, font);
}

bool TfrmMain::FormCreate(const TCommandObject& command) {
  State_ = TSearchState::Idle;
  Dpi_ = WindowDpi(Handle());
  PanelHeight_ = S(kDesignPanelHeight);
  HitPaneHeight_ = S(TSettings{}.HitPaneHeight);
  // The results list shows the system's small icons, fetched meanwhile (WM_SORVIK_ICONLIST).
  IconList_ = std::make_unique<TSystemIconList>(Handle());
  CreateControls();
  SortColumn_ = 1;
  SortAscending_ = true;
  ApplySettings();
  LayoutHeld_ = false;
  FormResize();  // the one layout, at the place and size the settings gave
  UpdateActions();

  // Values the command line names replace what the settings left; the others stay.
  TSearchPanel panel = General_->Read();
  const bool runAtOnce = PrefillFromCommand(command, panel);
  if (command.HasValues) General_->Write(panel);
  return runAtOnce;
}

void TfrmMain::LayoutControls() {
  if (!sbInfoBar || LayoutHeld_) return;
  LaidOut_ = CurrentLayout();
  RECT client;
  GetClientRect(Handle(), &client);
  const int cx = client.right, cy = client.bottom;
  SendMessageW(sbInfoBar, WM_SIZE, 0, 0);
  RECT sb;
  GetWindowRect(sbInfoBar, &sb);
  const int sbHeight = sb.bottom - sb.top;
  // Panels 100, 75 and 125 wide; the fourth takes the rest.
  int parts[] = {S(100), S(175), S(300), -1};
  SendMessageW(sbInfoBar, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(parts));

  const int toolbar = ToolbarHeight(), animate = S(kAnimateWidth), splitter = S(kSplitterHeight);
  // The list keeps several rows whenever the window has them: the hit pane
  // gives way first, then the panel. The panel's height asked stays for a
  // larger window (one made small and grown to its place at a high DPI).
  const int listLeast = Results_->HeightForRows(kLeastListRows);
  const int paneSplitter = HitPaneShown_ ? splitter : 0;
  PanelShown_ = PanelHeightShown(PanelHeight_, S(kMinPanelHeight), cy - toolbar - splitter - paneSplitter - sbHeight,
                                 listLeast);
  const int listTop = toolbar + PanelShown_ + splitter;
  // The list's and the pane's, the splitter between them left out.
  const int room = std::max(cy - listTop - sbHeight - paneSplitter, 0);
  // The height asked (stored, dragged to, or the default) becomes a share of
  // the room at the next layout; from then on a resize keeps the proportion.
  // A window fitted into a smaller screen than it was asked for shares as the
  // asked one would: the list keeps the rows the height it lost would have given it.
  if (HitPaneShown_ && PaneShare_ < 0 && room > 0) {
    PaneShare_ = PaneShareOf(HitPaneHeight_, room + FittedAway_);
    FittedAway_ = 0;
  }
  const TListPaneHeights heights = HitPaneShown_
                                       ? ShareListAndPane(room, std::max(PaneShare_, 0.0), listLeast, S(kMinHitPaneHeight))
                                       : TListPaneHeights{room, 0};
  const int listHeight = heights.List, pane = heights.Pane;
  // What the share asks at this size, though the list's rows may leave the pane less.
  if (HitPaneShown_ && room > 0) HitPaneHeight_ = static_cast<int>(std::lround(PaneShare_ * room));
  HDWP dwp = BeginDeferWindowPos(8);
  auto place = [&](HWND h, int x, int y, int w, int hgt) {
    dwp = DeferWindowPos(dwp, h, nullptr, x, y, std::max(w, 0), std::max(hgt, 0), SWP_NOZORDER | SWP_NOACTIVATE);
  };
  place(tbToolbar, 0, 0, cx - animate, toolbar);
  if (aniAnimate) place(aniAnimate, cx - animate, 0, animate, toolbar);
  place(Tabs_->Tabs(), 0, toolbar, cx, PanelShown_);
  place(splSplitter, 0, toolbar + PanelShown_, cx, splitter);
  place(lvwResults, 0, listTop, cx, listHeight);
  if (HitPaneShown_) {
    place(splHitSplitter, 0, listTop + listHeight, cx, splitter);
    place(HitPane_->Handle(), 0, listTop + listHeight + splitter, cx, pane);
  }
  EndDeferWindowPos(dwp);

  const SIZE page = Tabs_->FitPages(0, toolbar, cx, PanelShown_);
  General_->FitGroup(page.cx, page.cy, S(4));
  // Group boxes, the bevel, the splitter and the status bar's size grip paint
  // only what they think changed: after a resize or a splitter drag everything
  // is drawn again, so nothing stale stays.
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TfrmMain::RestoreFocus() {
  if (!General_) return;  // still being made
  const HWND focus = GetFocus();
  if (focus && focus != Handle() && IsChild(Handle(), focus)) return;  // a field has it already
  const HWND last = LastFocus_ && IsWindow(LastFocus_) && IsChild(Handle(), LastFocus_) && IsWindowVisible(LastFocus_) &&
                            IsWindowEnabled(LastFocus_)
                        ? LastFocus_
                        : General_->cboKeyWords;
  SetFocus(last);
}

void TfrmMain::SetHitPaneShown(bool shown) {
  HitPaneShown_ = shown;
  CheckMenuItem(GetMenu(Handle()), idShowHitPane, MF_BYCOMMAND | (shown ? MF_CHECKED : MF_UNCHECKED));
  if (shown) {
    ShowWindow(splHitSplitter, SW_SHOWNA);
    ShowWindow(HitPane_->Handle(), SW_SHOWNA);
    lvwResultsSelect(Results_->Selected());
  } else {
    // A hidden pane holds nothing and reads nothing; the focus it had goes to the list.
    if (const HWND focus = GetFocus(); focus && (focus == HitPane_->Handle() || IsChild(HitPane_->Handle(), focus)))
      SetFocus(lvwResults);
    HitPane_->Clear();
    ShowWindow(splHitSplitter, SW_HIDE);
    ShowWindow(HitPane_->Handle(), SW_HIDE);
  }
  LayoutControls();
}

void TfrmMain::SwitchExplorerEntry() {
  try {
    const std::string program = ProgramPath();
    if (HasExplorerEntry(program))
      RemoveExplorerEntry();
    else
      AddExplorerEntry(program);
  } catch (const std::exception& e) {
    ReportError(e.what());
  }
  ShowExplorerEntryState();
}

void TfrmMain::ShowExplorerEntryState() {
  const bool present = HasExplorerEntry(ProgramPath());
  CheckMenuItem(GetMenu(Handle()), idExplorerEntry, MF_BYCOMMAND | (present ? MF_CHECKED : MF_UNCHECKED));
}

void TfrmMain::SwitchPaneFocus() {
  SetFocus(HitPaneShown_ && GetFocus() == lvwResults ? HitPane_->List() : lvwResults);
}

TfrmMain::TLaidOut TfrmMain::CurrentLayout() const {
  RECT window{}, client{};
  GetWindowRect(Handle(), &window);
  GetClientRect(Handle(), &client);
  return {window.right - window.left, client.right, client.bottom, Dpi_};
}

void TfrmMain::FormResize() {
  // The first show sends WM_SIZE for the size the window was laid out for: that layout stands.
  if (LayoutHeld_ || CurrentLayout() == LaidOut_) return;
  ApplyPlaces();
  LayoutControls();
}

void TfrmMain::SetIconList(HIMAGELIST icons) {
  // The list is the system's, never destroyed here; rows shown without icons show them now.
  if (!icons || ListView_GetImageList(lvwResults, LVSIL_SMALL) == icons) return;
  ListView_SetImageList(lvwResults, icons, LVSIL_SMALL);
  if (Results_->Count() > 0) InvalidateRect(lvwResults, nullptr, FALSE);
}

TConditionsPage& TfrmMain::ConditionsPage() {
  if (!ConditionsPage_) {
    ConditionsPage_ = std::make_unique<TConditionsPage>(Tabs_->ConditionsPage(), static_cast<HFONT>(Font_.get()),
                                                        Dpi_, Layout_);
    ConditionsPage_->Grid().Select(-1, -1);
    if (!LayoutWaitsForRestore()) ApplyPlaces();
  }
  return *ConditionsPage_;
}

bool TfrmMain::LayoutWaitsForRestore() {
  if (!IsIconic(Handle())) return false;
  LaidOut_ = {};  // the restore's WM_SIZE lays the window out
  return true;
}

void TfrmMain::ApplyPlaces() {
  if (LayoutHeld_) return;
  // The stretching controls widen, and the browse button moves, by the window's
  // width beyond its design width at this DPI.
  RECT r;
  GetWindowRect(Handle(), &r);
  Layout_.Apply(Dpi_, (r.right - r.left) - S(kDesignWidth));
  General_->FitOptionsRow(Dpi_);
}

void TfrmMain::CreateAnimation() {
  // The system's find-file animation where the shell has one that fits its
  // place at this DPI, our own frames otherwise. Either shows only while a search runs.
  OwnAnimation_.reset();
  SystemAnimation_.reset();
  aniAnimate = nullptr;
  const HWND w = Handle();
  if (SystemAnimationFits(w, S(kAnimateWidth), ToolbarHeight())) {
    SystemAnimation_.reset(Child(w, ANIMATE_CLASSW, L"", ACS_TRANSPARENT | ACS_CENTER, 0, 0, S(kAnimateWidth),
                                 ToolbarHeight(), idAnimate, static_cast<HFONT>(Font_.get())));
    aniAnimate = SystemAnimation_.get();
    SendMessageW(aniAnimate, ACM_OPENW, reinterpret_cast<WPARAM>(GetModuleHandleW(L"shell32.dll")),
                 reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(kFindAnimation)));
  } else {
    OwnAnimation_ = std::make_unique<TBusyAnimation>(w, idAnimate, 0, 0, S(kAnimateWidth), ToolbarHeight());
    aniAnimate = OwnAnimation_->Handle();
  }
  ShowWindow(aniAnimate, SW_HIDE);
  if (!LayoutWaitsForRestore()) {
    RECT client{};
    GetClientRect(w, &client);
    SetWindowPos(aniAnimate, nullptr, client.right - S(kAnimateWidth), 0, S(kAnimateWidth), ToolbarHeight(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (AnimationActive_) SetAnimationActive(true);
}

int TfrmMain::ToolbarHeight() const { return std::max(S(kToolbarHeight), ImageSize_ + S(6)); }

void TfrmMain::LoadToolbarImages() {
  ImageSize_ = ImageSizeForDpi(Dpi_);
  UniqueImageList images(ImageList_Create(ImageSize_, ImageSize_, ILC_COLOR24 | ILC_MASK, 5, 0));
  const UniqueGdiObject strip(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ToolbarResourceForSize(ImageSize_)),
                                         IMAGE_BITMAP, 0, 0, 0));
  if (strip) ImageList_AddMasked(images.get(), static_cast<HBITMAP>(strip.get()), RGB(255, 0, 255));
  SendMessageW(tbToolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.get()));
  ToolbarImages_ = std::move(images);  // the one the toolbar had goes now
}

void TfrmMain::ApplyDpi(UINT dpi, const RECT* suggested) {
  if (dpi == Dpi_ || dpi == 0) return;
  const UINT old = Dpi_;
  Dpi_ = dpi;
  // Laid out once, at the new size: a layout on the way would make the
  // pane's share from the old size.
  LayoutHeld_ = true;
  // The controls take the new font before the old one goes.
  UniqueGdiObject font(CreateMessageFont(Dpi_));
  EnumChildWindows(Handle(), SetFontOf, reinterpret_cast<LPARAM>(font.get()));
  Font_ = std::move(font);
  LoadToolbarImages();
  SendMessageW(tbToolbar, TB_SETBUTTONSIZE, 0, MAKELPARAM(ImageSize_ + S(6), ImageSize_ + S(4)));
  if (aniAnimate) CreateAnimation();  // the shell's clip may fit at one DPI and not at another
  if (ConditionsPage_) ConditionsPage_->SetDpi(Dpi_);
  for (int i = 0; i < kResultColumns; ++i) {
    const int width = static_cast<int>(SendMessageW(lvwResults, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0));
    SendMessageW(lvwResults, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i),
                 MAKELPARAM(Rescale(width, old, dpi), 0));
  }
  PanelHeight_ = Rescale(PanelHeight_, old, dpi);
  HitPaneHeight_ = Rescale(HitPaneHeight_, old, dpi);
  PaneShare_ = -1;  // the pane keeps its height at the new scale, then its share
  if (suggested)
    SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  LayoutHeld_ = false;
  FormResize();
}

void TfrmMain::FormClose() {
  StopWorker();
  try {
    StoreSettings();
  } catch (const std::exception& e) {
    // Said, and the window closes all the same.
    ReportError(e.what());
  }
  DestroyWindow(Handle());
}

void TfrmMain::ReportError(const std::string& message) {
  if (ErrorReporter)
    ErrorReporter(message);
  else
    TWindow::ReportError(message);
}

void TfrmMain::FormDestroy() {
  SystemAnimation_.release();  // a child: gone with the window
  Search_.reset();
  if (HitPane_) HitPane_->Clear();
  Conditions_.Clear();
}

LRESULT TfrmMain::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE:
      // Minimised, the window has no room to lay out: the layout waits for the restore.
      if (wp != SIZE_MINIMIZED) FormResize();
      return 0;
    case WM_DPICHANGED_MSG:
      // Moved to a monitor with another scale: everything follows, at the size the system suggests.
      ApplyDpi(HIWORD(wp), reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_CLOSE: FormClose(); return 0;
    case WM_ACTIVATE:
      // The field the keyboard was in goes with the window's activation: kept
      // when another window (a dialog, another program) takes it, given back
      // when the window is active again, so typed letters never go nowhere.
      if (LOWORD(wp) == WA_INACTIVE) {
        if (const HWND focus = GetFocus(); focus && IsChild(Handle(), focus)) LastFocus_ = focus;
      } else if (!HIWORD(wp)) {
        RestoreFocus();
      }
      return 0;
    case WM_SETFOCUS: RestoreFocus(); return 0;
    case WM_DESTROY:
      FormDestroy();
      PostQuitMessage(0);
      return 0;
    case WM_SORVIK_HANDOVER:
      if (Search_) Search_->Worker().CheckSynchronize();
      return 0;
    case WM_SORVIK_ICONLIST: {
      const auto icons = reinterpret_cast<HIMAGELIST>(lp);
      SetIconList(icons ? icons : TSystemIconList::FetchHere());
      return 0;
    }
    case WM_INITMENUPOPUP:
      // The entry may have come or gone meanwhile (another copy of the program, the user's own hand).
      if (reinterpret_cast<HMENU>(wp) == GetSubMenu(GetMenu(Handle()), 0)) ShowExplorerEntryState();
      break;
    case WM_COMMAND: return OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
    case WM_NOTIFY: return OnNotify(*reinterpret_cast<const NMHDR*>(lp));
    case WM_MEASUREITEM:
      if (!Actions_.MeasureMenuImage(*reinterpret_cast<MEASUREITEMSTRUCT*>(lp), ImageSize_)) break;
      return TRUE;
    case WM_DRAWITEM:
      if (!Actions_.DrawMenuImage(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp), ToolbarImages_.get(), ImageSize_))
        break;
      return TRUE;
    case WM_GETMINMAXINFO: {
      auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
      // Narrow down to where the options' captions still fit.
      const int least = General_ ? S(kDesignWidth) + General_->LeastExtraWidth(Dpi_) : 0;
      // Down to where the search panel shows whole over the list's least rows.
      int high = S(kMinHeight);
      if (sbInfoBar && Results_) {
        RECT window{}, client{}, bar{};
        GetWindowRect(Handle(), &window);
        GetClientRect(Handle(), &client);
        GetWindowRect(sbInfoBar, &bar);
        const int frame = static_cast<int>((window.bottom - window.top) - client.bottom);
        const int splitters = S(kSplitterHeight) * (HitPaneShown_ ? 2 : 1);
        high = std::max(high, frame + ToolbarHeight() + S(kDesignPanelHeight) + splitters +
                                  Results_->HeightForRows(kLeastListRows) + static_cast<int>(bar.bottom - bar.top));
      }
      mm->ptMinTrackSize = {std::max(S(kMinWidth), least), high};
      return 0;
    }
    default:
      return TWindow::HandleMessage(msg, wp, lp);
  }
  return TWindow::HandleMessage(msg, wp, lp);
}

LRESULT TfrmMain::OnCommand(int id, int code, HWND from) {
  // Enter: the dialog manager sends IDOK, which no control or action has.
  if (id == IDOK && code == BN_CLICKED) return EnterKey(), 0;
  // Escape: the dialog manager sends IDCANCEL; a search under way stops, as Stop does.
  if (id == IDCANCEL && code == BN_CLICKED) {
    if (State_ == TSearchState::Running) Execute(TActionId::SearchStop);
    return 0;
  }
  if (from && (General_->OnCommand(from, code) || (ConditionsPage_ && ConditionsPage_->OnCommand(from, code))))
    return 0;
  if (code == CBN_KILLFOCUS && from == General_->cboFilemask) return cboFilemaskExit(), 0;
  if (code == CBN_KILLFOCUS && from == General_->cboKeyWords) return cboKeyWordsExit(), 0;
  if (code == CBN_KILLFOCUS && from == General_->cboSkipFolders) return cboSkipFoldersExit(), 0;
  if (!from) {  // menu items and shortcuts
    switch (id) {
      case idSaveSearch: SaveSearch(); return 0;
      case idCut: EditCommand(WM_CUT); return 0;
      case idCopy: EditCommand(WM_COPY); return 0;
      case idPaste: EditCommand(WM_PASTE); return 0;
      case idSelectAll: SelectAllText(); return 0;
      case idExit: PostMessageW(Handle(), WM_CLOSE, 0, 0); return 0;  // as Alt+F4 closes it
      case idShowHitPane: SetHitPaneShown(!HitPaneShown_); return 0;
      case idSwitchPane: SwitchPaneFocus(); return 0;
      case idExplorerEntry: SwitchExplorerEntry(); return 0;
    }
  }
  Actions_.Execute(id);  // nothing for an id that isn't an action's
  return 0;
}

LRESULT TfrmMain::OnNotify(const NMHDR& hdr) {
  LRESULT result = 0;
  if (hdr.hwndFrom == lvwResults && Results_->OnNotify(&hdr, result)) return result;
  if (ConditionsPage_ && ConditionsPage_->OnNotify(&hdr, result)) return result;
  // The conditions page gets its controls before it first shows.
  if (hdr.hwndFrom == Tabs_->Tabs() && hdr.code == TCN_SELCHANGE) ConditionsPage();
  Tabs_->OnNotify(hdr);
  return 0;
}

bool TfrmMain::HandleMnemonic(wchar_t letter) {
  return PressMnemonic(Tabs_->ShownPage(), letter);
}

bool TfrmMain::EnterKey() {
  // Enter in the words, mask, folder or folders-to-skip field: Start, when Start may run; on a
  // row of the list or a line of the hit pane: open the row's file; on a push button: press it, as Space does.
  const HWND focus = GetFocus();
  if (!focus) return false;
  if (HasClass(focus, WC_BUTTONW) && (GetWindowLongW(focus, GWL_STYLE) & BS_TYPEMASK) == BS_PUSHBUTTON) {
    SendMessageW(focus, BM_CLICK, 0, 0);
    return true;
  }
  if (focus == lvwResults || focus == HitPane_->List()) {
    UpdateActions();
    Execute(TActionId::SearchOpenFileSelected);  // runs only with a row selected
    return true;
  }
  if (!General_->IsTextField(focus)) return false;
  Execute(TActionId::SearchStart);
  return true;
}

void TfrmMain::UpdateActions() {
  if (Handle()) Actions_.Update(tbToolbar, GetMenu(Handle()));
}

}  // namespace sorvik
