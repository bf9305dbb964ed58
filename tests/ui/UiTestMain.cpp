// GoogleTest main for the window tests: OLE and the common controls first.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

#include "uSettings.h"

int main(int argc, char** argv) {
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_ANIMATE_CLASS |
                                           ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  testing::InitGoogleTest(&argc, argv);
  // Windows closed by a test store their settings: in a file of this run, not beside the program.
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  const std::wstring settings = std::wstring(folder) + L"sorvik-ui-tests-" + std::to_wstring(GetCurrentProcessId()) + L".ini";
  sorvik::SetSettingsFile(settings);
  const int result = RUN_ALL_TESTS();
  DeleteFileW(settings.c_str());
  OleUninitialize();
  return result;
}
