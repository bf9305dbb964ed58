#include "ShellSteps.h"

namespace sorvik {

namespace {

bool Cancelled(const TShellAnswer& a) { return a.Kind == TShellAnswer::Failed && a.Error == kErrorCancelled; }

// The system's choice of a program for the file: its dialog, where the shell
// takes the path as text, else (or when the dialog fails) the verb "openas".
// A failure of both is said with the dialog's reason, the verb's being the
// older way.
TShellAnswer ChooseProgram(const std::string& path, IShellSteps& shell) {
  TShellAnswer dialog{TShellAnswer::Unreachable};
  if (ShellRoute(path) == TShellRoute::Text) {
    dialog = shell.OpenWithDialog(path);
    if (dialog.Kind == TShellAnswer::Done || Cancelled(dialog)) return dialog;
  }
  const TShellAnswer verb = shell.Execute(OpenWithCall(path));
  if (verb.Kind == TShellAnswer::Done || Cancelled(verb)) return verb;
  return verb.Kind == TShellAnswer::Failed && dialog.Kind == TShellAnswer::Failed ? dialog : verb;
}

void Settle(const TShellCall& call, const TShellAnswer& answer, IShellSteps& shell) {
  if (answer.Kind == TShellAnswer::Unreachable)
    shell.SayCantReach(call.File);
  else if (answer.Kind == TShellAnswer::Failed && !Cancelled(answer))
    shell.SayRefused(call, answer.Error);
}

}  // namespace

void CarryOut(const TShellCall& call, IShellSteps& shell) {
  switch (call.Act) {
    case TShellAct::Open: {
      const TShellAnswer opened = shell.Execute(call);
      if (opened.Kind == TShellAnswer::Failed && opened.Error == kErrorNoAssociation) {
        const TShellAnswer chosen = ChooseProgram(call.File, shell);
        if (chosen.Kind == TShellAnswer::Done || Cancelled(chosen)) return;
      }
      // What is said is why the file didn't open (no program for it, where
      // no choice of one could be had either).
      Settle(call, opened, shell);
      return;
    }
    case TShellAct::OpenWith: Settle(call, ChooseProgram(call.File, shell), shell); return;
    case TShellAct::OpenFolder:
      if (!call.Select.empty() && ShellRoute(call.Select) != TShellRoute::None) {
        const TShellAnswer shown = shell.ShowSelected(call.Select);
        if (shown.Kind == TShellAnswer::Done || Cancelled(shown)) return;
      }
      // The folder without the selection; what is said is why it didn't open.
      Settle(call, shell.Execute(call), shell);
      return;
  }
}

std::uint32_t ShellExecuteError(std::uintptr_t instance, std::uint32_t lastError) {
  if (lastError == kErrorCancelled) return kErrorCancelled;
  // SE_ERR_ codes and the system errors they stand for.
  switch (instance) {
    case 2: return 2;                     // SE_ERR_FNF: ERROR_FILE_NOT_FOUND
    case 3: return 3;                     // SE_ERR_PNF: ERROR_PATH_NOT_FOUND
    case 5: return 5;                     // SE_ERR_ACCESSDENIED: ERROR_ACCESS_DENIED
    case 8: return 8;                     // SE_ERR_OOM: ERROR_NOT_ENOUGH_MEMORY
    case 11: return 11;                   // ERROR_BAD_FORMAT
    case 26: return 32;                   // SE_ERR_SHARE: ERROR_SHARING_VIOLATION
    case 27:                              // SE_ERR_ASSOCINCOMPLETE
    case 31: return kErrorNoAssociation;  // SE_ERR_NOASSOC
    case 28:                              // SE_ERR_DDETIMEOUT
    case 29:                              // SE_ERR_DDEFAIL
    case 30: return 1156;                 // SE_ERR_DDEBUSY: ERROR_DDE_FAIL
    case 32: return 1157;                 // SE_ERR_DLLNOTFOUND: ERROR_DLL_NOT_FOUND
    default: break;
  }
  return lastError != 0 ? lastError : 31;  // ERROR_GEN_FAILURE: failed, and nothing says why
}

std::string RefusalHeadline(TShellAct act) {
  switch (act) {
    case TShellAct::Open: return "Windows can't open this file:";
    case TShellAct::OpenWith: return "Windows can't offer a choice of program for this file:";
    case TShellAct::OpenFolder: return "Windows can't open this folder:";
  }
  return {};
}

}  // namespace sorvik
