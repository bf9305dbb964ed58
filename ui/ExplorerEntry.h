// The "Search with Sorvik" entry on Explorer's menus of a folder and of a
// folder's background, for the current user only (HKCU\Software\Classes, no
// administrator's rights): a verb key "Sorvik" under Directory\shell and
// Directory\Background\shell, each with its text, the program's icon and the
// command (ExplorerEntryCommand). The keys above them that adding had to make
// are noted in the verb keys, so that removing takes away exactly what adding made.
#pragma once

#include <string>

namespace sorvik {

// Whether both entries are there and start the program at `program`.
bool HasExplorerEntry(const std::string& program);

// Adds both entries for the program at `program` (or makes them start it).
// Throws std::runtime_error, with the system's reason, when it can't; nothing
// of the entry is left then.
void AddExplorerEntry(const std::string& program);

// Removes both entries, whole, and the keys above them that adding made and
// that hold nothing else now; keys it didn't make stay. Throws
// std::runtime_error, with the system's reason, when it can't.
void RemoveExplorerEntry();

// The full path of this program; empty when the system can't give it.
std::string ProgramPath();

}  // namespace sorvik
