// The real sorvik.exe, started with a prefilled search that runs at once; the
// test reads the rows and panels from the running window.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "TestFolder.h"
#include "Win32Handles.h"
#include "WinText.h"
#include "ActionRules.h"

namespace sorvik {
namespace {

struct TFound {
  DWORD Pid;
  HWND Window;
};

BOOL CALLBACK FindMain(HWND hwnd, LPARAM lp) {
  auto* found = reinterpret_cast<TFound*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  if (pid == found->Pid && wcscmp(cls, L"TfrmMain") == 0) {
    found->Window = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND ChildOfClass(HWND parent, const wchar_t* cls) { return FindWindowExW(parent, nullptr, cls, nullptr); }

// Memory in the other process for the control messages that carry pointers.
class TRemote {
 public:
  explicit TRemote(HANDLE process, std::size_t size) : Process_(process), Size_(size) {
    Base_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~TRemote() {
    if (Base_) VirtualFreeEx(Process_, Base_, 0, MEM_RELEASE);
  }
  TRemote(const TRemote&) = delete;
  TRemote& operator=(const TRemote&) = delete;
  char* Base() const { return static_cast<char*>(Base_); }
  void Write(std::size_t offset, const void* data, std::size_t n) {
    WriteProcessMemory(Process_, Base() + offset, data, n, nullptr);
  }
  void Read(std::size_t offset, void* data, std::size_t n) {
    ReadProcessMemory(Process_, Base() + offset, data, n, nullptr);
  }

 private:
  HANDLE Process_;
  std::size_t Size_;
  void* Base_ = nullptr;
};

std::string ItemText(HANDLE process, HWND list, int row, int column) {
  TRemote mem(process, 4096);
  LVITEMW item{};
  item.iSubItem = column;
  item.cchTextMax = 1000;
  item.pszText = reinterpret_cast<wchar_t*>(mem.Base() + 1024);
  mem.Write(0, &item, sizeof item);
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(mem.Base()));
  wchar_t text[1000] = {};
  mem.Read(1024, text, sizeof text - sizeof(wchar_t));
  return Narrow(text);
}

std::string PanelText(HANDLE process, HWND status, int panel) {
  TRemote mem(process, 4096);
  SendMessageW(status, SB_GETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(mem.Base()));
  wchar_t text[1000] = {};
  mem.Read(0, text, sizeof text - sizeof(wchar_t));
  std::wstring s = text;
  while (!s.empty() && s.front() == L'\t') s.erase(s.begin());
  return Narrow(s);
}

TEST(EndToEnd, RunFromTheCommandLineAndReadTheWindow) {
  test::TTestFolder dir;
  // The word is Greek: the wide command line carries it whole, and it is found
  // in UTF-8 and, upper-cased, in UTF-16; the code page's question marks are not it.
  dir.File("alpha.txt", "the \xCE\xAC\xCE\xB4\xCE\xB5\xCE\xB9\xCE\xB1 is here");  // άδεια
  dir.File("beta.txt", "no ????? here");
  dir.File("notes/gamma.txt", std::string("\xFF\xFE\x86\x03\x94\x03\x95\x03\x99\x03\x91\x03", 12));  // ΆΔΕΙΑ
  dir.File("skip.log", "\xCE\xAC\xCE\xB4\xCE\xB5\xCE\xB9\xCE\xB1");
  std::wstring cmd = L"\"" + std::wstring(SORVIK_EXE_W) + L"\" \"--dir=" + Widen(dir.Root()) +
                     L"\" --msk=*.txt --qry=\u03AC\u03B4\u03B5\u03B9\u03B1 --run";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);

  TFound found{pi.dwProcessId, nullptr};
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  HWND list = nullptr, toolbar = nullptr, status = nullptr;
  bool finished = false;
  while (std::chrono::steady_clock::now() < end) {
    if (!found.Window) EnumWindows(FindMain, reinterpret_cast<LPARAM>(&found));
    if (found.Window) {
      list = ChildOfClass(found.Window, WC_LISTVIEWW);
      toolbar = ChildOfClass(found.Window, TOOLBARCLASSNAMEW);
      status = ChildOfClass(found.Window, STATUSCLASSNAMEW);
      const bool startEnabled =
          toolbar && SendMessageW(toolbar, TB_ISBUTTONENABLED, static_cast<WPARAM>(TActionId::SearchStart), 0);
      const bool stopEnabled =
          toolbar && SendMessageW(toolbar, TB_ISBUTTONENABLED, static_cast<WPARAM>(TActionId::SearchStop), 0);
      if (list && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 2 && startEnabled && !stopEnabled &&
          PanelText(process.get(), status, 0) == "3") {
        finished = true;
        break;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_TRUE(found.Window) << "no main window appeared";
  EXPECT_TRUE(finished) << "the search did not finish";
  if (finished) {
    EXPECT_EQ(ItemText(process.get(), list, 0, 0), "alpha.txt");
    EXPECT_EQ(ItemText(process.get(), list, 0, 1), dir.Root() + "\\");
    EXPECT_EQ(ItemText(process.get(), list, 0, 2), "22");
    EXPECT_EQ(ItemText(process.get(), list, 1, 0), "gamma.txt");
    EXPECT_EQ(ItemText(process.get(), list, 1, 1), dir.Path("notes") + "\\");
    EXPECT_EQ(PanelText(process.get(), status, 1), "2");
    EXPECT_EQ(PanelText(process.get(), status, 2), "   0.000 MB");
    EXPECT_EQ(PanelText(process.get(), status, 3), "(F) " + dir.Path("notes\\gamma.txt"));
  }
  // Closing the window ends the program.
  PostMessageW(found.Window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process.get(), 20000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(process.get(), &code);
  EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace sorvik
