#include "LongPath.h"

#include <vector>

#include "Ascii.h"

namespace sorvik {

namespace {

constexpr const char* kExtended = "\\\\?\\";
constexpr const char* kExtendedUnc = "\\\\?\\UNC\\";

// Whether `s` starts with `prefix`, letters compared without case: the
// system takes "\\?\unc\" as it takes "\\?\UNC\".
bool StartsWith(const std::string& s, const char* prefix) {
  std::size_t i = 0;
  for (; prefix[i]; ++i)
    if (i >= s.size() || AsciiUpper(s[i]) != AsciiUpper(prefix[i])) return false;
  return true;
}

bool IsDrive(const std::string& s) {
  if (s.size() < 2 || s[1] != ':') return false;
  const char c = static_cast<char>(s[0] | 0x20);
  return c >= 'a' && c <= 'z';
}

bool IsUnc(const std::string& s) { return s.size() >= 2 && s[0] == '\\' && s[1] == '\\'; }

// The root of a full path ("C:\" or "\\server\share\") and its length in the
// path, or 0 when it has none.
std::size_t RootLength(const std::string& s) {
  if (IsDrive(s)) return s.size() >= 3 && s[2] == '\\' ? 3 : 2;
  if (!IsUnc(s)) return 0;
  const std::size_t server = s.find('\\', 2);
  if (server == std::string::npos || server == 2) return 0;
  const std::size_t share = s.find('\\', server + 1);
  if (share == server + 1) return 0;
  return share == std::string::npos ? s.size() : share + 1;
}

// The parts after the root, with "." and empty parts dropped and ".." taking
// back the part before it; trailing dots and blanks leave each part, as the
// system's own path rules take them off.
std::vector<std::string> PathSegments(const std::string& rest) {
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i <= rest.size()) {
    std::size_t end = rest.find('\\', i);
    if (end == std::string::npos) end = rest.size();
    std::string part = rest.substr(i, end - i);
    i = end + 1;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    if (!part.empty()) parts.push_back(std::move(part));
  }
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

}  // namespace

std::string PlainPath(const std::string& path) {
  if (StartsWith(path, kExtendedUnc)) return std::string("\\\\").append(path, 8);
  if (StartsWith(path, kExtended)) return path.substr(4);
  return path;
}

std::string NormalWindowsFolder(const std::string& typed, const std::string& current) {
  if (typed.find_first_not_of(" \t") == std::string::npos) return typed;
  std::string t = typed;
  for (char& c : t)
    if (c == '/') c = '\\';
  t = PlainPath(t);
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
  return Joined(t.substr(0, root), PathSegments(t.substr(root)));
}

std::string SystemPath(const std::string& path) {
  if (!IsLongPath(path) || StartsWith(path, kExtended)) return path;
  const bool slashes = path.find('/') != std::string::npos;
  std::string full = path;
  if (slashes)
    for (char& c : full)
      if (c == '/') c = '\\';
  const std::size_t root = RootLength(full);
  if (root == 0 || (IsDrive(full) && root == 2)) return path;  // not a full path
  // That form takes every character literally: the path must be normal first.
  const bool normal = !slashes && full.find("\\.\\") == std::string::npos &&
                      full.find("\\..\\") == std::string::npos && full.find("\\\\", 2) == std::string::npos &&
                      !full.ends_with("\\.") && !full.ends_with("\\..");
  if (!normal) {
    const bool folder = full.back() == '\\';
    full = NormalWindowsFolder(full, std::string());
    if (folder && full.back() != '\\') full += '\\';
  }
  return IsUnc(full) ? std::string(kExtendedUnc).append(full, 2) : std::string(kExtended).append(full);
}

}  // namespace sorvik
