// Headless search harness: runs one search with the engine from the same
// command-line arguments as the program, and prints the request, optionally
// every row, and the final counters, one tab-separated record a line.
//
//   sorvik-bench [+rows] [+hits[=COLUMNS]] [+helpers=N] [+latency=MS] [+remote] [+docs=0|1]
//                [+cond=KIND|OPERATOR|VALUE]... [+combine=0|1] ARG...
//
// Arguments that begin with "+" belong to the harness; all others go, in order,
// to the command-line parser. Each +cond is one row of the conditions grid
// (dates as yyyy-mm-dd); +combine is the OR (0) / AND (1) choice. +helpers sets
// the helper threads of the contents tests (0: all on the worker; without it
// the search chooses, as the program does). +latency makes every listing, open
// and read wait MS milliseconds first, as on a network share; +remote has the
// search take the tree for a share. +docs=0 searches archives and documents
// by their bytes (by default, by what they hold). +hits prints, for each file
// found, a record for each line that holds the words: "hit", the path, the
// entry of a package (empty for a file's own bytes), the line number and the
// text as a pane COLUMNS characters wide (120 unless given) shows it; the lines
// of a file come as they are found, while the search goes on. The last record
// says how many helpers ran.
#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "HitLines.h"
#include "LatencyFileSystem.h"
#include "Locale.h"
#include "SearchDelivery.h"
#include "ActionRules.h"
#include "CommandLine.h"
#include "ConditionsGrid.h"
#include "ResultRows.h"

namespace {

using namespace sorvik;

void PrintLine(const std::vector<std::string>& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) line += (i ? "\t" : "") + fields[i];
  line += "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
}

// Prints the hit lines of each file found, as the pane shows them.
class THitPrinter {
 public:
  THitPrinter(std::shared_ptr<const TWordSet> words, bool inside, std::size_t columns)
      : Finder_(std::move(words)), Columns_(columns) {
    Finder_.SetSearchInside(inside);
  }
  void Print(const std::string& path) {
    const THitLinesEnd end = Finder_.Run(path, [&](const THitLine& found) {
      const THitLine line = CutHitLine(found, Columns_);
      PrintLine({"hit", path, line.Entry, std::to_string(line.Number), line.Text});
      return true;
    });
    if (end == THitLinesEnd::Limit) PrintLine({"hitlimit", path, std::to_string(Finder_.Lines())});
    if (end == THitLinesEnd::Unreadable) PrintLine({"hitunreadable", path});
    if (const std::string note = LeftOutNote(Finder_.Report()); !note.empty()) PrintLine({"leftout", path, note});
  }

 private:
  THitLineFinder Finder_;
  std::size_t Columns_;
};

class TBenchWindow : public ISearchSink {
 public:
  TBenchWindow(bool printRows, THitPrinter* hits) : PrintRows_(printRows), Hits_(hits) {}

  void ShowPanels(const TPanelTexts& panels) override { Panels = panels; }
  void SetAnimationActive(bool) override {}
  void SetSearchIdle() override {}
  void ShowError(const std::string&) override {}
  void AddRow(const TFoundFile& file) override {
    if (Hits_) Hits_->Print(file.Folder + file.Name);
    if (!PrintRows_) return;
    const TResultRow row = MakeResultRow(file);
    std::string line = "row\t" + row.Caption;
    for (const std::string& s : row.SubItems) line += "\t" + s;
    line += "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
  }

  std::array<std::string, 4> Panels;

 private:
  bool PrintRows_;
  THitPrinter* Hits_;
};

int Run(const std::vector<std::string>& all) {
  bool rows = false;
  std::optional<std::size_t> hitColumns;
  TKtFileConditions conditions;
  TGridCells grid(kConditionColumns, 0);
  int givenConditions = 0;
  std::optional<unsigned> helpers;
  std::int64_t latencyMs = 0;
  bool remote = false;
  bool insideDocuments = true;
  const double now = NowDateTime();
  std::vector<std::string> arguments;
  for (const std::string& a : all) {
    if (a.rfind("+", 0) == 0) {
      if (a == "+rows") {
        rows = true;
      } else if (a == "+hits" || a.rfind("+hits=", 0) == 0) {
        constexpr std::int64_t kPaneColumns = 120;
        hitColumns = static_cast<std::size_t>(std::clamp<std::int64_t>(
            a.size() > 6 ? ReadInteger(a.substr(6)).value_or(kPaneColumns) : kPaneColumns, 8, 100000));
      } else if (a.rfind("+cond=", 0) == 0) {
        // One row of the grid: its kind, operator and value cells.
        const std::string row = a.substr(6);
        const std::size_t bar1 = row.find('|');
        const std::size_t bar2 = bar1 == std::string::npos ? bar1 : row.find('|', bar1 + 1);
        const int r = givenConditions++;
        AddConditionRow(grid);
        if (bar2 != std::string::npos) {
          grid.SetCell(0, r, row.substr(0, bar1));
          grid.SetCell(1, r, row.substr(bar1 + 1, bar2 - bar1 - 1));
          grid.SetCell(2, r, row.substr(bar2 + 1));
        }
      } else if (a.rfind("+helpers=", 0) == 0) {
        // Beyond a few dozen threads nothing is measured but the thread switches.
        constexpr std::int64_t kMostHelpers = 64;
        helpers = static_cast<unsigned>(std::clamp<std::int64_t>(ReadInteger(a.substr(9)).value_or(0), 0, kMostHelpers));
      } else if (a.rfind("+latency=", 0) == 0) {
        latencyMs = std::max<std::int64_t>(0, ReadInteger(a.substr(9)).value_or(0));
      } else if (a.rfind("+docs=", 0) == 0) {
        insideDocuments = ReadInteger(a.substr(6)).value_or(1) != 0;
      } else if (a == "+remote") {
        remote = true;
      } else if (a.rfind("+combine=", 0) == 0) {
        conditions.CombineMode = static_cast<TCombineMode>(ReadInteger(a.substr(9)).value_or(0));
      }
    } else {
      arguments.push_back(a);
    }
  }

  TCommandObject command;
  ApplyCommandLine(command, arguments);
  std::string options;
  if (command.Has(coSubfolders)) options += 'S';
  if (command.Has(coWholeWords)) options += 'W';
  if (command.Has(coCaseSensitive)) options += 'C';
  std::vector<std::string> record{"request", "mask=" + command.Mask, "folder=" + command.Folder,
                                   "words=" + command.Words, "options=" + options,
                                   "mode=" + std::to_string(command.MatchMode),
                                   std::string("hasvalues=") + (command.HasValues ? "1" : "0"),
                                   std::string("run=") + (command.RunAtOnce ? "1" : "0")};
  // The folders to skip, when the arguments name any (a record without them reads as before).
  if (!command.SkipFolders.empty()) record.push_back("skip=" + command.SkipFolders);
  PrintLine(record);

  TLatencyFileSystem slow(NativeFileSystem(), std::chrono::milliseconds(latencyMs), remote);
  const bool wrapped = latencyMs > 0 || remote;
  // As the window does: the command line fills an empty panel, which makes the request.
  TSearchPanel panel;
  PrefillFromCommand(command, panel);
  panel.InsideDocuments = insideDocuments;
  TSearchRequest request;
  ApplyPanel(panel, request);
  std::optional<THitPrinter> hits;
  if (hitColumns)
    hits.emplace(std::make_shared<const TWordSet>(WordQueryOf(request)), request.InsideDocuments, *hitColumns);
  TBenchWindow window(rows, hits ? &*hits : nullptr);
  TSearchRun run(window, wrapped ? static_cast<IFileSystem&>(slow) : NativeFileSystem());
  TKtSearchThread& worker = run.Worker();
  if (helpers) worker.SetContentHelpers(*helpers);
  if (givenConditions > 0) {
    // As the window does at Start, from the grid (dates as yyyy-mm-dd).
    BuildFileConditions(grid, conditions, ReadIsoDate, now);
    request.Conditions = conditions;
  }
  worker.SetRequest(std::move(request));

  const auto start = std::chrono::steady_clock::now();
  worker.Resume();
  worker.WaitFor();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  if (!worker.ErrorMessage().empty()) PrintLine({"error", worker.ErrorMessage()});
  char secs[32];
  std::snprintf(secs, sizeof secs, "%.3f", seconds);
  std::vector<std::string> done{"done", "entries=" + std::to_string(worker.EntriesExamined()),
                                "files=" + std::to_string(worker.FilesFound()), "kb=" + std::to_string(worker.KBFound()),
                                "mb=" + window.Panels[2], "status=" + window.Panels[3],
                                std::string("seconds=") + secs, "helpers=" + std::to_string(worker.ContentHelpersUsed())};
  // Files whose test failed and were passed over, when there were any.
  if (worker.FilesUnread() > 0) done.push_back("unread=" + std::to_string(worker.FilesUnread()));
  PrintLine(done);
  std::fflush(stdout);
  return 0;
}

}  // namespace

#ifdef _WIN32
int main() { return Run(ProcessArguments()); }
#else
int main(int argc, char** argv) { return Run(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
