#include <algorithm>
#include <cstddef>

#include "Ascii.h"
#include "FileSystem.h"

namespace sorvik {

namespace {

// Length of the UTF-8 sequence that starts with byte c (1 for stray bytes).
std::size_t Utf8Length(unsigned char c) { return std::max<std::size_t>(1, Utf8SequenceLength(c)); }

bool RestMatchesEnd(const std::string& mask, std::size_t m) {
  for (; m < mask.size(); ++m)
    if (mask[m] != '*' && mask[m] != '.') return false;
  return true;
}

}  // namespace

bool MatchesMask(const std::string& name, const std::string& mask) {
  if (mask.empty()) return false;
  std::size_t n = 0, m = 0;
  std::size_t starM = std::string::npos, starN = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starM = ++m;
      starN = n;
      continue;
    }
    if (m < mask.size()) {
      const unsigned char pc = static_cast<unsigned char>(mask[m]);
      const unsigned char nc = static_cast<unsigned char>(name[n]);
      if (pc == '?') {
        const std::size_t len = Utf8Length(nc);
        n += len <= name.size() - n ? len : 1;
        ++m;
        continue;
      }
      if (AsciiUpper(pc) == AsciiUpper(nc)) {
        ++n;
        ++m;
        continue;
      }
    }
    if (starM == std::string::npos) return false;
    m = starM;
    n = ++starN;
  }
  return m == mask.size() || RestMatchesEnd(mask, m);
}

}  // namespace sorvik
