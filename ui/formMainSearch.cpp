// The main window's search actions (Start, Pause, Stop, Clear, About) and the
// worker's hand-overs into the window.
#include <windows.h>
#include <commctrl.h>

#include "WaitCursor.h"
#include "WinMessages.h"
#include "WinText.h"
#include "formAbout.h"
#include "formMain.h"

namespace sorvik {

namespace {

bool Checked(HWND h) { return SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED; }

}  // namespace

int TfrmMain::BuildFileConditions() { return ConditionsPage_->BuildFileConditions(Conditions_); }

void TfrmMain::ClearRows() { Results_->Clear(); }

void TfrmMain::actSearchStartExecute() {
  {
    TWaitCursor wait;
    ClearRows();
  }
  Conditions_.Clear();
  Worker_.reset();  // an ended worker; destroying it waits for its end
  Worker_ = std::make_unique<TKtSearchThread>(this);
  try {
    TSearchRequest& request = Worker_->Request;
    if (BuildFileConditions() > 0) {
      Conditions_.CombineMode = Checked(rdMatchAllAnd) ? 1 : 0;
      request.Conditions = &Conditions_;
    }
    request.Folder = GetText(edDirectories);
    request.Mask = GetText(cboFilemask);
    request.Words = GetText(cboKeyWords);
    request.ResultList = this;
    request.Icons = true;
    request.Recursive = Checked(chkRecursive);
    request.CaseSensitive = Checked(chkCaseSensitive);
    request.WholeWords = Checked(chkWholeWords);
    request.MatchMode = Checked(rdWordsAny) ? 0 : Checked(rdWordsAll) ? 1 : 2;
    State_ = TSearchState::Running;
    const HWND window = Handle();
    Worker_->SetWaker([window] { PostMessageW(window, WM_SORVIK_HANDOVER, 0, 0); });
    Worker_->SetDeliveryInterval(WorkerDeliveryInterval);
    Worker_->Resume();
  } catch (...) {
    // A failure here leaves the window idle, without a worker, and says nothing.
    State_ = TSearchState::Idle;
    Worker_.reset();
  }
}

void TfrmMain::actSearchPauseExecute() {
  const TPauseStep step = PauseStep(State_, Worker_ && Worker_->Suspended());
  if (step.Halt && Worker_) {
    // The worker halts at its next poll point, never inside a hand-over. A hand-over
    // it queued before the gate closed runs now, so nothing arrives after this.
    Worker_->Suspend();
    Worker_->CheckSynchronize();
    if (State_ == TSearchState::Idle) {
      // That was the closing hand-over: the run is over and must not stay halted.
      Worker_->Resume();
      return;
    }
    SetPanel(3, "-- PAUSED --");
  }
  if (step.Continue && Worker_) Worker_->Resume();
  State_ = step.NewState;
}

void TfrmMain::StopWorker() {
  if (!Worker_) return;
  // Terminate also opens a closed pause gate, so a paused worker ends too.
  Worker_->Terminate();
  Worker_->WaitFor();
}

void TfrmMain::actSearchStopExecute() {
  StopWorker();
  State_ = TSearchState::Idle;
}

void TfrmMain::actFileClearScreenExecute() {
  SetWindowTextW(cboFilemask, L"");
  SetWindowTextW(edDirectories, L"");
  SendMessageW(chkRecursive, BM_SETCHECK, BST_UNCHECKED, 0);
  SetWindowTextW(cboKeyWords, L"");
  SendMessageW(chkWholeWords, BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageW(chkCaseSensitive, BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageW(rdWordsAny, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageW(rdWordsAll, BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageW(rdExact, BM_SETCHECK, BST_UNCHECKED, 0);
  ClearRows();
  for (int i = 0; i < 4; ++i) SetPanel(i, "");
  SetFocus(cboFilemask);
}

void TfrmMain::actHelpAboutExecute() {
  TfrmAbout about;
  about.ShowModal(nullptr);
}

void TfrmMain::SetPanel(int panel, const std::string& text) {
  // Panels 0 to 2 are right-aligned: a text after two tabs.
  const std::wstring wide = (panel < 3 ? L"\t\t" : L"") + Widen(text);
  SendMessageW(sbInfoBar, SB_SETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(wide.c_str()));
}

std::string TfrmMain::PanelText(int panel) const {
  const auto length = LOWORD(SendMessageW(sbInfoBar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(panel), 0));
  std::wstring text(length + 1u, L'\0');
  SendMessageW(sbInfoBar, SB_GETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text.data()));
  text.resize(wcslen(text.c_str()));
  while (!text.empty() && text.front() == L'\t') text.erase(text.begin());
  return Narrow(text);
}

int TfrmMain::SelectedRows() const { return Results_ ? Results_->SelectedCount() : 0; }

int TfrmMain::RowCount() const { return Results_->Count(); }

std::string TfrmMain::RowText(int row, int column) const { return Results_->Text(row, column); }

void TfrmMain::ShowPanels(const std::array<std::string, 4>& panels) {
  for (int i = 0; i < 4; ++i) SetPanel(i, panels[static_cast<std::size_t>(i)]);
}

void TfrmMain::SetAnimationActive(bool active) {
  AnimationActive_ = active;
  if (OwnAnimation_) {
    OwnAnimation_->SetActive(active);
  } else if (active) {
    if (!SendMessageW(aniAnimate, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 7)))
      SendMessageW(aniAnimate, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
  } else {
    SendMessageW(aniAnimate, ACM_STOP, 0, 0);
  }
}

void TfrmMain::SetSearchIdle() {
  State_ = TSearchState::Idle;
  Results_->Flush();  // every row shows once the search is over
}

void TfrmMain::AddRow(const TFoundFile& file) { Results_->Append(MakeResultRow(file)); }

}  // namespace sorvik
