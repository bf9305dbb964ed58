// The command object that carries command-line values to the main window, and
// the parser that fills it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvik {

enum TCommandOption : std::uint8_t {
  coSubfolders = 1,     // "S": search subfolders
  coWholeWords = 2,     // "W": whole words only
  coCaseSensitive = 4,  // "C": case-sensitive word search
};

class TCommandObject {
 public:
  std::string Mask = "*.*";
  std::string Folder = "C:\\";
  std::string Words;
  // Folders to skip ("--skip"); empty when the command line gave none.
  std::string SkipFolders;
  std::uint8_t Options = coSubfolders;
  std::uint8_t MatchMode = 0;
  bool HasValues = false;
  bool RunAtOnce = false;

  bool Has(TCommandOption o) const { return (Options & o) != 0; }
};

// The one command object of the run: created with its defaults before the
// entry point's own steps, destroyed when the program ends.
extern TCommandObject CommandObject;

// The value of one option, from a text that begins with the option's name.
std::string ExtractOptionValue(const std::string& text);

// Reads every argument into the object; true when a "--msk", "--dir" or "--qry"
// option gave a non-empty value. Without an object it does nothing.
bool ParseCommandLine(TCommandObject* object, const std::vector<std::string>& arguments);

// Splits a whole command line the way the runtime does and drops the first word
// (the program's path). Double quotes group and never reach an argument.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// The entry point's step 3: with at least one argument, parse them all into the
// object and set HasValues from the result.
void ApplyCommandLine(TCommandObject& object, const std::vector<std::string>& arguments);

#ifdef _WIN32
// The process's own arguments, from GetCommandLineW, as UTF-8.
std::vector<std::string> ProcessArguments();
#endif

}  // namespace sorvik
