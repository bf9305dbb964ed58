// The Explorer context menu of one file: the shell's own handler fills a popup
// menu (with its extensions, submenus and owner-drawn entries), the menu is
// tracked at a point, and the picked command is carried out.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "ActionRules.h"
#include "ShellSteps.h"
#include "Win32Handles.h"

namespace sorvik {

// Shows the menu of the file at `path` (UTF-8) with its top left corner at
// `point` (screen coordinates) and invokes the picked command with `owner` as
// its window. True when the menu was shown and the picked command (if any) ran
// without error; false when the file can't be resolved, no handler or menu can
// be had, or the command fails. `setAside` tells whether the user picked the
// entry that is never invoked (rename: the results list can't edit names).
bool ShowShellContextMenu(const std::string& path, HWND owner, POINT point, bool& setAside);

// Whether the entry at this command offset is the one set aside: its verb is "rename".
bool IsSetAsideCommand(IContextMenu* menu, UINT offset);

// Asks the shell to carry out a request for a result row (CarryOut, with the
// system's steps): by ShellExecuteEx, or, for a file or folder the shell must
// have as its item (ShellRoute), by its identifier list; without a program for
// the file, the system's choice of one. What fails is said, with the system's
// reason; where the shell can't reach a path, that is said.
void RunShellCall(HWND owner, const TShellCall& call);

// The shell's steps for CarryOut, with `owner` as the window of every dialog and message.
class TShellSteps : public IShellSteps {
 public:
  explicit TShellSteps(HWND owner) : Owner_(owner) {}
  TShellAnswer Execute(const TShellCall& call) override;
  TShellAnswer OpenWithDialog(const std::string& path) override;
  TShellAnswer ShowSelected(const std::string& path) override;
  void SayCantReach(const std::string& path) override;
  void SayRefused(const TShellCall& call, std::uint32_t error) override;

 private:
  HWND Owner_;
};

// Tells the user that the shell can't act on the file or folder at this path.
void SayShellCantReach(HWND owner, const std::string& path);

// The shell's identifier list of the entry at a full path of any length,
// naming exactly that entry: the longest leading folder the shell parses
// whole, then each further part found in its folder by its exact name (parsed,
// or among the folder's items where parsing would change the name, as for
// "doc.txt " or "aux.txt"). Empty when some part can't be had, or a folder on
// the way has a name the system's path rules change (its items would be
// another folder's).
UniqueCoTaskMem ShellItemIdList(const std::string& path, HWND owner);

// The shell's properties sheet of the file; true when the shell accepted the request.
bool ShowFileProperties(HWND owner, const std::string& path);

// The hint of the menu entry under the mouse: its verb, "|" and its help text;
// empty when the menu has closed.
const std::string& ApplicationHint();

}  // namespace sorvik
