// The program's entry point.
#include <windows.h>

#include "uCommandLine.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The command object already holds its defaults; the arguments, if any, fill it.
  sorvik::ApplyCommandLine(sorvik::CommandObject, sorvik::ProcessArguments());
  return 0;
}
