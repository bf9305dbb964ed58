#include "CommandLine.h"

#include <iterator>

#ifdef _WIN32
#include <windows.h>

#include "WinText.h"
#endif

namespace sorvik {

TCommandObject CommandObject;

std::string ExtractOptionValue(const std::string& text) {
  enum { Start, Dash, Equals, Value } state = Start;
  std::string result;
  for (char c : text) {
    if (state == Value) {
      result += c;
    } else if (c == '-') {
      state = Dash;
    } else if (c == '=') {
      state = Equals;
    } else if (c == ' ') {
      // blanks between the name and the value are skipped
    } else if (state == Equals) {
      result += c;
      state = Value;
    }
  }
  return result;
}

bool ParseCommandLine(TCommandObject* object, const std::vector<std::string>& arguments) {
  if (!object) return false;
  static const char* const kNames[] = {"--msk", "--dir", "--cmd", "--qry", "--mtc", "--skip"};
  bool gotValue = false;
  for (const std::string& argument : arguments) {
    std::string working = argument;
    for (int i = 0; i < static_cast<int>(std::size(kNames)); ++i) {
      const std::size_t at = working.find(kNames[i]);
      if (at == std::string::npos) continue;
      working.erase(0, at);
      const std::string value = ExtractOptionValue(working);
      if (value.empty()) continue;
      switch (i) {
        case 0:
          object->Mask = value;
          gotValue = true;
          break;
        case 1:
          object->Folder = value;
          gotValue = true;
          break;
        case 2:
          object->Options = 0;
          if (value.find('S') != std::string::npos) object->Options |= coSubfolders;
          if (value.find('W') != std::string::npos) object->Options |= coWholeWords;
          if (value.find('C') != std::string::npos) object->Options |= coCaseSensitive;
          break;
        case 3:
          object->Words = value;
          gotValue = true;
          break;
        case 4:
          if (value == "ANY") object->MatchMode = 0;
          else if (value == "ALL") object->MatchMode = 1;
          else if (value == "EXACT") object->MatchMode = 2;
          break;
        case 5:
          // Like "--cmd", it only shapes a search the other options ask for.
          object->SkipFolders = value;
          break;
      }
    }
    if (working.find("--run") != std::string::npos) object->RunAtOnce = true;
  }
  return gotValue;
}

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> words;
  const std::size_t n = commandLine.size();
  auto at = [&](std::size_t i) { return i < n ? static_cast<unsigned char>(commandLine[i]) : 0u; };
  std::size_t i = 0;
  for (;;) {
    // Skip blanks and control characters, and pairs of double quotes that begin a word.
    for (;;) {
      while (i < n && at(i) <= ' ' && at(i) != 0) ++i;
      if (at(i) == '"' && at(i + 1) == '"')
        i += 2;
      else
        break;
    }
    std::string word;
    while (at(i) > ' ') {
      if (at(i) == '"') {
        ++i;
        while (i < n && at(i) != '"') word += commandLine[i++];
        if (i < n) ++i;
      } else {
        word += commandLine[i++];
      }
    }
    // An empty word ends the list, as the runtime's argument count does.
    if (word.empty()) break;
    words.push_back(std::move(word));
  }
  if (!words.empty()) words.erase(words.begin());
  return words;
}

void ApplyCommandLine(TCommandObject& object, const std::vector<std::string>& arguments) {
  if (arguments.empty()) return;
  object.HasValues = false;
  if (ParseCommandLine(&object, arguments)) object.HasValues = true;
}

#ifdef _WIN32
std::vector<std::string> ProcessArguments() { return SplitCommandLine(Narrow(GetCommandLineW())); }
#endif

}  // namespace sorvik
