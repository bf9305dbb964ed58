// Windows paths of any length and any name: the start folder as the user typed
// it made full and normal once, by the system's own rules, and the "\\?\" form
// the file functions need for paths past their old limit and for names their
// path rules would change. Pure text, so it is tested on every platform.
#pragma once

#include <string>
#include <string_view>

namespace sorvik {

// Paths from this many UTF-8 bytes on are given to the system in their "\\?\"
// form. The old limit is 260 UTF-16 units with the terminating NUL, and 248 for a
// folder (room for an 8.3 name); UTF-8 never takes fewer bytes than UTF-16 units.
inline constexpr std::size_t kLongPathFrom = 248;

// Whether a path is too long for the file functions' plain form (and for the
// shell as text).
inline bool IsLongPath(const std::string& path) { return path.size() >= kLongPathFrom; }

// A folder as typed, full and normal as Windows makes a typed path full: '/'
// read as '\', repeated delimiters and "." parts dropped, ".." taking back the
// part before it (never above the root), a part followed by a delimiter losing
// one trailing dot, and the last part (unless a delimiter ends the text) every
// trailing dot and blank; a drive alone ("C:") is its root. A path without a
// drive or share is taken from `current` (the current folder: its drive for
// "\x", itself for "x"). A "\\?\" path is taken literally and shown without its
// prefix where the plain path names the same entries (a drive or share path
// without "." or ".." parts); a "\\.\" path is normalised and keeps its prefix.
// Roots keep their delimiter ("C:\", "\\server\share\", "\\.\C:\"); other
// folders end without one. Blank text stays as it is.
std::string NormalWindowsFolder(const std::string& typed, const std::string& current);

// Whether the file functions must get a path in another form than it has: a
// long one; one with a part that ends in a dot or blank or names a device
// (IsDeviceName), which their path rules would change; a "\\.\" path.
bool NeedsSystemForm(const std::string& path);

// Whether a name is one Windows keeps for a device: CON, PRN, AUX, NUL,
// COM1-COM9, LPT1-LPT9 (also with the superscript digits 1, 2 and 3), in any
// case, also followed by blanks or an extension ("aux.txt", "con .log").
bool IsDeviceName(std::string_view name);

// Whether the file functions' path rules change a name given as plain text:
// it ends in a dot or a blank, or names a device (IsDeviceName).
bool RulesChangeName(std::string_view name);
// Whether that holds for some part of a path ('\' or '/' between parts).
bool SomePartChangesName(std::string_view path);

// A full path as the file functions take it, reaching exactly the entry its
// parts name: the "\\?\C:\..." or "\\?\UNC\server\share\..." form where
// NeedsSystemForm says so (with '/', "." and ".." parts resolved first, which
// that form takes literally, but no name changed); a "\\.\" path as the plain
// path of its drive or share where that needs no more; other paths, and paths
// that aren't full, as they are.
std::string SystemPath(const std::string& path);

// The "\\?\" form of a full path (see SystemPath), whatever it holds; a path
// that isn't full, or is in that form already, as it is.
std::string LongForm(const std::string& path);

// A path as users know it: a drive's or share's path without a "\\?\" or
// "\\?\UNC\" prefix. Other paths (a volume named by its GUID) as they are.
std::string PlainPath(const std::string& path);

}  // namespace sorvik
