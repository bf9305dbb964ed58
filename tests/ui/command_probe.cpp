// A program that reports how Sorvik reads its command line: the command object
// its arguments make, and the folder a search started from it begins in.
// Written to its standard output in UTF-8, one "name=value" line each.
#include <windows.h>

#include <string>

#include "CommandLine.h"
#include "LongPath.h"
#include "WinText.h"

int main() {
  using namespace sorvik;
  TCommandObject command;
  ApplyCommandLine(command, ProcessArguments());
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  const std::string report = "HasValues=" + std::to_string(command.HasValues) + "\n" +
                             "RunAtOnce=" + std::to_string(command.RunAtOnce) + "\n" + "Folder=" + command.Folder +
                             "\n" + "Start=" + NormalWindowsFolder(command.Folder, PlainPath(Narrow(current))) + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
  return 0;
}
