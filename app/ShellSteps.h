// How a result action's request reaches the shell: which of the system's steps
// are tried, in what order, and what the user is told when none does it. The
// steps themselves are the system's (IShellSteps, Win32 in ItemProp); what is
// decided here is tested without them.
#pragma once

#include <cstdint>
#include <string>

#include "ActionRules.h"

namespace sorvik {

// The system's error codes the answers are read by (Windows' own values).
inline constexpr std::uint32_t kErrorNoAssociation = 1155;  // ERROR_NO_ASSOCIATION
inline constexpr std::uint32_t kErrorCancelled = 1223;      // ERROR_CANCELLED

// A step's answer: carried out; refused, for the system's error code; or the
// shell can't be given the path at all (ShellRoute None, or no identifier list).
struct TShellAnswer {
  enum TKind : std::uint8_t { Done, Failed, Unreachable } Kind = Done;
  std::uint32_t Error = 0;
  bool operator==(const TShellAnswer&) const = default;
};

class IShellSteps {
 public:
  virtual ~IShellSteps() = default;
  // ShellExecuteEx of the call's operation on its file, without the shell's
  // own messages (its failures come back here to be said).
  virtual TShellAnswer Execute(const TShellCall& call) = 0;
  // The system's dialog in which the user picks a program for the file at a
  // path the shell takes as text.
  virtual TShellAnswer OpenWithDialog(const std::string& path) = 0;
  // The file manager's window of the item's folder with the item selected, for
  // a path the shell takes as text or as its item (ShellRoute Text or Item).
  virtual TShellAnswer ShowSelected(const std::string& path) = 0;
  // Tells the user that the shell can't be given this path.
  virtual void SayCantReach(const std::string& path) = 0;
  // Tells the user that Windows refused the call, and the system's reason.
  virtual void SayRefused(const TShellCall& call, std::uint32_t error) = 0;
};

// Carries the call out through the steps. Open: the file with its program;
// when no program is associated with it, the system's choice of one. Open
// with: the choice, by the dialog where the path allows and else the verb
// "openas". Open folder: the folder's window with the row's file selected,
// where the shell can be given the file (a name the system's path rules would
// change can't be, as text or as an item of its folder); else, or when that
// fails, the folder itself. Whatever fails is said, with the system's reason,
// unless the user cancelled it himself.
void CarryOut(const TShellCall& call, IShellSteps& shell);

// The error behind a ShellExecuteEx that failed: ERROR_CANCELLED when the user
// cancelled; else the one its SE_ERR_ code (hInstApp, 32 or less) stands for,
// a shell being free to leave an unrelated last error (Wine leaves
// ERROR_BAD_EXE_FORMAT where no program is associated); else the last error.
std::uint32_t ShellExecuteError(std::uintptr_t instance, std::uint32_t lastError);

// The first line of what the user is told when Windows refuses a call.
std::string RefusalHeadline(TShellAct act);

}  // namespace sorvik
