// The command line: the runtime-style splitter over an arbitrary command line,
// then the parser over the words it gives and over arbitrary argument lists.
// No argument holds a double quote, and every text the parser sets is a piece
// of one of the arguments (or the field's default).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzCheck.h"
#include <vector>

#include "CommandLine.h"

namespace {

using sorvik::TCommandObject;

bool FromArguments(const std::string& field, const std::string& fallback, const std::vector<std::string>& args) {
  if (field == fallback) return true;
  for (const std::string& a : args)
    if (a.find(field) != std::string::npos) return true;
  return false;
}

void ParseAndCheck(const std::vector<std::string>& args) {
  TCommandObject object;
  const TCommandObject defaults;
  const bool got = sorvik::ParseCommandLine(&object, args);
  FUZZ_CHECK(FromArguments(object.Mask, defaults.Mask, args));
  FUZZ_CHECK(FromArguments(object.Folder, defaults.Folder, args));
  FUZZ_CHECK(FromArguments(object.Words, defaults.Words, args));
  FUZZ_CHECK(FromArguments(object.SkipFolders, defaults.SkipFolders, args));
  FUZZ_CHECK(object.MatchMode <= 2);
  FUZZ_CHECK((object.Options & ~7u) == 0);
  // A value was given exactly when one of the three texts changed or was set again.
  if (!got) FUZZ_CHECK(object.Mask == defaults.Mask && object.Folder == defaults.Folder && object.Words.empty());
  FUZZ_CHECK(!sorvik::ParseCommandLine(nullptr, args));

  TCommandObject applied;
  sorvik::ApplyCommandLine(applied, args);
  FUZZ_CHECK(applied.Mask == object.Mask && applied.Folder == object.Folder && applied.Words == object.Words);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  const std::vector<std::string> words = sorvik::SplitCommandLine(text);
  std::size_t total = 0;
  for (const std::string& w : words) {
    FUZZ_CHECK(!w.empty());
    FUZZ_CHECK(w.find('"') == std::string::npos);
    total += w.size();
  }
  FUZZ_CHECK(total <= text.size());
  ParseAndCheck(words);

  // The same bytes as a list of arguments, one per line (quotes and all).
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i)
    if (i == text.size() || text[i] == '\n') {
      lines.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  ParseAndCheck(lines);
  return 0;
}
