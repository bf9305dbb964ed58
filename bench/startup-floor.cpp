// The floor of the window's start-up: what any program with a window like
// sorvik.exe's pays before its first paint on this system. It loads the same
// libraries with the same manifest (the common controls 6 and their themes),
// enters COM, registers the common controls, makes a main window with a menu
// and ten buttons, shows it and waits for input. sorvik-window-bench +startup
// launches it beside sorvik.exe, so that start-up times taken on machines of
// different speeds (or one machine at different times) compare as ratios.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlwapi.h>

namespace {

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wp, lp);
}

// One call into each library sorvik.exe links, cheap ones, so that each is loaded as it is there.
void TouchLibraries() {
  int count = 0;
  if (HLOCAL args = reinterpret_cast<HLOCAL>(CommandLineToArgvW(GetCommandLineW(), &count))) LocalFree(args);
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  DWORD ignored = 0;
  GetFileVersionInfoSizeW(self, &ignored);
  PathFileExistsW(self);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  TouchLibraries();
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = FloorProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"SorvikStartupFloor";
  RegisterClassExW(&wc);
  const HMENU menu = CreateMenu();
  AppendMenuW(menu, MF_STRING, 1, L"&File");
  const HWND window = CreateWindowExW(0, wc.lpszClassName, L"Start-up floor", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                      CW_USEDEFAULT, CW_USEDEFAULT, 596, 520, nullptr, menu, instance, nullptr);
  if (!window) return 1;
  const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (int i = 0; i < 10; ++i) {
    const HWND button = CreateWindowExW(0, WC_BUTTONW, L"Button", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 8 + 58 * i, 8,
                                        54, 24, window, nullptr, instance, nullptr);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  OleUninitialize();
  return static_cast<int>(msg.wParam);
}
