// The main window's search state and the rule that enables each action.
// Portable, so that the rules are tested without a window.
#pragma once

#include <cstdint>
#include <string>

#include "CommandLine.h"
#include "uFindThread.h"

namespace sorvik {

enum class TSearchState : std::uint8_t { Idle = 0, Running = 1, Paused = 2 };

enum class TActionId : int {
  SearchStart = 101,
  SearchPause,
  SearchStop,
  FileClearScreen,
  HelpAbout,
  SearchOpenFileSelected,
  SearchOpenFileWith,
  SearchOpenSelectedFolder,
  SearchFileproperties,
};

bool IsActionEnabled(TActionId action, TSearchState state, int selectedRows);

// What Pause does in a state: the new state, and whether the worker is halted
// (Suspend) or continued (Resume). `workerHalted` is the worker's Suspended.
struct TPauseStep {
  TSearchState NewState;
  bool Halt;
  bool Continue;
};
TPauseStep PauseStep(TSearchState state, bool workerHalted);

// The search panel as the command line prefills it.
struct TSearchPanel {
  std::string Mask, Folder, Words;
  bool Recursive = false, WholeWords = false, CaseSensitive = false;
  std::uint8_t MatchMode = 0;  // 0 "Match any", 1 "Match all", 2 "Match Exactly"
  bool InsideDocuments = true;  // "Search inside documents and archives"
  std::string SkipFolders{};    // "Skip folders": names or masks, ';' between them
};

// Copies the command object's values into the panel when it has values: ticks the
// boxes whose flags are present (an absent flag leaves its box), selects the match
// mode 0..2 (another value changes nothing), and sets the folders to skip when it
// names any (else they stay). Returns whether to start at once.
bool PrefillFromCommand(const TCommandObject& command, TSearchPanel& panel);

// The search the panel asks for: its texts, options and match mode, in the
// request (the rest of the request stays). Words of blanks alone, but for the
// exact text, are no words.
void ApplyPanel(const TSearchPanel& panel, TSearchRequest& request);

// What a result action asks of the shell.
enum class TShellAct : std::uint8_t {
  Open,        // the file with its program; without one, the system's choice of a program
  OpenWith,    // the system's choice of a program for the file
  OpenFolder,  // the folder in the file manager, the row's file selected where the shell can
};

// A shell request for a result row: what it asks, and ShellExecute's operation,
// file, parameters, working folder and show command (SW_SHOWNORMAL) for it;
// for Open folder, the full path of the file to select in the folder's window.
struct TShellCall {
  TShellAct Act = TShellAct::Open;
  std::string Operation, File, Parameters, Directory;
  int ShowCommand = 1;
  std::string Select{};
  bool operator==(const TShellCall&) const = default;
};

// Open selected: the file itself, in its own folder.
TShellCall OpenSelectedCall(const std::string& folder, const std::string& fileName);
// Open selected with: the system's choice of a program for the full path, the
// verb "openas" (rundll32's OpenAs_RunDLL can't say whether it showed anything).
TShellCall OpenWithCall(const std::string& fullPath);
// Open folder: the row's folder in the file manager, with the row's file selected.
TShellCall OpenFolderCall(const std::string& folder, const std::string& fileName);

// How the shell is given a row's file or folder (a path ending in a delimiter).
// Text: as it is. Item: as its identifier list, where the text is too long for
// the shell or in a form it doesn't take ("\\?\", "\\.\"). None: some part
// has a name the system's path rules would change (a trailing dot or blank, a
// device's name): the shell and the programs it starts act on an item through
// its path as text, which names another entry ("doc.txt " opens, shows and
// deletes "doc.txt"; "sub." lists "sub") or a device.
enum class TShellRoute : std::uint8_t { Text, Item, None };
TShellRoute ShellRoute(const std::string& path);

enum class TMouseButton : std::uint8_t { Left, Right, Middle };

// Whether a press on the results list shows the context menu: the right button,
// with exactly one row selected.
bool ShowsContextMenu(TMouseButton button, int selectedRows);

}  // namespace sorvik
