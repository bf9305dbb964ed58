#include "LongPath.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "Ascii.h"

namespace sorvik {

namespace {

constexpr std::string_view kExtended = "\\\\?\\";
constexpr std::string_view kExtendedUnc = "\\\\?\\UNC\\";

// Whether `s` has `prefix` at `at`, letters compared without case: the
// system takes "\\?\unc\" as it takes "\\?\UNC\".
bool HasAt(std::string_view s, std::size_t at, std::string_view prefix) {
  if (s.size() < at + prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (AsciiUpper(s[at + i]) != AsciiUpper(prefix[i])) return false;
  return true;
}

bool IsDelimiter(char c) { return c == '\\' || c == '/'; }

bool IsDrive(std::string_view s, std::size_t at = 0) {
  if (s.size() < at + 2 || s[at + 1] != ':') return false;
  const char c = static_cast<char>(s[at] | 0x20);
  return c >= 'a' && c <= 'z';
}

bool IsUnc(std::string_view s) { return s.size() >= 2 && s[0] == '\\' && s[1] == '\\'; }

// The literal form: exactly "\\?\", which the system takes as it is.
bool IsLiteral(std::string_view s) { return s.starts_with(kExtended); }

// A device path: two delimiters, '.' or '?', a delimiter ("\\.\", "//./",
// "//?/"); the system makes it normal as it does other full paths (the
// literal form aside).
bool IsDevicePath(std::string_view s) {
  return s.size() >= 4 && IsDelimiter(s[0]) && IsDelimiter(s[1]) && (s[2] == '.' || s[2] == '?') &&
         IsDelimiter(s[3]) && !IsLiteral(s);
}

// The end of "server\share\" starting at `at`, with its delimiter; 0 when no
// share is named.
std::size_t ShareRootEnd(std::string_view s, std::size_t at) {
  const std::size_t server = s.find('\\', at);
  if (server == std::string_view::npos || server == at) return 0;
  const std::size_t share = s.find('\\', server + 1);
  if (share == server + 1) return 0;
  return share == std::string_view::npos ? s.size() : share + 1;
}

// The length of the root of a full path with '\' delimiters ("C:\" or "C:",
// "\\server\share\", and after "\\.\" or "\\?\": a drive, "UNC\server\share\"
// or a device's name), or 0 when it has none.
std::size_t RootLength(std::string_view s) {
  if (IsDrive(s)) return s.size() >= 3 && s[2] == '\\' ? 3 : 2;
  if (!IsUnc(s)) return 0;
  if (s.size() >= 4 && (s[2] == '.' || s[2] == '?') && s[3] == '\\') {
    if (IsDrive(s, 4)) return s.size() >= 7 && s[6] == '\\' ? 7 : 6;
    if (HasAt(s, 4, "UNC\\")) return ShareRootEnd(s, 8);
    const std::size_t name = s.find('\\', 4);
    if (name == 4 || s.size() == 4) return 0;
    return name == std::string_view::npos ? s.size() : name + 1;
  }
  return ShareRootEnd(s, 2);
}

std::string WithBackslashes(std::string s) {
  for (char& c : s)
    if (c == '/') c = '\\';
  return s;
}

// Calls `part` for each part of `rest` between '\' delimiters (also empty
// ones), with whether a delimiter follows it; stops when it returns false.
template <typename Part>
void ForEachPart(std::string_view rest, Part part) {
  std::size_t i = 0;
  for (;;) {
    const std::size_t end = rest.find('\\', i);
    const bool last = end == std::string_view::npos;
    if (!part(rest.substr(i, (last ? rest.size() : end) - i), !last) || last) return;
    i = end + 1;
  }
}

// The parts after the root as the system makes a typed path full: "." and
// empty parts dropped, ".." taking back the part before it; a part followed
// by a delimiter loses one trailing dot (a part of dots only is a name), and
// the last part, unless a delimiter ends the path, every trailing dot and blank.
std::vector<std::string> NormalParts(std::string_view rest) {
  std::vector<std::string> parts;
  ForEachPart(rest, [&](std::string_view part, bool followed) {
    if (part.empty() || part == ".") return true;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      return true;
    }
    if (followed && part.back() == '.' && part.find_first_not_of('.') != std::string_view::npos)
      part.remove_suffix(1);
    parts.emplace_back(part);
    return true;
  });
  if (!rest.empty() && rest.back() != '\\' && !parts.empty()) {
    std::string& last = parts.back();
    while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
    if (last.empty()) parts.pop_back();
  }
  return parts;
}

// The parts after the root with only '\\', "." and ".." resolved: names are
// kept exactly as they are.
std::vector<std::string> ResolvedParts(std::string_view rest) {
  std::vector<std::string> parts;
  ForEachPart(rest, [&](std::string_view part, bool) {
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.emplace_back(part);
    }
    return true;
  });
  return parts;
}

std::string Joined(std::string root, const std::vector<std::string>& parts) {
  if (!root.empty() && root.back() != '\\') root += '\\';
  for (std::size_t k = 0; k < parts.size(); ++k) {
    if (k) root += '\\';
    root += parts[k];
  }
  return root;
}

// Whether every part after the root is a name: no empty, "." or ".." part.
bool OnlyNames(std::string_view rest) {
  bool names = true;
  ForEachPart(rest, [&](std::string_view part, bool followed) {
    names = part != "." && part != ".." && (!part.empty() || !followed);
    return names;
  });
  return names;
}

// A folder typed in the literal form: as it is, without trailing delimiters,
// and without its prefix where the plain path names the same entries.
std::string LiteralFolder(const std::string& typed) {
  std::string t = typed;
  const std::size_t root = RootLength(t);
  while (t.size() > std::max<std::size_t>(root, 4) && t.back() == '\\') t.pop_back();
  if (root == 0) return t;
  const bool plain = t.find('/') == std::string::npos && OnlyNames(std::string_view(t).substr(root));
  if (t.size() == root && t.back() != '\\') t += '\\';  // "\\?\C:" is its root
  return plain ? PlainPath(t) : t;
}

// A device path's drive or share as a plain path ("\\.\C:\x" is "C:\x" to the
// file functions); any other path as it is.
std::string DriveOrShareOf(std::string path) {
  if (!IsDevicePath(path)) return path;
  if (IsDrive(path, 4)) return path.substr(4);
  if (HasAt(path, 4, "UNC\\")) return "\\\\" + path.substr(8);
  return path;
}

}  // namespace

bool IsDeviceName(std::string_view name) {
  // Every device name starts with one of these letters: most names end here.
  const char first = name.empty() ? '\0' : static_cast<char>(name[0] | 0x20);
  if (first != 'c' && first != 'p' && first != 'a' && first != 'n' && first != 'l') return false;
  std::size_t end = name.find('.');
  if (end == std::string_view::npos) end = name.size();
  while (end > 0 && name[end - 1] == ' ') --end;
  const std::string_view base = name.substr(0, end);
  if (base.size() == 3)
    return HasAt(base, 0, "CON") || HasAt(base, 0, "PRN") || HasAt(base, 0, "AUX") || HasAt(base, 0, "NUL");
  if (base.size() < 4 || base.size() > 5 || !(HasAt(base, 0, "COM") || HasAt(base, 0, "LPT"))) return false;
  const std::string_view number = base.substr(3);
  if (number.size() == 1) return number[0] >= '1' && number[0] <= '9';
  return number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3";  // superscript 1, 2, 3
}

bool RulesChangeName(std::string_view name) {
  return !name.empty() && (name.back() == '.' || name.back() == ' ' || IsDeviceName(name));
}

bool SomePartChangesName(std::string_view path) {
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !IsDelimiter(path[i])) continue;
    if (RulesChangeName(path.substr(start, i - start))) return true;
    start = i + 1;
  }
  return false;
}

bool NeedsSystemForm(const std::string& path) {
  if (IsLiteral(path)) return false;
  return IsLongPath(path) || IsDevicePath(path) || SomePartChangesName(path);
}

std::string PlainPath(const std::string& path) {
  if (HasAt(path, 0, kExtendedUnc)) return std::string("\\\\").append(path, 8);
  if (IsLiteral(path) && IsDrive(path, 4)) return path.substr(4);
  return path;
}

std::string NormalWindowsFolder(const std::string& typed, const std::string& current) {
  if (typed.find_first_not_of(" \t") == std::string::npos) return typed;
  if (IsLiteral(typed)) return LiteralFolder(typed);
  std::string t = WithBackslashes(typed);
  std::size_t root = RootLength(t);
  if (root == 0) {
    if (IsUnc(t)) return t;  // "\\server" alone names no share
    const std::size_t currentRoot = RootLength(current);
    if (currentRoot == 0) return t;  // nothing to make it full with
    // "\x" starts at the current drive's root; "x" at the current folder.
    t = t[0] == '\\' ? current.substr(0, currentRoot) + t : current + '\\' + t;
    root = currentRoot;
  } else if (IsDrive(t) && root == 2 && t.size() > 2) {
    // "C:x": from the current folder when that is on the same drive.
    const bool here = IsDrive(current) && (current[0] | 0x20) == (t[0] | 0x20);
    t = (here ? current : t.substr(0, 2)) + '\\' + t.substr(2);
    root = 3;
  }
  const std::string full = Joined(t.substr(0, root), NormalParts(std::string_view(t).substr(root)));
  // "//?/C:/x" is a device path, normal now: as users know it.
  return IsLiteral(full) ? PlainPath(full) : full;
}

std::string LongForm(const std::string& path) {
  if (IsLiteral(path)) return path;
  std::string full = DriveOrShareOf(WithBackslashes(path));
  const std::size_t root = RootLength(full);
  if (root == 0 || (IsDrive(full) && root == 2)) return path;  // not a full path
  // That form takes every character literally: '\\', "." and ".." go first.
  const std::string_view rest = std::string_view(full).substr(root);
  if (!OnlyNames(rest)) {
    const bool folder = full.back() == '\\';
    full = Joined(full.substr(0, root), ResolvedParts(rest));
    if (folder && full.back() != '\\') full += '\\';
  }
  if (IsDevicePath(full)) return std::string(kExtended).append(full, 4);  // another device: "\\.\pipe\x"
  return IsUnc(full) ? std::string(kExtendedUnc).append(full, 2) : std::string(kExtended).append(full);
}

std::string SystemPath(const std::string& path) {
  if (!NeedsSystemForm(path)) return path;
  const std::string plain = DriveOrShareOf(WithBackslashes(path));
  if (plain != path && !NeedsSystemForm(plain)) return plain;
  return LongForm(path);
}

}  // namespace sorvik
