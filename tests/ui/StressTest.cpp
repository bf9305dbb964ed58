// Random sequences of Start, Pause, Continue, Stop, Clear and Close against
// running searches: no hang, every search that runs to its end shows exactly
// what the engine finds on its own, and nothing leaks from search to search.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Pump.h"
#include "TestFolder.h"
#include "WinText.h"
#include "formMain.h"

namespace sorvik {
namespace {

using A = TActionId;
using S = TSearchState;
using test::Pump;
using test::PumpFor;

// What the engine alone finds: rows as their six texts, and the four panels.
struct TOutcome : ISearchSink {
  void ShowPanels(const TPanelTexts& p) override { Panels = p; }
  void SetAnimationActive(bool) override {}
  void SetSearchIdle() override {}
  void ShowError(const std::string&) override {}
  void AddRow(const TFoundFile& file) override {
    const TResultRow row = MakeResultRow(file);
    Rows.push_back({row.Caption, row.SubItems[0], row.SubItems[1], row.SubItems[2], row.SubItems[3], row.SubItems[4]});
  }
  std::vector<std::array<std::string, 6>> Rows;
  std::array<std::string, 4> Panels;
};

TOutcome Headless(const std::string& folder) {
  TOutcome out;
  TSearchRun run(out);
  TKtSearchThread& t = run.Worker();
  TSearchRequest request;
  request.Folder = folder;
  request.Mask = "*.txt";
  request.Words = "needle";
  request.Recursive = true;
  t.SetRequest(request);
  t.Resume();
  t.WaitFor();
  return out;
}

struct TCounts {
  DWORD Kernel = 0, Gdi = 0, User = 0;
  int Windows = 0;
  bool operator==(const TCounts&) const = default;
};

BOOL CALLBACK CountWindow(HWND, LPARAM n) {
  ++*reinterpret_cast<int*>(n);
  return TRUE;
}

// Kernel handles open in this process, found by asking after every handle value
// in turn (Wine's GetProcessHandleCount always gives 0).
DWORD KernelHandles() {
  DWORD n = 0, flags = 0;
  for (std::uintptr_t v = 4; v < (1u << 16); v += 4)
    if (GetHandleInformation(reinterpret_cast<HANDLE>(v), &flags)) ++n;
  return n;
}

TCounts Counts() {
  TCounts c;
  c.Kernel = KernelHandles();
  c.Gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  c.User = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&c.Windows));
  return c;
}

class Stress : public testing::Test {
 protected:
  void Prepare(TfrmMain& f) {
    SetText(f.General().edDirectories, Dir.Root());
    SetText(f.General().cboFilemask, "*.txt");
    SetText(f.General().cboKeyWords, "needle");
    SendMessageW(f.General().chkRecursive, BM_SETCHECK, BST_CHECKED, 0);
  }
  // Every row and panel of the window against the engine's own outcome.
  void ExpectSameAsHeadless(TfrmMain& f, int sequence) {
    ASSERT_EQ(f.RowCount(), static_cast<int>(Reference.Rows.size())) << "sequence " << sequence;
    for (int r = 0; r < f.RowCount(); ++r)
      for (int c = 0; c < 6; ++c)
        ASSERT_EQ(f.RowText(r, c), Reference.Rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)])
            << "sequence " << sequence << " row " << r << " column " << c;
    for (int p = 0; p < 4; ++p)
      EXPECT_EQ(f.PanelText(p), Reference.Panels[static_cast<std::size_t>(p)]) << "sequence " << sequence;
  }

  test::TTestFolder Dir;
  TCommandObject Empty;
  TOutcome Reference;
};

TEST_F(Stress, RandomStartPauseContinueStopClearClose) {
  // Three folders of small files, two in three holding the word, and a few
  // files large enough to be read span by span.
  for (int i = 0; i < 240; ++i) {
    const std::string name = std::string("d").append(std::to_string(i % 3)).append("\\f").append(std::to_string(i)).append(".txt");
    Dir.File(name, i % 3 == 2 ? std::string("hay only") : std::string("some needle here"));
  }
  for (int i = 0; i < 3; ++i) Dir.File(std::string("big").append(std::to_string(i)).append(".txt"), std::string(200000, 'x').append(" needle"));
  Headless(Dir.Root());  // the first reads set the files' access times; the reference comes after
  Reference = Headless(Dir.Root());
  ASSERT_EQ(Reference.Rows.size(), 163u);

  std::mt19937 rng(7);
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  std::unique_ptr<TfrmMain> f;
  int searches = 0, completed = 0;
  TCounts baseline;
  for (int sequence = 0; sequence < 200; ++sequence) {
    if (!f) {
      f = std::make_unique<TfrmMain>(Empty, false);
      Prepare(*f);
      // The counts of a fresh window, after everything has been done once.
      if (sequence == 1) baseline = Counts();
    }
    bool runsToEnd = false;  // the latest search started here and was not stopped
    // The first sequence runs a search to its end (7), then does each step once
    // (Close last), so that whatever the process sets up once, it has set up
    // before the counts are first taken; the others draw their steps at random.
    const std::vector<int> fixed = {0, 7, 0, 6, 1, 6, 1, 6, 2, 0, 6, 2, 3, 0, 6, 2, 4};
    const int steps = sequence == 0 ? static_cast<int>(fixed.size()) : 1 + pick(6);
    for (int s = 0; s < steps && f; ++s) {
      // Start twice as likely as each other step.
      const int step = sequence == 0 ? fixed[static_cast<std::size_t>(s)] : std::max(0, pick(8) - 1);
      switch (step) {
        case 0:
          if (f->Execute(A::SearchStart)) {
            ++searches;
            runsToEnd = true;
          }
          break;
        case 1:
          f->Execute(A::SearchPause);  // pauses a running search, continues a paused one
          break;
        case 2:
          if (f->SearchState() != S::Idle && f->Execute(A::SearchStop)) runsToEnd = false;
          break;
        case 3:
          if (f->Execute(A::FileClearScreen)) {
            runsToEnd = false;
            EXPECT_EQ(f->RowCount(), 0);
            Prepare(*f);
          }
          break;
        case 4:
          if (sequence == 0 || pick(3) == 0) {  // closing, running or paused or idle
            SendMessageW(f->Handle(), WM_CLOSE, 0, 0);
            ASSERT_EQ(f->Handle(), nullptr) << "sequence " << sequence;
            f.reset();
            test::DrainQuit();
          }
          break;
        case 7:
          ASSERT_TRUE(Pump(*f, [&] { return f->SearchState() == S::Idle; }));
          break;
        default:
          PumpFor(*f, pick(40));
          break;
      }
    }
    if (!f) continue;
    if (f->SearchState() == S::Paused) {
      ASSERT_TRUE(f->Execute(A::SearchPause));
    }
    ASSERT_TRUE(Pump(*f, [&] { return f->SearchState() == S::Idle; })) << "hung in sequence " << sequence;
    if (runsToEnd) {
      ExpectSameAsHeadless(*f, sequence);
      if (HasFatalFailure()) return;
      ++completed;
    }
  }
  if (!f) {
    f = std::make_unique<TfrmMain>(Empty, false);
    Prepare(*f);
  }
  ASSERT_TRUE(f->Execute(A::SearchStart));
  ASSERT_TRUE(Pump(*f, [&] { return f->SearchState() == S::Idle; }));
  ExpectSameAsHeadless(*f, 200);
  EXPECT_GE(searches, 100);
  EXPECT_GE(completed, 30);
  SendMessageW(f->Handle(), WM_CLOSE, 0, 0);
  test::DrainQuit();
  f = std::make_unique<TfrmMain>(Empty, false);
  const TCounts after = Counts();
  EXPECT_EQ(after.Kernel, baseline.Kernel);
  EXPECT_EQ(after.Gdi, baseline.Gdi);
  EXPECT_EQ(after.User, baseline.User);
  EXPECT_EQ(after.Windows, baseline.Windows);
  std::printf("stress: %d searches, %d ran to their end and matched; handles %lu, windows %d\n", searches, completed,
              static_cast<unsigned long>(after.Kernel), after.Windows);
  SendMessageW(f->Handle(), WM_CLOSE, 0, 0);
  f.reset();
  test::DrainQuit();
}

}  // namespace
}  // namespace sorvik
