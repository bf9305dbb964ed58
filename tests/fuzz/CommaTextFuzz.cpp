// Comma text: reading never fails on arbitrary text, and writing a list then
// reading it gives the same list back, through the profile reader's stripping
// of one outer pair of quotes and as the program reads a value from its line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzCheck.h"
#include <vector>

#include "CommaText.h"

namespace {

// What GetPrivateProfileString gives for a stored value: one pair of quotes
// around the whole value is taken off.
std::string AsProfileReadsIt(const std::string& stored) {
  if (stored.size() >= 2 && (stored.front() == '"' || stored.front() == '\'') && stored.back() == stored.front())
    return stored.substr(1, stored.size() - 2);
  return stored;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  // Any text reads as some list, and its first 6 widths read or don't.
  const std::vector<std::string> read = sorvik::ReadCommaText(text);
  (void)sorvik::ReadColumnWidths(text);

  // A list cut from the bytes at every 0x01; entries may hold anything else.
  std::vector<std::string> list;
  std::string entry;
  for (char c : text) {
    if (c == '\x01') {
      list.push_back(entry);
      entry.clear();
    } else if (c != '\0') {  // the profile file can't hold a NUL
      entry += c;
    }
  }
  if (!text.empty()) list.push_back(entry);
  // Entries the format can't carry: an empty last entry after others reads back
  // as a trailing comma, which is kept, so lists end in a non-empty entry.
  while (!list.empty() && list.back().empty()) list.pop_back();
  const std::string written = sorvik::WriteCommaText(list);
  FUZZ_CHECK(written.find('\n') == std::string::npos || list.size() > 0);
  const std::vector<std::string> back = sorvik::ReadCommaText(AsProfileReadsIt(written));
  FUZZ_CHECK(back == list);
  // And as this program reads the value from the file's own line.
  FUZZ_CHECK(sorvik::ReadCommaText(sorvik::CommaTextFromProfile(written)) == list);
  (void)read;
  return 0;
}
