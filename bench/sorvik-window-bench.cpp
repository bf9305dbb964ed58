// Window benchmark: the main window under load. Hands synthetic rows to the
// window through the worker's row hand-over (a worker thread, Synchronize, the
// window's AddRow), then sorts by every column, and reports:
//   rows   the count, the seconds to add them, and the longest time the window
//          took to answer a message sent from another thread while rows came in;
//   sort   the seconds of each column's sort, both directions, repaint included;
//   memory the process's private bytes after adding.
// With "+search=FOLDER WORDS" it runs the window's own search of a real tree
// instead and prints its rows and seconds, Start to Idle.
// With "+startup" it launches sorvik.exe five times and reports, per run and
// as medians, the milliseconds from the launch to the first paint (the window
// shown and nothing of it waiting to be painted) and to idle (painted, the
// program waiting for input with none pending, and answering a message sent to
// its window); the arguments after it go to sorvik.exe. Where startup-floor.exe
// stands beside the bench, each launch of sorvik.exe follows one of that floor
// (a window with the same libraries and ten buttons), timed the same way, and
// the medians' ratio is printed: a figure that holds across machines' speeds.
//
//   sorvik-window-bench [ROWS...] [+batch=N]
//   sorvik-window-bench +search=FOLDER [WORDS]
//   sorvik-window-bench +startup[=SORVIK_EXE] [ARGUMENTS...]
//
// Each ROWS count (default 100000 1000000) runs in a fresh window. +batch sets
// the rows per hand-over (default 1000; 1 is one round trip per row).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "Locale.h"
#include "Win32Handles.h"
#include "WinText.h"
#include "formMain.h"

namespace {

using namespace sorvik;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Hands `count` rows to the list, `batch` rows per hand-over.
class TRowFeeder : public TThread {
 public:
  TRowFeeder(ISearchSink& list, int count, int batch) : List_(list), Count_(count), Batch_(batch) {}
  ~TRowFeeder() override { StopAndWait(); }

 protected:
  void Execute() override {
    std::mt19937 rng(7);
    std::vector<TFoundFile> rows;
    for (int i = 0; i < Count_ && !Terminated(); i += Batch_) {
      rows.clear();
      for (int k = i; k < std::min(Count_, i + Batch_); ++k) rows.push_back(MakeRow(k, rng));
      PollPause();
      Synchronize([&] {
        for (const TFoundFile& f : rows) List_.AddRow(f);
      });
    }
  }

 private:
  static TFoundFile MakeRow(int i, std::mt19937& rng) {
    TFoundFile file;
    file.Name = "file" + std::to_string(rng() % 1000000) + (i % 3 ? ".txt" : ".log");
    file.Folder = "C:\\bench\\folder" + std::to_string(i / 50) + "\\";  // 50 files a folder
    file.Size = static_cast<std::int64_t>(rng() % 5000000);
    auto stamp = [&rng] {
      return TStamp{2000 + static_cast<int>(rng() % 25), 1 + static_cast<int>(rng() % 12),
                    1 + static_cast<int>(rng() % 28), static_cast<int>(rng() % 24), static_cast<int>(rng() % 60),
                    2 * static_cast<int>(rng() % 30)};
    };
    file.Modified = stamp();
    // 2000-01-01 plus up to 25 years
    file.Accessed = FileTimeFromUnix(946684800 + static_cast<std::int64_t>(rng() % 788400000));
    file.Created = FileTimeFromUnix(946684800 + static_cast<std::int64_t>(rng() % 788400000));
    return file;
  }

  ISearchSink& List_;
  int Count_, Batch_;
};

double PrivateMegabytes() {
  PROCESS_MEMORY_COUNTERS_EX pmc{};
  pmc.cb = sizeof pmc;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc))
    return -1;
  // Private bytes; Wine leaves PrivateUsage at 0 but fills PagefileUsage, the same count.
  const SIZE_T bytes = pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
  return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

// Dispatches the messages waiting for this thread.
void DispatchWaiting() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void RunOnce(int count, int batch) {
  TCommandObject none;
  TfrmMain form(none, true);
  const HWND window = form.Handle();
  const double baseMB = PrivateMegabytes();

  // Another thread keeps asking the window for an answer and notes the longest wait.
  std::atomic<bool> done{false}, probeEnded{false};
  std::atomic<long long> longestMicros{0};
  std::thread probe([&] {
    while (!done) {
      const auto t0 = Clock::now();
      DWORD_PTR result = 0;
      SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
      const long long us = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0).count();
      if (us > longestMicros) longestMicros = us;
      Sleep(1);
    }
    probeEnded = true;
  });

  TRowFeeder feeder(form, count, batch);
  feeder.SetWaker([window] { PostMessageW(window, WM_NULL, 0, 0); });
  const auto start = Clock::now();
  feeder.Resume();
  auto pump = [&] {
    DispatchWaiting();
    feeder.CheckSynchronize();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  };
  while (!feeder.Finished()) pump();
  feeder.WaitFor();
  form.Results().Flush();
  UpdateWindow(form.lvwResults);
  const double addSeconds = Seconds(Clock::now() - start);
  done = true;
  while (!probeEnded) pump();  // the probe may be waiting for an answer
  probe.join();

  std::printf("rows\t%d\tbatch\t%d\tadd_s\t%.3f\tlongest_gap_ms\t%.1f\tprivate_mb\t%.1f\t(window alone %.1f)\n",
              form.RowCount(), batch, addSeconds, static_cast<double>(longestMicros) / 1000.0, PrivateMegabytes(),
              baseMB);
  // Each column clicked twice, as a user turns its order: both directions.
  for (int column = 0; column < kResultColumns; ++column) {
    for (int click = 0; click < 2; ++click) {
      const auto t0 = Clock::now();
      form.lvwResultsColumnClick(column);
      UpdateWindow(form.lvwResults);
      std::printf("sort\t%d\t%s\t%s\t%.3f\n", count, kResultColumnCaptions[static_cast<std::size_t>(column)],
                  form.SortAscending() ? "ascending" : "descending", Seconds(Clock::now() - t0));
    }
  }
  std::fflush(stdout);
}

// The window's own search of a real tree, Start to Idle with every row in the
// list, as a user runs it: recursive, mask "*.*", the given words.
void RunSearch(const std::string& folder, const std::string& words) {
  TCommandObject none;
  TfrmMain form(none, true);
  SetText(form.General().edDirectories, folder);
  SetText(form.General().cboFilemask, "*.*");
  SetText(form.General().cboKeyWords, words);
  SendMessageW(form.General().chkRecursive, BM_SETCHECK, BST_CHECKED, 0);
  const auto start = Clock::now();
  form.Execute(TActionId::SearchStart);
  while (form.SearchState() != TSearchState::Idle) {
    DispatchWaiting();
    form.UpdateActions();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  form.Results().Flush();
  UpdateWindow(form.lvwResults);
  std::printf("search\t%s\twords=%s\trows\t%d\tentries\t%s\tseconds\t%.3f\n", folder.c_str(), words.c_str(),
              form.RowCount(), form.PanelText(0).c_str(), Seconds(Clock::now() - start));
  std::fflush(stdout);
}

struct TFindWindow {
  DWORD Process;
  HWND Found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM param) {
  auto& find = *reinterpret_cast<TFindWindow*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != find.Process || !IsWindowVisible(window) || GetWindow(window, GW_OWNER)) return TRUE;
  find.Found = window;
  return FALSE;
}

// The program's main window: a visible top-level window of the process without an owner.
HWND MainWindowOf(DWORD process) {
  TFindWindow find{process, nullptr};
  EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&find));
  return find.Found;
}

BOOL CALLBACK FindUnpainted(HWND child, LPARAM param) {
  if (!IsWindowVisible(child) || !GetUpdateRect(child, nullptr, FALSE)) return TRUE;
  *reinterpret_cast<bool*>(param) = false;
  return FALSE;
}

// True when the window and every visible child are painted: none has an update region.
bool Painted(HWND window) {
  if (GetUpdateRect(window, nullptr, FALSE)) return false;
  bool painted = true;
  EnumChildWindows(window, FindUnpainted, reinterpret_cast<LPARAM>(&painted));
  return painted;
}

struct TStartup {
  double FirstPaintMs = -1, IdleMs = -1;
};

// One launch of the program, measured, then closed as a user closes it.
TStartup LaunchOnce(const std::wstring& commandLine) {
  TStartup result;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring line = commandLine;
  const auto start = Clock::now();
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "sorvik-window-bench: can't start the program (error %lu)\n", GetLastError());
    return result;
  }
  const UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
  const auto ms = [start] { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); };
  // The idle wait runs beside the polling for the paint.
  std::atomic<bool> idle{false};
  std::thread idleWait([&] { idle = WaitForInputIdle(pi.hProcess, 30000) == 0; });
  HWND window = nullptr;
  const auto deadline = start + std::chrono::seconds(30);
  while (Clock::now() < deadline && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
    if (!window) window = MainWindowOf(pi.dwProcessId);
    if (window && Painted(window)) {
      result.FirstPaintMs = ms();
      break;
    }
    // Each look asks the server about every child: not so often that it slows the program.
    Sleep(5);
  }
  idleWait.join();
  // Idle once painted and waiting for input; then it answers a message sent to it.
  if (result.FirstPaintMs >= 0 && idle) {
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &answer)) result.IdleMs = ms();
  }
  if (window) PostMessageW(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) {
    std::fprintf(stderr, "sorvik-window-bench: the program didn't close; ended it\n");
    TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, 5000);
  }
  return result;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() / 2];
}

// A command-line argument (in the ANSI code page) as UTF-16.
std::wstring Wide(const std::string& text) {
  return WidenCodePage(CP_ACP, text.data(), static_cast<int>(text.size()));
}

// An argument in quotes as the program's command-line parser reads it back:
// backslashes before a quote, or before the closing one, are doubled.
std::wstring QuotedArgument(const std::wstring& argument) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

// The bench's own folder, with its closing backslash.
std::wstring BenchFolder() {
  std::wstring self(MAX_PATH, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  return self.substr(0, self.find_last_of(L"\\/") + 1);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// sorvik.exe as the build lays it out: in ../ui beside the bench's folder, or beside the bench.
std::wstring DefaultProgram() {
  const std::wstring built = BenchFolder() + L"..\\ui\\sorvik.exe";
  return Exists(built) ? built : BenchFolder() + L"sorvik.exe";
}

// One launch measured, or why it failed (on stderr); false when it failed.
bool Measured(const std::wstring& line, int run, const char* what, TStartup& s) {
  // A launch right after the last one closed would share the machine with its
  // ending (the server and the display free its windows): a user's launch doesn't.
  Sleep(1000);
  s = LaunchOnce(line);
  if (s.FirstPaintMs >= 0 && s.IdleMs >= 0) return true;
  std::fprintf(stderr, "sorvik-window-bench: run %d: the %s window %s\n", run, what,
               s.FirstPaintMs < 0 ? "was never painted" : "never waited for input");
  return false;
}

int RunStartup(const std::wstring& program, const std::vector<std::string>& arguments) {
  if (!Exists(program)) {
    std::fprintf(stderr, "sorvik-window-bench: no program at %ls\n", program.c_str());
    return 2;
  }
  std::wstring line = QuotedArgument(program);
  for (const std::string& a : arguments) line += L" " + QuotedArgument(Wide(a));
  const std::wstring floor = BenchFolder() + L"startup-floor.exe";
  const bool withFloor = Exists(floor);
  constexpr int kRuns = 5;
  std::vector<double> paints, idles, floorPaints, floorIdles;
  for (int run = 1; run <= kRuns; ++run) {
    TStartup f, s;
    if (withFloor && !Measured(QuotedArgument(floor), run, "floor's", f)) return 1;
    if (!Measured(line, run, "program's", s)) return 1;
    std::printf("startup\trun\t%d\tfirst_paint_ms\t%.1f\tidle_ms\t%.1f", run, s.FirstPaintMs, s.IdleMs);
    if (withFloor) std::printf("\tfloor_first_paint_ms\t%.1f\tfloor_idle_ms\t%.1f", f.FirstPaintMs, f.IdleMs);
    std::printf("\n");
    paints.push_back(s.FirstPaintMs);
    idles.push_back(s.IdleMs);
    if (withFloor) {
      floorPaints.push_back(f.FirstPaintMs);
      floorIdles.push_back(f.IdleMs);
    }
  }
  std::printf("startup\tmedian\t%d\tfirst_paint_ms\t%.1f\tidle_ms\t%.1f", kRuns, Median(paints), Median(idles));
  if (withFloor)
    std::printf("\tfloor_first_paint_ms\t%.1f\tfloor_idle_ms\t%.1f\tratio_first_paint\t%.2f", Median(floorPaints),
                Median(floorIdles), Median(paints) / Median(floorPaints));
  std::printf("\n");
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&icc);
  std::vector<int> counts;
  int batch = 1000;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.rfind("+batch=", 0) == 0) {
      batch = std::max(1, std::atoi(a.c_str() + 7));
    } else if (a.rfind("+search=", 0) == 0) {
      const std::string words = i + 1 < argc ? argv[i + 1] : "";
      RunSearch(a.substr(8), words);
      return 0;
    } else if (a == "+startup" || a.rfind("+startup=", 0) == 0) {
      const std::wstring program = a.size() > 9 ? Wide(a.substr(9)) : DefaultProgram();
      return RunStartup(program, std::vector<std::string>(argv + i + 1, argv + argc));
    } else {
      counts.push_back(std::atoi(a.c_str()));
    }
  }
  if (counts.empty()) counts = {100000, 1000000};
  for (int n : counts) RunOnce(n, batch);
  return 0;
}
