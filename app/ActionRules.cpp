#include "ActionRules.h"

#include "LongPath.h"
#include "WordSet.h"

namespace sorvik {

bool IsActionEnabled(TActionId action, TSearchState state, int selectedRows) {
  switch (action) {
    case TActionId::SearchStart:
    case TActionId::FileClearScreen: return state == TSearchState::Idle;
    case TActionId::SearchPause: return state != TSearchState::Idle;
    case TActionId::SearchStop: return state == TSearchState::Running;
    case TActionId::HelpAbout: return true;
    case TActionId::SearchOpenFileSelected:
    case TActionId::SearchOpenFileWith:
    case TActionId::SearchOpenSelectedFolder: return selectedRows >= 1;
    case TActionId::SearchFileproperties: return selectedRows == 1;
  }
  return false;
}

TPauseStep PauseStep(TSearchState state, bool workerHalted) {
  if (state == TSearchState::Running) return {TSearchState::Paused, true, false};
  if (state == TSearchState::Paused && workerHalted) return {TSearchState::Running, false, true};
  return {state, false, false};
}

bool PrefillFromCommand(const TCommandObject& command, TSearchPanel& panel) {
  if (!command.HasValues) return false;
  panel.Mask = command.Mask;
  panel.Folder = command.Folder;
  if (command.Has(coSubfolders)) panel.Recursive = true;
  if (command.Has(coWholeWords)) panel.WholeWords = true;
  if (command.Has(coCaseSensitive)) panel.CaseSensitive = true;
  if (command.MatchMode <= 2) panel.MatchMode = command.MatchMode;
  panel.Words = command.Words;
  if (!command.SkipFolders.empty()) panel.SkipFolders = command.SkipFolders;
  return command.RunAtOnce;
}

void ApplyPanel(const TSearchPanel& panel, TSearchRequest& request) {
  request.Folder = panel.Folder;
  request.Mask = panel.Mask;
  request.SkipFolders = panel.SkipFolders;
  request.Recursive = panel.Recursive;
  request.WholeWords = panel.WholeWords;
  request.CaseSensitive = panel.CaseSensitive;
  request.InsideDocuments = panel.InsideDocuments;
  request.MatchMode = panel.MatchMode == 1   ? TMatchMode::All
                      : panel.MatchMode == 2 ? TMatchMode::Exact
                                             : TMatchMode::Any;
  // Blanks alone hold no word: as an empty field, names only (the exact text
  // keeps them, blanks being what it looks for).
  const bool noWords = request.MatchMode != TMatchMode::Exact && SplitWords(panel.Words).empty();
  request.Words = noWords ? std::string() : panel.Words;
}

TShellCall OpenSelectedCall(const std::string& folder, const std::string& fileName) {
  return {TShellAct::Open, "open", folder + fileName, "", folder};
}

TShellCall OpenWithCall(const std::string& fullPath) { return {TShellAct::OpenWith, "openas", fullPath, "", ""}; }

TShellCall OpenFolderCall(const std::string& folder, const std::string& fileName) {
  return {TShellAct::OpenFolder, "open", folder, "", folder, 1, folder + fileName};
}

TShellRoute ShellRoute(const std::string& path) {
  if (!NeedsSystemForm(PlainPath(path))) return TShellRoute::Text;
  return SomePartChangesName(PlainPath(LongForm(path))) ? TShellRoute::None : TShellRoute::Item;
}

bool ShowsContextMenu(TMouseButton button, int selectedRows) {
  return button == TMouseButton::Right && selectedRows == 1;
}

}  // namespace sorvik
