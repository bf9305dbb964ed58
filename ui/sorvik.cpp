// The program's entry point.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "MessageText.h"
#include "formMain.h"
#include "CommandLine.h"

namespace {

// Runs the message loop; when the queue is empty the actions are brought up to date.
int RunMessageLoop(sorvik::TfrmMain& form) {
  MSG msg;
  for (;;) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
      if (form.Handle() && TranslateAcceleratorW(form.Handle(), form.Accelerators(), &msg)) continue;
      if (msg.message == WM_SYSCHAR && form.Handle() && IsChild(form.Handle(), msg.hwnd) &&
          form.HandleMnemonic(static_cast<wchar_t>(msg.wParam)))
        continue;
      if (form.Handle() && IsDialogMessageW(form.Handle(), &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    form.UpdateActions();
    WaitMessage();
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_ANIMATE_CLASS |
                                           ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  // The command object already holds its defaults; the arguments, if any, fill it.
  sorvik::ApplyCommandLine(sorvik::CommandObject, sorvik::ProcessArguments());
  int code = 0;
  try {
    sorvik::TfrmMain form(sorvik::CommandObject);
    code = RunMessageLoop(form);
  } catch (const std::exception& e) {
    // The window couldn't be made: nothing else can say so.
    sorvik::ShowMessage(nullptr, e.what(), MB_OK | MB_ICONERROR);
    code = 1;
  }
  OleUninitialize();
  return code;
}
