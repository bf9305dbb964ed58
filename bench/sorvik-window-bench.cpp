// Window benchmark: the main window under load. Hands synthetic rows to the
// window through the worker's row hand-over (a worker thread, Synchronize, the
// window's AddRow), then sorts by every column, and reports:
//   rows   the count, the seconds to add them, and the longest time the window
//          took to answer a message sent from another thread while rows came in;
//   sort   the seconds of each column's sort, repaint included;
//   memory the process's private bytes after adding.
// With "+search=FOLDER WORDS" it runs the window's own search of a real tree
// instead and prints its rows and seconds, Start to Idle.
//
//   sorvik-window-bench [ROWS...] [+batch=N]
//   sorvik-window-bench +search=FOLDER [WORDS]
//
// Each ROWS count (default 100000 1000000) runs in a fresh window. +batch sets
// the rows per hand-over (default 1000; 1 is one round trip per row).
#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "Locale.h"
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
  for (int column = 0; column < kResultColumns; ++column) {
    const auto t0 = Clock::now();
    form.lvwResultsColumnClick(column);
    UpdateWindow(form.lvwResults);
    std::printf("sort\t%d\t%s\t%s\t%.3f\n", count, kResultColumnCaptions[static_cast<std::size_t>(column)],
                form.SortAscending() ? "ascending" : "descending", Seconds(Clock::now() - t0));
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
    } else {
      counts.push_back(std::atoi(a.c_str()));
    }
  }
  if (counts.empty()) counts = {100000, 1000000};
  for (int n : counts) RunOnce(n, batch);
  return 0;
}
