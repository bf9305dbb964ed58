// The command of the "Search with Sorvik" entry on Explorer's menus of a folder
// and of a folder's background: what Explorer starts, with the folder, to
// search there.
#pragma once

#include <string>

namespace sorvik {

// The entry's text on Explorer's menus.
inline constexpr const char* kExplorerEntryText = "Search with Sorvik";

// The command for the program at `program` (full path): the path in quotes,
// then one argument in quotes, "--dir=", Explorer's placeholder for the
// folder's path (%V) and a delimiter:
//
//     "C:\Tools\sorvik.exe" "--dir=%V\"
//
// Explorer puts the path in place of %V once, as it is, without reading what it
// puts (a "%" in a folder's name stays), and the program's command line takes
// quotes as grouping alone (no "\" escapes), so every character a folder's
// path may hold arrives, blanks too; Windows allows no quote in a name. The
// delimiter after it keeps a last name that ends in a blank, which the
// system's path rules drop from a path's last part but never from a part a
// delimiter follows; a root's own delimiter doubles, which those rules fold.
// The command is a plain string (REG_SZ): nothing in it is read as an
// environment variable.
std::string ExplorerEntryCommand(const std::string& program);

// Whether the program's path can stand in that command: Explorer would read a
// "%" in it as the start of a placeholder, and a quote would end the quotes.
bool FitsExplorerCommand(const std::string& program);

}  // namespace sorvik
