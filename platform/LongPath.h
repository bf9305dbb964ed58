// Windows paths of any length: the start folder as the user typed it made full
// and normal once, and the "\\?\" form the file functions need for paths past
// their old limit. Pure text, so it is tested on every platform.
#pragma once

#include <string>

namespace sorvik {

// Paths from this many UTF-8 bytes on are given to the system in their "\\?\"
// form. The old limit is 260 UTF-16 units with the terminating NUL, and 248 for a
// folder (room for an 8.3 name); UTF-8 never takes fewer bytes than UTF-16 units.
inline constexpr std::size_t kLongPathFrom = 248;

// Whether the file functions need a path's long form (and the shell can't take it as text).
inline bool IsLongPath(const std::string& path) { return path.size() >= kLongPathFrom; }

// A folder as typed, full and normal: '/' read as '\', repeated delimiters
// and "." parts dropped, ".." taking back the part before it (never above the
// root), a "\\?\" or "\\?\UNC\" prefix taken off, a drive alone ("C:") its root.
// A path without a drive or share is taken from `current` (the current folder:
// its drive for "\x", itself for "x"). Roots keep their delimiter ("C:\",
// "\\server\share\"); other folders end without one. Blank text stays as it is.
std::string NormalWindowsFolder(const std::string& typed, const std::string& current);

// A full path as the file functions take it at any length: from kLongPathFrom
// bytes on, "\\?\C:\..." or "\\?\UNC\server\share\..." (normalised first if it
// holds '/' or "." and ".." parts, which that form takes literally); shorter
// paths, and paths that aren't full, as they are.
std::string SystemPath(const std::string& path);

// A path as users know it: without a "\\?\" or "\\?\UNC\" prefix.
std::string PlainPath(const std::string& path);

}  // namespace sorvik
