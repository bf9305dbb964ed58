// The main window's search actions (Start, Pause, Stop, Clear, About) and the
// worker's hand-overs into the window.
#include <windows.h>
#include <commctrl.h>

#include <utility>

#include "WaitCursor.h"
#include "WinMessages.h"
#include "WinText.h"
#include "formAbout.h"
#include "formMain.h"
#include "ResultRows.h"

namespace sorvik {

int TfrmMain::BuildFileConditions() {
  // A page never shown holds no conditions.
  return ConditionsPage_ ? ConditionsPage_->BuildFileConditions(Conditions_) : 0;
}

void TfrmMain::ClearRows() {
  Results_->Clear();
  HitPane_->Clear();
}

void TfrmMain::actSearchStartExecute() {
  {
    TWaitCursor wait;
    ClearRows();
  }
  Conditions_.Clear();
  Search_.reset();  // an ended worker; destroying it waits for its end
  Search_ = std::make_unique<TSearchRun>(*this);
  try {
    TKtSearchThread& worker = Search_->Worker();
    TSearchRequest request;
    if (BuildFileConditions() > 0) {
      Conditions_.CombineMode = ConditionsPage_->CombineMode();
      request.Conditions = Conditions_;
    }
    ApplyPanel(General_->Read(), request);
    request.Icons = true;
    // The hit pane reads the rows' files with this search's words, whatever is typed later.
    HitWords_ = HitWordsOf(request);
    HitInside_ = request.InsideDocuments;
    worker.SetRequest(std::move(request));
    State_ = TSearchState::Running;
    const HWND window = Handle();
    worker.SetWaker([window] { PostMessageW(window, WM_SORVIK_HANDOVER, 0, 0); });
    Search_->Delivery().SetInterval(WorkerDeliveryInterval);
    worker.Resume();
  } catch (...) {
    // A failure here leaves the window idle, without a worker, and says nothing.
    State_ = TSearchState::Idle;
    Search_.reset();
  }
}

void TfrmMain::actSearchPauseExecute() {
  TKtSearchThread* worker = Worker();
  const TPauseStep step = PauseStep(State_, worker && worker->Suspended());
  if (step.Halt && worker) {
    // The worker halts at its next poll point, never inside a hand-over. A hand-over
    // it queued before the gate closed runs now, so nothing arrives after this.
    worker->Suspend();
    worker->CheckSynchronize();
    if (State_ == TSearchState::Idle) {
      // That was the closing hand-over: the run is over and must not stay halted.
      worker->Resume();
      return;
    }
    SetPanel(3, "-- PAUSED --");
  }
  if (step.Continue && worker) worker->Resume();
  State_ = step.NewState;
}

void TfrmMain::StopWorker() {
  TKtSearchThread* worker = Worker();
  if (!worker) return;
  // Terminate also opens a closed pause gate, so a paused worker ends too.
  worker->Terminate();
  worker->WaitFor();
}

void TfrmMain::actSearchStopExecute() {
  StopWorker();
  State_ = TSearchState::Idle;
}

void TfrmMain::actFileClearScreenExecute() {
  General_->Clear();
  ClearRows();
  for (int i = 0; i < 4; ++i) SetPanel(i, "");
  SetFocus(General_->cboFilemask);
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

void TfrmMain::ShowPanels(const TPanelTexts& panels) {
  for (int i = 0; i < 4; ++i) SetPanel(i, panels[static_cast<std::size_t>(i)]);
}

void TfrmMain::ShowError(const std::string& message) { SetPanel(3, message); }

void TfrmMain::SetAnimationActive(bool active) {
  AnimationActive_ = active;
  if (!aniAnimate) {
    if (!active) return;
    CreateAnimation();  // the first search: it shows from now on (and plays, as AnimationActive_ says)
    return;
  }
  // At rest nothing shows: a still frame would say a search is on.
  ShowWindow(aniAnimate, active ? SW_SHOWNA : SW_HIDE);
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
