// Searches with words while another thread creates, deletes, renames and
// truncates files and folders below the start folder. Every listed row must name
// a file that held the word, at that size, at some moment of the run, and the
// counters must add up.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "TestFolder.h"
#include "SearchRecorder.h"
#include "uFindThread.h"

namespace sorvik {
namespace {

namespace fs = std::filesystem;

fs::path U8(const std::string& s) { return fs::path(std::u8string(s.begin(), s.end())); }

// Changes the tree at random and remembers every (path, contents) it ever made.
// Files are created under a temporary name and renamed into place, and names are
// never reused, so a path only ever holds one text or prefixes of it.
class TTreeChanger {
 public:
  explicit TTreeChanger(const std::string& root) : Root_(root) {
    for (int f = 0; f < 4; ++f) {
      Folders_.push_back(Root_ + test::Delim() + "d" + std::to_string(f));
      fs::create_directories(U8(Folders_.back()));
      for (int i = 0; i < 40; ++i) Create(Folders_.back());
    }
  }

  void Run(const std::atomic<bool>& stop) {
    for (; !stop; ++Changes) {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
      std::error_code ec;
      switch (rng_() % 8) {
        case 0:
        case 1:
          if (Current_.size() < 600) Create(Folders_[rng_() % Folders_.size()]);
          break;
        case 2:  // delete a file (a file a search holds open may stay: it moves with its folder)
          if (auto f = AnyFile()) {
            fs::remove(U8(*f), ec);
            if (!ec) Current_.erase(*f);
          }
          break;
        case 3:  // rename a file
          if (auto f = AnyFile()) {
            const std::string to = Parent(*f) + test::Delim() + NewName(".txt");
            Record(to, Contents(*f));
            fs::rename(U8(*f), U8(to), ec);
            if (!ec) Forget(*f, to);
          }
          break;
        case 4:  // truncate a file to a prefix
          if (auto f = AnyFile()) {
            const std::string text = Contents(*f);
            const std::size_t keep = text.empty() ? 0 : rng_() % text.size();
            Record(*f, text.substr(0, keep));
            fs::resize_file(U8(*f), keep, ec);
            if (!ec) Current_[*f] = text.substr(0, keep);
          }
          break;
        case 5: {  // a new folder with a few files
          const std::string folder = Root_ + test::Delim() + NewName("");
          fs::create_directory(U8(folder), ec);
          if (ec) break;
          Folders_.push_back(folder);
          for (int i = 0; i < 3; ++i) Create(folder);
          break;
        }
        case 6:  // rename a folder: every file below it gets a new path
          if (Folders_.size() > 1) {
            const std::size_t k = rng_() % Folders_.size();
            const std::string to = Root_ + test::Delim() + NewName("");
            MoveFolder(Folders_[k], to);
            fs::rename(U8(Folders_[k]), U8(to), ec);
            Folders_[k] = to;  // a failed rename leaves files behind: they are still recorded
          }
          break;
        default:  // delete a folder with what is in it
          if (Folders_.size() > 2) {
            const std::size_t k = rng_() % Folders_.size();
            fs::remove_all(U8(Folders_[k]), ec);
            std::erase_if(Current_, [&](const auto& e) { return e.first.rfind(Folders_[k] + test::Delim(), 0) == 0; });
            Folders_.erase(Folders_.begin() + static_cast<std::ptrdiff_t>(k));
          }
          break;
      }
    }
  }

  std::atomic<int> Changes{0};

  // Whether `path` ever held a text of `size` bytes that holds the word.
  bool HeldWord(const std::string& path, std::int64_t size) const {
    std::lock_guard<std::mutex> lock(Mutex_);
    auto [from, to] = Ever_.equal_range(path);
    for (auto it = from; it != to; ++it)
      if (static_cast<std::int64_t>(it->second.size()) == size &&
          (it->second.find("needle") != std::string::npos || it->second.find("NEEDLE") != std::string::npos))
        return true;
    return false;
  }

 private:
  std::string NewName(const char* ext) { return std::string("n").append(std::to_string(Next_++)).append(ext); }
  static std::string Parent(const std::string& path) { return path.substr(0, path.rfind(test::Delim())); }
  std::string Contents(const std::string& path) { return Current_.count(path) ? Current_[path] : std::string(); }

  void Record(const std::string& path, const std::string& text) {
    std::lock_guard<std::mutex> lock(Mutex_);
    Ever_.emplace(path, text);
  }
  void Forget(const std::string& from, const std::string& to) {
    Current_[to] = Current_[from];
    Current_.erase(from);
  }

  void Create(const std::string& folder) {
    static const char* const kTexts[] = {"a needle here", "NEEDLE first", "nothing to see", "needle", ""};
    std::string text = kTexts[rng_() % 5];
    if (rng_() % 10 == 0) text = std::string(100000 + rng_() % 200000, 'x') + " needle";  // read in spans
    const std::string temp = folder + test::Delim() + NewName(".tmp");
    const std::string path = folder + test::Delim() + NewName(".txt");
    {
      std::ofstream out(U8(temp), std::ios::binary);
      out << text;
      if (!out) return;
    }
    Record(path, text);
    std::error_code ec;
    fs::rename(U8(temp), U8(path), ec);
    if (ec) {
      fs::remove(U8(temp), ec);
      return;
    }
    Current_[path] = text;
  }

  std::optional<std::string> AnyFile() {
    if (Current_.empty()) return std::nullopt;
    auto it = Current_.begin();
    std::advance(it, static_cast<std::ptrdiff_t>(rng_() % Current_.size()));
    return it->first;
  }

  void MoveFolder(const std::string& from, const std::string& to) {
    const std::string prefix = from + test::Delim();
    std::map<std::string, std::string> moved;
    for (auto it = Current_.begin(); it != Current_.end();) {
      if (it->first.rfind(prefix, 0) == 0) {
        const std::string path = to + test::Delim() + it->first.substr(prefix.size());
        Record(path, it->second);
        moved[path] = it->second;
        it = Current_.erase(it);
      } else {
        ++it;
      }
    }
    Current_.merge(moved);
  }

  std::string Root_;
  std::vector<std::string> Folders_;
  std::map<std::string, std::string> Current_;  // the mutator's own view: path to text
  std::multimap<std::string, std::string> Ever_;  // every text every path has held
  mutable std::mutex Mutex_;
  std::mt19937 rng_{20261208};
  int Next_ = 0;
};

TEST(ChangingTree, SearchesWhileFilesAndFoldersComeAndGo) {
  test::TTestFolder dir;
  TTreeChanger changer(dir.Root());
  std::atomic<bool> stop{false};
  std::thread mutator([&] { changer.Run(stop); });
  int rows = 0, runs = 0;
  // Searches one after the other for two seconds, and at least a dozen.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  for (int run = 0; run < 12 || std::chrono::steady_clock::now() < end; ++run) {
    ++runs;
    test::TSearchRecorder out;
    TSearchRun search(out);
    TKtSearchThread& t = search.Worker();
    TSearchRequest request;
    request.Folder = dir.Root();
    request.Mask = "*.txt";
    request.Words = "needle";
    request.Recursive = true;
    request.WholeWords = run % 2 == 1;
    t.SetRequest(request);
    t.Resume();
    t.WaitFor();
    EXPECT_EQ(t.ErrorMessage(), "");
    std::int64_t kb = 0, bytes = 0;
    for (const TFoundFile& f : out.Files) {
      EXPECT_TRUE(changer.HeldWord(f.Folder + f.Name, f.Size)) << f.Folder << f.Name << " " << f.Size;
      kb += f.Size / 1024;
      bytes += f.Size;
    }
    EXPECT_EQ(t.FilesFound(), static_cast<std::int64_t>(out.Files.size()));
    EXPECT_EQ(t.KBFound(), kb);
    EXPECT_GE(t.EntriesExamined(), t.FilesFound());
    EXPECT_EQ(out.Panels[0], std::to_string(t.EntriesExamined()));
    EXPECT_EQ(out.Panels[1], std::to_string(t.FilesFound()));
    EXPECT_EQ(t.BytesFound(), bytes);
    EXPECT_EQ(out.Panels[2], FormatBytesAsMB(bytes));
    rows += static_cast<int>(out.Files.size());
  }
  stop = true;
  mutator.join();
  EXPECT_GT(rows, 100);  // the searches did find files while the tree changed
  EXPECT_GT(changer.Changes, 200);  // the tree did change under the searches
  std::printf("changing tree: %d searches, %d rows, %d changes\n", runs, rows, changer.Changes.load());
}

}  // namespace
}  // namespace sorvik
