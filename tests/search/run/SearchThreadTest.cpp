#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <new>
#include <stdexcept>
#include <filesystem>
#include <optional>
#include <thread>

#include "FakeFileSystem.h"
#include "SearchRecorder.h"
#include "TestFolder.h"
#include "uFindThread.h"

#ifdef _WIN32
#include <windows.h>

#include "Win32Handles.h"
#include "WinText.h"
#else
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace sorvik {
namespace {

using test::TFakeFileSystem;

using TRecorder = test::TSearchRecorder;

struct TRun {
  TRun(std::string folder, std::string mask = "*.*", std::string words = "", bool recursive = false,
       bool caseSensitive = false)
      : Folder(std::move(folder)), Mask(std::move(mask)), Words(std::move(words)), Recursive(recursive),
        CaseSensitive(caseSensitive) {}
  std::string Folder, Mask, Words;
  bool Recursive, CaseSensitive;
  bool WholeWords = false;
  std::uint8_t Mode = 0;
  std::string Skip;  // folders to skip
};

// A search run to its end; -> reaches its worker.
struct TDoneSearch {
  std::unique_ptr<TSearchRun> Run;
  TKtSearchThread* operator->() const { return &Run->Worker(); }
};

// Runs one search to its end on this (the owner's) thread.
TDoneSearch Search(IFileSystem& fs, TRecorder& rec, const TRun& r) {
  auto run = std::make_unique<TSearchRun>(rec, fs);
  TKtSearchThread* t = &run->Worker();
  TSearchRequest request;
  request.Folder = r.Folder;
  request.Mask = r.Mask;
  request.Words = r.Words;
  request.Recursive = r.Recursive;
  request.CaseSensitive = r.CaseSensitive;
  request.WholeWords = r.WholeWords;
  request.MatchMode = static_cast<TMatchMode>(r.Mode);
  request.SkipFolders = r.Skip;
  request.Icons = true;
  t->SetRequest(request);
  t->Resume();
  t->WaitFor();
  return {std::move(run)};
}

using Names = std::vector<std::string>;

TSearchRequest Req(const std::string& folder, const std::string& mask, const std::string& words, bool recursive) {
  TSearchRequest r;
  r.Folder = folder;
  r.Mask = mask;
  r.Words = words;
  r.Recursive = recursive;
  return r;
}

// ---- synthetic entries ----------------------------------------------------

TEST(SearchWalk, CountsDotsAndListsFiles) {
  TFakeFileSystem fs;
  fs.AddFolder("C:\\data\\");
  fs.Add("C:\\data\\", "a.txt", faArchive, "one");
  fs.Add("C:\\data\\", "b.txt", faArchive, std::string(1023, 'x'));
  fs.Add("C:\\data\\", "c.log", faArchive, std::string(2048, 'y'));
  TRecorder rec;
  auto t = Search(fs, rec, {"C:\\data"});
  EXPECT_EQ(t->EntriesExamined(), 5);
  EXPECT_EQ(t->FilesFound(), 3);
  EXPECT_EQ(t->KBFound(), 2);  // 1023 bytes add nothing
  EXPECT_EQ(rec.Names(), (Names{"a.txt", "b.txt", "c.log"}));
  const TResultRow& row = rec.Rows[1];
  EXPECT_EQ(row.SubItems[0], "C:\\data\\");
  EXPECT_EQ(row.SubItems[1], "1023");
  EXPECT_EQ(row.ImageIndex, 7);
  EXPECT_EQ(rec.Panels[0], "5");
  EXPECT_EQ(rec.Panels[1], "3");
  EXPECT_EQ(rec.Panels[2], "   0.003 MB");  // the sizes added as bytes: 3074
  EXPECT_EQ(rec.Panels[3], "(F) C:\\data\\c.log");  // the last status stays
  EXPECT_EQ(rec.AnimationEvents, (std::vector<bool>{true, false}));
  EXPECT_TRUE(rec.Idle);
  // Progress travels in few hand-overs: the start, now and then, and the end.
  EXPECT_GE(rec.PanelUpdates, 2);
  EXPECT_LE(rec.PanelUpdates, 1 + 1 + 5 + 1);
  EXPECT_TRUE(t->ErrorMessage().empty());
  // Without an interval, one after every entry: the start, the folder, five entries, the end.
  TRecorder each;
  TSearchRun uRun(each, fs);
  TKtSearchThread& u = uRun.Worker();
  uRun.Delivery().SetInterval(std::chrono::milliseconds(0));
  u.SetRequest(Req("C:\\data", "*.*", "", false));
  u.Resume();
  u.WaitFor();
  EXPECT_EQ(each.PanelUpdates, 1 + 1 + 5 + 1);
  EXPECT_EQ(each.Names(), rec.Names());
}

TEST(SearchWalk, AttributeWordsDecide) {
  TFakeFileSystem fs;
  fs.AddFolder("C:\\d\\");
  fs.Add("C:\\d\\", "normal-only", faNormal);            // no bit of 1..32: not even counted
  fs.Add("C:\\d\\", "high-bits", 0x2000 | faNormal);
  fs.Add("C:\\d\\", "archived", faArchive | faNormal);
  fs.Add("C:\\d\\", "ro", faReadOnly);
  fs.Add("C:\\d\\", "hid", faHidden);
  fs.Add("C:\\d\\", "sys", faSysFile);
  fs.Add("C:\\d\\", "label", faVolumeID);
  fs.Add("C:\\d\\", "sub", faDirectory);
  fs.Add("C:\\d\\", ".hidden-dir", faDirectory | faHidden);
  fs.Add("C:\\d\\", "system-dir", faDirectory | faSysFile);
  fs.Add("C:\\d\\sub\\", "in-sub", faArchive);
  fs.Add("C:\\d\\.hidden-dir\\", "in-hidden", faArchive);
  fs.Add("C:\\d\\system-dir\\", "in-system", faArchive);
  TRecorder rec;
  auto t = Search(fs, rec, {"C:\\d\\", "*.*", "", true});
  // ".", "..", archived, ro, hid, sys, label, three folders; then one in each walked folder.
  EXPECT_EQ(t->EntriesExamined(), 10 + 2);
  EXPECT_EQ(rec.Names(), (Names{"archived", "ro", "hid", "sys", "label", "in-sub", "in-hidden"}));
}

TEST(SearchWalk, RootsMasksAndTrailingDelimiters) {
  TFakeFileSystem fs;
  fs.Add("C:\\", "root.txt", faArchive);
  fs.Add("C:\\", "other.bin", faArchive);
  fs.Add("C:\\", "dir.txt", faDirectory);
  TRecorder a, b;
  auto t1 = Search(fs, a, {"C:"});
  auto t2 = Search(fs, b, {"C:\\"});
  EXPECT_EQ(t1->EntriesExamined(), 3);  // no "." and ".." at a root
  EXPECT_EQ(a.Names(), b.Names());
  TRecorder c;
  auto t3 = Search(fs, c, {"C:\\", "*.txt"});
  EXPECT_EQ(t3->EntriesExamined(), 2);  // the folder matching the mask is counted, not listed
  EXPECT_EQ(c.Names(), Names{"root.txt"});
}

TEST(SearchWalk, DepthFirstFilesBeforeSubfolders) {
  TFakeFileSystem fs;
  fs.AddFolder("C:\\r\\");
  fs.Add("C:\\r\\", "a", faDirectory);
  fs.Add("C:\\r\\", "z.txt", faArchive);
  fs.Add("C:\\r\\", "b", faDirectory);
  fs.AddFolder("C:\\r\\a\\");
  fs.Add("C:\\r\\a\\", "a1.txt", faArchive);
  fs.Add("C:\\r\\a\\", "deep", faDirectory);
  fs.Add("C:\\r\\a\\deep\\", "d1.txt", faArchive);
  fs.Add("C:\\r\\b\\", "b1.txt", faArchive);
  TRecorder flat, deep;
  auto t1 = Search(fs, flat, {"C:\\r", "*.*", "", false});
  EXPECT_EQ(t1->EntriesExamined(), 5);
  EXPECT_EQ(flat.Names(), Names{"z.txt"});
  auto t2 = Search(fs, deep, {"C:\\r", "*.*", "", true});
  EXPECT_EQ(deep.Names(), (Names{"z.txt", "a1.txt", "d1.txt", "b1.txt"}));
  EXPECT_EQ(deep.Rows[2].SubItems[0], "C:\\r\\a\\deep\\");
}

// A skipped folder is neither entered nor counted, wherever it is, and its
// files are never opened; the start folder is searched whatever its name. The
// counters and the status describe only what was walked. A path among the
// folders to skip is refused before anything is listed.
TEST(SearchWalk, SkippedFoldersAreNeitherEnteredNorCounted) {
  TFakeFileSystem fs;
  fs.AddFolder("C:\\obj\\");
  fs.Add("C:\\obj\\", "top.txt", faArchive, "needle");
  fs.Add("C:\\obj\\", "obj", faDirectory);
  fs.Add("C:\\obj\\", "src", faDirectory);
  fs.Add("C:\\obj\\", "objects.txt", faArchive, "needle");  // skipped names are folders' only
  fs.AddFolder("C:\\obj\\obj\\");
  fs.Add("C:\\obj\\obj\\", "built.txt", faArchive, "needle");
  fs.AddFolder("C:\\obj\\src\\");
  fs.Add("C:\\obj\\src\\", "main.txt", faArchive, "needle");
  fs.Add("C:\\obj\\src\\", "Obj.x64", faDirectory | faHidden);
  fs.Add("C:\\obj\\src\\Obj.x64\\", "deep.txt", faArchive, "needle");
  TRecorder all;
  auto everything = Search(fs, all, {"C:\\obj", "*.*", "needle", true});
  EXPECT_EQ(everything->EntriesExamined(), 6 + 3 + 4 + 1);
  EXPECT_EQ(all.Names(), (Names{"top.txt", "objects.txt", "built.txt", "main.txt", "deep.txt"}));
  for (const char* mask : {"*.*", "*.txt"}) {
    fs.Listed.clear();
    fs.Opened.clear();
    TRun run{"C:\\obj", mask, "needle", true};
    run.Skip = " OBJ* ; ;";
    TRecorder rec;
    auto t = Search(fs, rec, run);
    EXPECT_EQ(rec.Names(), (Names{"top.txt", "objects.txt", "main.txt"})) << mask;
    // ".", "..", top.txt, src and objects.txt, then ".", ".." and main.txt (with "*.txt" the files alone).
    const int examined = std::string(mask) == "*.*" ? 5 + 3 : 2 + 1;
    EXPECT_EQ(t->EntriesExamined(), examined) << mask;
    EXPECT_EQ(rec.Panels[0], std::to_string(examined)) << mask;
    EXPECT_EQ(rec.Panels[1], "3") << mask;
    EXPECT_EQ(rec.Panels[3], "(F) C:\\obj\\src\\main.txt") << mask;
    EXPECT_EQ(fs.Opened, (std::multiset<std::string>{"C:\\obj\\top.txt", "C:\\obj\\objects.txt",
                                                     "C:\\obj\\src\\main.txt"}))
        << mask;
    for (const std::string& listing : fs.Listed)
      EXPECT_TRUE(listing.rfind("C:\\obj\\obj\\", 0) != 0 && listing.rfind("C:\\obj\\src\\Obj.x64\\", 0) != 0)
          << listing;
  }
  // Only a path is refused; the message names it as typed.
  fs.Listed.clear();
  TRun path{"C:\\obj", "*.*", "needle", true};
  path.Skip = "bin; src\\obj ;x/y";
  TRecorder refused;
  auto t = Search(fs, refused, path);
  EXPECT_EQ(t->ErrorMessage(), "Skip folders takes folder names, not paths: src\\obj");
  EXPECT_EQ(refused.Errors, std::vector<std::string>{t->ErrorMessage()});
  EXPECT_TRUE(fs.Listed.empty());
  EXPECT_EQ(refused.Panels, TPanelTexts{});
}

TEST(SearchWalk, FolderLinksNeverLoop) {
  TFakeFileSystem fs;
  fs.Add("C:\\top\\", "f.txt", faArchive);
  fs.Add("C:\\top\\", "back", faDirectory | faReparsePoint);
  fs.Add("C:\\top\\", "real", faDirectory);
  fs.Add("C:\\top\\real\\", "r.txt", faArchive);
  fs.Alias("C:\\top\\back\\", "C:\\top\\");  // a link to the folder it is in
  TRecorder rec;
  auto t = Search(fs, rec, {"C:\\top", "*.*", "", true});
  EXPECT_EQ(rec.Names(), (Names{"f.txt", "r.txt"}));
  EXPECT_TRUE(rec.Idle);
}

TEST(SearchWalk, LockedEmptyWordsAndContents) {
  TFakeFileSystem fs;
  fs.Add("C:\\w\\", "locked.txt", faArchive, "needle").Locked = true;
  fs.Add("C:\\w\\", "yes.txt", faArchive, "a Needle here");
  fs.Add("C:\\w\\", "no.txt", faArchive, "nothing");
  fs.Add("C:\\w\\", "empty.txt", faArchive, "");
  TRecorder all;
  auto t1 = Search(fs, all, {"C:\\w"});
  EXPECT_EQ(t1->EntriesExamined(), 4);
  EXPECT_EQ(all.Names(), (Names{"yes.txt", "no.txt", "empty.txt"}));
  EXPECT_TRUE(fs.Opened.empty());  // empty words: no file is opened for its contents
  TRecorder some;
  auto t2 = Search(fs, some, {"C:\\w", "*.*", "needle"});
  EXPECT_EQ(some.Names(), Names{"yes.txt"});
  EXPECT_EQ(fs.Opened, (std::multiset<std::string>{"C:\\w\\yes.txt", "C:\\w\\no.txt", "C:\\w\\empty.txt"}));
  TRecorder cs;
  auto t3 = Search(fs, cs, {"C:\\w", "*.*", "needle", false, true});
  EXPECT_TRUE(cs.Rows.empty());
}

TEST(SearchWalk, BigSizesAndOddTimes) {
  TFakeFileSystem fs;
  auto& big = fs.Add("C:\\b\\", "three-gib.iso", faArchive);
  big.Entry.Size = std::int64_t{3} << 30;
  auto& old = fs.Add("C:\\b\\", "old.txt", faArchive, "ancient words");
  old.Entry.LocalWrite = {1975, 3, 4, 5, 6, 8};
  old.Entry.Time = 0;
  old.Entry.FindData.CreationTime = 0;                            // 1601-01-01
  old.Entry.FindData.LastAccessTime = FileTimeFromUnix(4354819200);  // 2108-01-01
  TRecorder rec;
  auto t = Search(fs, rec, {"C:\\b"});
  ASSERT_EQ(rec.Rows.size(), 2u);
  EXPECT_EQ(rec.Rows[0].SubItems[1], "3221225472");
  EXPECT_EQ(t->KBFound(), 3145728);
  EXPECT_EQ(rec.Panels[2], "3072.000 MB");
  EXPECT_NE(rec.Rows[1].SubItems[2].find("1975"), std::string::npos) << rec.Rows[1].SubItems[2];
  EXPECT_NE(rec.Rows[1].SubItems[3].find("2108"), std::string::npos) << rec.Rows[1].SubItems[3];
  EXPECT_NE(rec.Rows[1].SubItems[4].find("1601"), std::string::npos) << rec.Rows[1].SubItems[4];
  // Such a file is searched like any other.
  TRecorder words;
  Search(fs, words, {"C:\\b", "*.txt", "ancient"});
  EXPECT_EQ(words.Names(), Names{"old.txt"});
}

// A request that can't be searched says why, walks nothing and never shows
// counters that would read as "nothing found".
TEST(SearchWalk, RefusedRequestsSayWhyAndWalkNothing) {
  TFakeFileSystem fs;
  fs.Add("C:\\x\\", "a.txt", faArchive, "abc");
  struct TCase {
    TRun Run;
    TMatchMode Mode;
    std::string Error;
  } cases[] = {
      {{"C:\\x", "*.*", std::string(256, 'w')}, TMatchMode::Any,
       "Word longer than 255 characters: \"wwwwwwwwwwwwwwwwwwwwwwww...\""},
      {{"C:\\x", "*.*", "short " + std::string(200, 'a') + " " + std::string(100, 'b')}, TMatchMode::Exact,
       "Word longer than 255 characters: \"short aaaaaaaaaaaaaaaaaa...\""},
      {{"C:\\nowhere"}, TMatchMode::Any, "Folder not found: C:\\nowhere"},
      {{""}, TMatchMode::Any, "Enter a folder to search in"},
      {{"  "}, TMatchMode::Any, "Enter a folder to search in"},
      {{"C:\\x", ""}, TMatchMode::Any, "Enter a file mask, such as *.*"},
      {{"C:\\x", " \t "}, TMatchMode::Any, "Enter a file mask, such as *.*"},
      {{"C:\\x", "*.*", "\""}, TMatchMode::Any, "Enter a word between the quotes"},
      {{"C:\\x", "*.*", " \"\" \""}, TMatchMode::All, "Enter a word between the quotes"},
  };
  for (TCase& c : cases) {
    fs.Listed.clear();
    c.Run.Mode = static_cast<std::uint8_t>(c.Mode);
    TRecorder rec;
    auto t = Search(fs, rec, c.Run);
    EXPECT_EQ(t->ErrorMessage(), c.Error);
    EXPECT_EQ(rec.Errors, std::vector<std::string>{c.Error});
    EXPECT_TRUE(fs.Listed.empty()) << c.Error;
    EXPECT_EQ(t->EntriesExamined(), 0);
    EXPECT_TRUE(rec.Idle);
    EXPECT_EQ(rec.Panels, TPanelTexts{});  // no "0" found
    EXPECT_TRUE(rec.AnimationEvents == std::vector<bool>{false});  // it never started
  }
  // Two words of 200 are fine in any mode, not as one exact text.
  TRecorder fine;
  EXPECT_EQ(Search(fs, fine, {"C:\\x", "*.*", std::string(200, 'a') + " " + std::string(200, 'b')})->ErrorMessage(), "");
  // Beside another word an empty one is passed over; as the exact text, a quote
  // is a word like any other.
  TRun beside{"C:\\x", "*.*", "abc \"\""};
  beside.Mode = static_cast<std::uint8_t>(TMatchMode::All);
  TRecorder besides;
  Search(fs, besides, beside);
  EXPECT_EQ(besides.Names(), Names{"a.txt"});
  TRun quote{"C:\\x", "*.*", "\""};
  quote.Mode = static_cast<std::uint8_t>(TMatchMode::Exact);
  TRecorder exact;
  EXPECT_EQ(Search(fs, exact, quote)->ErrorMessage(), "");
  // An empty field searches names only in every mode, the exact one too.
  for (const TMatchMode mode : {TMatchMode::Any, TMatchMode::All, TMatchMode::Exact}) {
    TRun names{"C:\\x", "*.*", ""};
    names.Mode = static_cast<std::uint8_t>(mode);
    TRecorder named;
    EXPECT_EQ(Search(fs, named, names)->ErrorMessage(), "") << static_cast<int>(mode);
    EXPECT_FALSE(named.Names().empty()) << static_cast<int>(mode);
  }
}

TEST(SearchWalk, PanelTexts) {
  EXPECT_EQ(FormatMB(0), "   0.000 MB");
  EXPECT_EQ(FormatMB(1536), "   1.500 MB");
  EXPECT_EQ(FormatMB(std::int64_t{5} << 30), "5242880.000 MB");  // 5 TiB: no 32-bit wrap
  EXPECT_DOUBLE_EQ(KBToMB(1536), 1.5);
}

// A file system whose reader calls back when a file is opened.
class THookedFs : public TFakeFileSystem {
 public:
  std::function<void(const std::string&)> OnOpen;
  std::unique_ptr<IContentsReader> NewContentsReader() override {
    struct R : IContentsReader {
      THookedFs& Fs;
      std::unique_ptr<IContentsReader> Inner;
      explicit R(THookedFs& fs) : Fs(fs), Inner(fs.TFakeFileSystem::NewContentsReader()) {}
      bool Open(const std::string& p) override {
        if (Fs.OnOpen) Fs.OnOpen(p);
        return Inner->Open(p);
      }
      std::uint64_t Size() const override { return Inner->Size(); }
      const std::uint8_t* Map(std::uint64_t o, std::size_t l) override { return Inner->Map(o, l); }
      bool Faulted() const override { return false; }
      void Close() override { Inner->Close(); }
    };
    return std::make_unique<R>(*this);
  }
};

TEST(SearchWalk, StopDuringAContentsSearchFinishesThatFile) {
  THookedFs fs;
  for (int i = 0; i < 20; ++i) fs.Add("C:\\s\\", std::string("f").append(std::to_string(i)).append(".txt"), faArchive, "word");
  TRecorder rec;
  TSearchRun tRun(rec, fs);
  TKtSearchThread& t = tRun.Worker();
  t.SetContentHelpers(0);  // every test on the worker: nothing runs ahead of f3
  fs.OnOpen = [&](const std::string& p) {
    if (p == "C:\\s\\f3.txt") t.Terminate();  // arrives while f3 is being searched
  };
  t.SetRequest(Req("C:\\s", "*.*", "word", false));
  t.Resume();
  t.WaitFor();
  EXPECT_EQ(rec.Names(), (Names{"f0.txt", "f1.txt", "f2.txt", "f3.txt"}));
  EXPECT_EQ(t.EntriesExamined(), 4);
  EXPECT_TRUE(rec.Idle);
}

// A file whose test fails (out of memory, a reader's error) is passed over and
// counted; every file after it is still judged, with and without helpers.
TEST(SearchWalk, OneFilesFailureSkipsThatFileOnly) {
  for (const unsigned helpers : {0u, 3u}) {
    THookedFs fs;
    Names expected;
    for (int i = 0; i < 60; ++i) {
      const std::string name = "f" + std::to_string(i) + ".txt";
      fs.Add("C:\\s\\", name, faArchive, "word");
      if (i % 7 != 3) expected.push_back(name);
    }
    fs.OnOpen = [](const std::string& p) {
      const std::size_t f = p.rfind('f');
      const int i = std::stoi(p.substr(f + 1));
      if (i % 7 == 3) {
        if (i % 2 == 0) throw std::bad_alloc();
        throw std::runtime_error("damaged");
      }
    };
    TRecorder rec;
    TSearchRun tRun(rec, fs);
    TKtSearchThread& t = tRun.Worker();
    t.SetContentHelpers(helpers);
    t.SetRequest(Req("C:\\s", "*.*", "word", false));
    t.Resume();
    t.WaitFor();
    EXPECT_EQ(rec.Names(), expected) << helpers;
    EXPECT_EQ(t.FilesUnread(), 9) << helpers;
    EXPECT_TRUE(rec.Panels[3].ends_with(" \xE2\x80\x94 9 files couldn't be read")) << rec.Panels[3];
    EXPECT_EQ(t.ErrorMessage(), "") << helpers;
    EXPECT_TRUE(rec.Idle);
  }
}

// After Stop the panels describe exactly what was judged: every file up to the
// one the status names was tested to its end and listed if found, nothing
// after it, and the counters are the rows', however far the helpers had got.
TEST(SearchWalk, StopLeavesPanelsThatMatchTheRows) {
  // More files than the walk queues ahead of a test still running (a few
  // hundred), so a Stop while f1300 is read ends the walk before the last
  // file however the threads are scheduled.
  constexpr int kFiles = 2000;
  THookedFs fs;
  for (int i = 0; i < kFiles; ++i)
    fs.Add("C:\\s\\", std::string("f").append(std::to_string(1000 + i)), faArchive, i % 7 == 3 ? "hay" : "word");
  for (unsigned helpers : {0u, 3u}) {
    TRecorder rec;
    TSearchRun run(rec, fs);
    TKtSearchThread& t = run.Worker();
    t.SetContentHelpers(helpers);
    fs.OnOpen = [&](const std::string& p) {
      if (p == "C:\\s\\f1300") t.Terminate();
    };
    t.SetRequest(Req("C:\\s", "*", "word", false));
    t.Resume();
    t.WaitFor();
    const std::string status = rec.Panels[3];
    int last = -1;  // the status names the folder: no file was judged
    if (status != "(D) C:\\s\\") {
      ASSERT_EQ(status.rfind("(F) C:\\s\\f", 0), 0u) << status;
      last = std::stoi(status.substr(10)) - 1000;
    }
    Names judged;
    for (int i = 0; i <= last; ++i)
      if (i % 7 != 3) judged.push_back(std::string("f").append(std::to_string(1000 + i)));
    EXPECT_EQ(rec.Names(), judged) << helpers << " helpers";
    EXPECT_EQ(t.EntriesExamined(), last + 1);
    EXPECT_EQ(rec.Panels[0], std::to_string(last + 1));
    EXPECT_EQ(rec.Panels[1], std::to_string(judged.size()));
    EXPECT_LT(last, kFiles - 1);  // it did stop
    if (helpers == 0) {
      EXPECT_EQ(last, 300);  // the file being tested was finished, then the walk ended
    }
  }
}

// Whatever a routine on the owner's thread throws, the closing hand-over
// lands: the owner turns idle and hears the error.
TEST(SearchWalk, TheClosingHandOverAlwaysLands) {
  TFakeFileSystem fs;
  for (int i = 0; i < 5; ++i) fs.Add("C:\\e\\", std::string("f").append(std::to_string(i)), faArchive, "word");
  // A batch handed over without waiting fails, and the worker's next hand-over
  // is the closing one (stopped before it began: the first progress, then the end).
  struct : TRecorder {
    void ShowPanels(const TPanelTexts& p) override {
      if (PanelUpdates++ == 0) throw std::runtime_error("no room for panels");
      Panels = p;
    }
  } panels;
  TSearchRun first(panels, fs);
  first.Worker().SetRequest(Req("C:\\e", "*", "word", false));
  first.Worker().Terminate();
  first.Worker().Resume();
  first.Worker().WaitFor();
  EXPECT_TRUE(panels.Idle);
  EXPECT_EQ(panels.Errors, Names{"no room for panels"});
  EXPECT_EQ(panels.Panels[0], "0");  // the closing panels came all the same
  // Every row fails, whichever hand-over carries it.
  struct : TRecorder {
    void AddRow(const TFoundFile&) override { throw std::runtime_error("no room for rows"); }
  } rows;
  TSearchRun second(rows, fs);
  second.Worker().SetRequest(Req("C:\\e", "*", "word", false));
  second.Worker().Resume();
  second.Worker().WaitFor();
  EXPECT_TRUE(rows.Idle);
  EXPECT_EQ(rows.Errors, Names{"no room for rows"});
  EXPECT_EQ(rows.AnimationEvents, (std::vector<bool>{true, false}));
  // A panel routine fails mid-run, after rows have come: the error comes back
  // as the worker hands over the next batch, which ends the run, and every row
  // found still reaches the owner before it turns idle. (The failure waits for
  // rows, not for a count of hand-overs: on a busy machine the first few carry
  // no rows, and a run ended by them would find nothing.)
  TFakeFileSystem many;
  for (int i = 0; i < 20000; ++i) many.Add("C:\\m\\", std::string("f").append(std::to_string(100000 + i)), faArchive);
  struct : TRecorder {
    void ShowPanels(const TPanelTexts& p) override {
      if (!Rows.empty() && PanelUpdates++ == 0) throw std::runtime_error("panels failed");
      Panels = p;
    }
  } third;
  TSearchRun midRun(third, many);
  midRun.Delivery().SetInterval(std::chrono::milliseconds(1));
  midRun.Worker().SetRequest(Req("C:\\m", "*", "", false));
  midRun.Worker().Resume();
  midRun.Worker().WaitFor();
  EXPECT_EQ(third.Errors, Names{"panels failed"});
  EXPECT_TRUE(third.Idle);
  EXPECT_GT(midRun.Worker().FilesFound(), 0);
  EXPECT_EQ(static_cast<std::int64_t>(third.Rows.size()), midRun.Worker().FilesFound());
  EXPECT_EQ(third.Panels[1], std::to_string(third.Rows.size()));
  for (std::size_t i = 0; i < third.Rows.size(); ++i)
    ASSERT_EQ(third.Rows[i].Caption, std::string("f").append(std::to_string(100000 + i)));
}

// Tests spread over helper threads take longer or shorter by file; the rows,
// their order and the panels are still those of a search on one thread. A
// test that fails on a helper ends the run with its message, without a hang.
TEST(SearchWalk, ContentTestsOnSeveralThreadsKeepWalkOrder) {
  THookedFs fs;
  std::string folder = "C:\\t\\";
  for (int i = 0; i < 400; ++i) {
    if (i % 50 == 0) {
      fs.Add(folder, "sub", faDirectory);
      folder += "sub\\";
    }
    std::string text(static_cast<std::size_t>((i * 7919) % 5 == 0 ? 300000 : 40 + i), 'x');
    if (i % 3 != 1) text.replace(text.size() - 6, 6, "Needle");
    fs.Add(folder, std::string("f").append(std::to_string(i)), faArchive, text);
  }
  TRun run{"C:\\t", "*", "needle", true};
  auto searchWith = [&](unsigned helpers, TRecorder& rec) {
    TSearchRun tRun(rec, fs);
    TKtSearchThread& t = tRun.Worker();
    t.SetContentHelpers(helpers);
    t.SetRequest(Req(run.Folder, run.Mask, run.Words, run.Recursive));
    t.Resume();
    t.WaitFor();
    return std::array<std::int64_t, 3>{t.EntriesExamined(), t.FilesFound(), t.KBFound()};
  };
  TRecorder one, three;
  const auto counts = searchWith(0, one);
  EXPECT_EQ(searchWith(3, three), counts);
  ASSERT_EQ(one.Rows.size(), 267u);
  ASSERT_EQ(three.Rows.size(), one.Rows.size());
  for (std::size_t i = 0; i < one.Rows.size(); ++i) {
    EXPECT_EQ(three.Rows[i].Caption, one.Rows[i].Caption);
    EXPECT_EQ(three.Rows[i].SubItems, one.Rows[i].SubItems);
  }
  EXPECT_EQ(three.Panels, one.Panels);

  fs.OnOpen = [](const std::string& p) {
    if (p.ends_with("\\f200")) throw std::runtime_error("disk gone");
  };
  TRecorder failed;
  TSearchRun tRun(failed, fs);
  TKtSearchThread& t = tRun.Worker();
  t.SetContentHelpers(3);
  t.SetRequest(Req(run.Folder, run.Mask, run.Words, run.Recursive));
  t.Resume();
  t.WaitFor();
  // One file's failure is passed over, counted; the rest are all judged.
  EXPECT_EQ(t.ErrorMessage(), "");
  EXPECT_EQ(t.FilesUnread(), 1);
  EXPECT_TRUE(failed.Idle);
  EXPECT_GE(failed.Rows.size() + 1, one.Rows.size());
}

// A share, as a test writes it down: folders whose path starts with "\\"
// are remote, unless it stands for a local disk. Its readers note the longest
// read they were asked for, and on a cold disk every read waited for it.
class TShareFs : public TFakeFileSystem {
 public:
  std::atomic<std::size_t> LongestRead{0};
  bool Remote = true;
  bool ColdDisk = false;

  bool IsRemote(const std::string& folder) override { return Remote && folder.rfind("\\\\", 0) == 0; }

  std::unique_ptr<IContentsReader> NewContentsReader() override {
    struct R : IContentsReader {
      TShareFs& Fs;
      std::unique_ptr<IContentsReader> Inner;
      explicit R(TShareFs& fs) : Fs(fs), Inner(fs.TFakeFileSystem::NewContentsReader()) {}
      TReadWaits Reads;
      bool Open(const std::string& p) override {
        Reads = {};
        return Inner->Open(p);
      }
      std::uint64_t Size() const override { return Inner->Size(); }
      const std::uint8_t* Map(std::uint64_t o, std::size_t l) override {
        std::size_t longest = Fs.LongestRead;
        while (l > longest && !Fs.LongestRead.compare_exchange_weak(longest, l)) {
        }
        ++Reads.Reads;
        if (Fs.ColdDisk) ++Reads.Waited;
        return Inner->Map(o, l);
      }
      bool Faulted() const override { return false; }
      void Close() override { Inner->Close(); }
      TReadWaits Waits() const override { return Reads; }
    };
    return std::make_unique<R>(*this);
  }
};

// A folder on a share, or on a local disk whose reads wait, is searched by
// more helpers than there are cores (they wait on the network or the disk),
// unless the count was set, with far more files queued than the default
// helpers reach, and large files are read in parts on a share. Rows, their
// order and the panels are still those of a search on one thread.
TEST(SearchWalk, SharesAndColdDisksAreSearchedByManyHelpersInWalkOrder) {
  TShareFs fs;
  const std::string share = "\\\\srv\\share\\t\\";
  constexpr std::size_t kLarge = 3'000'000;
  std::string folder = share;
  for (int i = 0; i < 3000; ++i) {
    if (i % 100 == 0) {
      fs.Add(folder, "sub", faDirectory);
      folder += "sub\\";
    }
    std::string text(static_cast<std::size_t>(i % 997 == 0 ? kLarge : 20 + i % 50), 'x');
    // In a large file, across the end of a first read of 256 KiB.
    const std::size_t at = text.size() == kLarge ? (std::size_t{1} << 18) - 3 : 0;
    if (i % 3 != 1) text.replace(at, 6, "Needle");
    fs.Add(folder, std::string("f").append(std::to_string(i)), faArchive, text);
  }
  fs.Add("C:\\", "local.txt", faArchive, "needle");

  struct TResult {
    TRecorder Rec;
    unsigned Helpers = 0;
    std::array<std::int64_t, 3> Counts{};
  };
  auto searchWith = [&](const std::string& start, std::optional<unsigned> helpers) {
    auto result = std::make_unique<TResult>();
    TSearchRun tRun(result->Rec, fs);
    TKtSearchThread& t = tRun.Worker();
    if (helpers) t.SetContentHelpers(*helpers);
    t.SetRequest(Req(start, "*", "needle", true));
    t.Resume();
    t.WaitFor();
    result->Helpers = t.ContentHelpersUsed();
    result->Counts = {t.EntriesExamined(), t.FilesFound(), t.KBFound()};
    return result;
  };

  const auto one = searchWith(share, 0u);
  ASSERT_EQ(one->Rec.Rows.size(), 2000u);
  auto expectSameRows = [&](const TResult& many) {
    EXPECT_EQ(many.Counts, one->Counts);
    ASSERT_EQ(many.Rec.Rows.size(), one->Rec.Rows.size());
    for (std::size_t i = 0; i < one->Rec.Rows.size(); ++i) {
      EXPECT_EQ(many.Rec.Rows[i].Caption, one->Rec.Rows[i].Caption);
      EXPECT_EQ(many.Rec.Rows[i].SubItems, one->Rec.Rows[i].SubItems);
    }
    EXPECT_EQ(many.Rec.Panels, one->Rec.Panels);
  };
  fs.LongestRead = 0;
  const auto many = searchWith(share, std::nullopt);
  EXPECT_GT(many->Helpers, DefaultContentHelpers());
  EXPECT_EQ(many->Helpers, RemoteContentHelpers());
  EXPECT_LT(fs.LongestRead.load(), kLarge);
  expectSameRows(*many);

  // The same tree on a local disk: while its reads come from memory the
  // default helpers search it; while they wait for the disk, helpers are
  // added (how far depends on whether they make the reads faster, see
  // ReadPaceTest), with the same rows.
  fs.Remote = false;
  const auto warm = searchWith(share, std::nullopt);
  EXPECT_EQ(warm->Helpers, DefaultContentHelpers());
  expectSameRows(*warm);
  fs.ColdDisk = true;
  const auto cold = searchWith(share, std::nullopt);
  EXPECT_GT(cold->Helpers, DefaultContentHelpers());
  expectSameRows(*cold);
  EXPECT_EQ(searchWith(share, 1u)->Helpers, 1u);
  fs.Remote = true;
  fs.ColdDisk = false;

  // A count that was set holds on a share too, and a local folder keeps the default.
  EXPECT_EQ(searchWith(share, 2u)->Helpers, 2u);
  const auto local = searchWith("C:\\", std::nullopt);
  EXPECT_EQ(local->Helpers, DefaultContentHelpers());
  EXPECT_EQ(local->Rec.Names(), Names{"local.txt"});
}

TEST(SearchWalk, PauseHaltsRowsAndContinuesWhereItStood) {
  TFakeFileSystem fs;
  for (int i = 0; i < 300; ++i) fs.Add("C:\\p\\", std::string("f").append(std::to_string(1000 + i)), faArchive, "x");
  TRecorder rec;
  TSearchRun tRun(rec, fs);
  TKtSearchThread& t = tRun.Worker();
  tRun.Delivery().SetInterval(std::chrono::milliseconds(0));  // a hand-over per entry: pause meets one in flight
  t.SetRequest(Req("C:\\p", "*.*", "", false));
  t.Resume();
  while (rec.Rows.size() < 20) t.CheckSynchronize();
  t.Suspend();
  // What was already on its way may still arrive; then nothing more.
  for (int i = 0; i < 10; ++i) {
    t.CheckSynchronize();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const std::size_t rows = rec.Rows.size();
  const int updates = rec.PanelUpdates;
  for (int i = 0; i < 20; ++i) {
    t.CheckSynchronize();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_EQ(rec.Rows.size(), rows);
  EXPECT_EQ(rec.PanelUpdates, updates);
  t.Resume();
  t.WaitFor();
  ASSERT_EQ(rec.Rows.size(), 300u);
  for (int i = 0; i < 300; ++i) EXPECT_EQ(rec.Rows[i].Caption, std::string("f").append(std::to_string(1000 + i)));
}

// ---- the real file system -------------------------------------------------

// The platform's file system, with a call when the finder opens a file.
class TWatchedFs : public IFileSystem {
 public:
  std::function<void(const std::string&)> OnOpen;
  char Delimiter() const override { return Fs.Delimiter(); }
  std::unique_ptr<IDirEnum> FindFirst(const std::string& f, const std::string& m, std::uint32_t a, bool o) override {
    return Fs.FindFirst(f, m, a, o);
  }
  bool IsFileLocked(const std::string& p) override { return Fs.IsFileLocked(p); }
  bool FillDetails(const std::string& p, TDirEntry& e) override { return Fs.FillDetails(p, e); }
  bool FolderIdentity(const std::string& f, TFolderId& id) override { return Fs.FolderIdentity(f, id); }
  int SmallIconIndex(const std::string& p) override { return Fs.SmallIconIndex(p); }
  std::unique_ptr<IContentsReader> NewContentsReader() override {
    struct R : IContentsReader {
      TWatchedFs& Owner;
      std::unique_ptr<IContentsReader> Inner;
      explicit R(TWatchedFs& o) : Owner(o), Inner(o.Fs.NewContentsReader()) {}
      bool Open(const std::string& p) override {
        if (Owner.OnOpen) Owner.OnOpen(p);
        return Inner->Open(p);
      }
      std::uint64_t Size() const override { return Inner->Size(); }
      const std::uint8_t* Map(std::uint64_t o, std::size_t l) override { return Inner->Map(o, l); }
      bool Faulted() const override { return Inner->Faulted(); }
      void Close() override { Inner->Close(); }
    };
    return std::make_unique<R>(*this);
  }
  IFileSystem& Fs = NativeFileSystem();
};

// Stop and Pause take effect inside a large file, between the spans of its scan:
// a file cut short by Stop is not found; after a pause the scan goes on and finds it.
TEST(SearchDisk, StopAndPauseReachIntoALargeFile) {
  test::TTestFolder dir;
  const std::string big = dir.SizedFile("big.bin", std::uint64_t{96} << 20);
  {
    std::ofstream tail(big, std::ios::binary | std::ios::app);
    tail << "needle";  // at the very end: only a whole scan finds it
  }
  dir.File("small.txt", "a needle");
  for (bool pause : {false, true}) {
    TWatchedFs fs;
    TRecorder rec;
    TSearchRun tRun(rec, fs);
    TKtSearchThread& t = tRun.Worker();
    fs.OnOpen = [&](const std::string& p) {
      if (p != big) return;
      if (pause)
        t.Suspend();
      else
        t.Terminate();
    };
    t.SetRequest(Req(dir.Root(), "*.*", "needle", false));
    t.Resume();
    if (pause) {
      // Serve the worker's hand-overs until it has paused in the big file, and a while longer.
      while (!t.Suspended() && !t.Finished()) t.CheckSynchronize();
      for (int i = 0; i < 100; ++i) {
        t.CheckSynchronize();
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
      }
      EXPECT_FALSE(t.Finished()) << "halted inside the file";
      t.Resume();
    }
    t.WaitFor();
    const Names names = rec.Names();
    EXPECT_EQ(std::count(names.begin(), names.end(), "big.bin"), pause ? 1 : 0) << "pause " << pause;
    EXPECT_EQ(t.CutShort(), !pause);
  }
}

#ifdef _WIN32
void SetAttr(const std::string& path, DWORD attr) { SetFileAttributesW(Widen(path).c_str(), attr); }
#endif

// The folder texts that name nothing to search, on the real file system.
TEST(SearchDisk, FolderTextsThatNameNoFolder) {
  test::TTestFolder dir;
  const std::string file = dir.File("plain.txt", "needle");
  const std::string delimiter(1, NativeFileSystem().Delimiter());
  std::vector<std::pair<std::string, std::string>> cases = {
      {file, "Not a folder: " + file},
      {file + delimiter, "Not a folder: " + file + delimiter},
      {dir.Root() + delimiter + "gone", "Folder not found: " + dir.Root() + delimiter + "gone"},
      {dir.Root(), ""},
  };
#ifdef _WIN32
  for (wchar_t letter = L'Y'; letter > L'D'; --letter) {
    const wchar_t root[] = {letter, L':', L'\\', L'\0'};
    if (GetDriveTypeW(root) != DRIVE_NO_ROOT_DIR) continue;
    const std::string drive = Narrow(root, 2);
    cases.push_back({drive + "\\data", "Drive not found: " + drive});
    break;
  }
#endif
  for (const auto& [folder, error] : cases) {
    TRecorder rec;
    auto t = Search(NativeFileSystem(), rec, {folder, "*.*", "needle"});
    EXPECT_EQ(t->ErrorMessage(), error) << folder;
    EXPECT_EQ(rec.Rows.size(), error.empty() ? 1u : 0u) << folder;
  }
}

TEST(SearchDisk, FolderOfThreeFiles) {
  test::TTestFolder dir;
  dir.File("one.txt", "alpha");
  dir.File("two.txt", std::string(1536, 'b'));
  dir.File("three.dat", "gamma needle");
  TRecorder rec;
  auto t = Search(NativeFileSystem(), rec, {dir.Root(), "*.*", "", false});
  EXPECT_EQ(t->EntriesExamined(), 5);
  EXPECT_EQ(t->FilesFound(), 3);
  EXPECT_EQ(t->KBFound(), 1);
  dir.File("sub/inner.txt", "needle");
  TRecorder rec2;
  auto t2 = Search(NativeFileSystem(), rec2, {dir.Root() + test::Delim(), "*.*", "", false});
  EXPECT_EQ(t2->EntriesExamined(), 6);
  EXPECT_EQ(t2->FilesFound(), 3);
  TRecorder rec3;
  auto t3 = Search(NativeFileSystem(), rec3, {dir.Root(), "*.*", "NEEDLE", true});
  ASSERT_EQ(rec3.Names(), (Names{"three.dat", "inner.txt"}));
  EXPECT_EQ(rec3.Rows[1].SubItems[0], dir.Path("sub") + test::Delim());
  EXPECT_EQ(rec3.Rows[0].SubItems[1], "12");
  TRecorder rec4;
  Search(NativeFileSystem(), rec4, {dir.Root(), "*.TXT", "", true});
  EXPECT_EQ(rec4.Rows.size(), 3u);
}

TEST(SearchDisk, HiddenFoldersAreWalkedAndNamesKeepTheirCharacters) {
  test::TTestFolder dir;
  const std::string hidden = dir.Folder(".secret");
  dir.File(".secret/inside.txt", "x");
  const std::string name = "caf\xC3\xA9-\xE6\x97\xA5\xE6\x9C\xAC.txt";  // outside the ANSI code page
  dir.File(name, "unicode name");
#ifdef _WIN32
  SetAttr(hidden, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
  const std::string sys = dir.Folder("sysdir");
  dir.File("sysdir/never.txt", "x");
  SetAttr(sys, FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY);
#endif
  TRecorder rec;
  Search(NativeFileSystem(), rec, {dir.Root(), "*.txt", "name", true});
  EXPECT_EQ(rec.Names(), Names{name});
  TRecorder all;
  Search(NativeFileSystem(), all, {dir.Root(), "*.txt", "", true});
  Names names = all.Names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (Names{name, "inside.txt"}));
}

// On the real file system the folders to skip are matched as the system
// compares names: without regard to case, accented and Greek letters too, a
// hidden folder like any other.
TEST(SearchDisk, SkippedFoldersByNameAndMaskInAnyCase) {
  test::TTestFolder dir;
  dir.File("top.txt", "x");
  dir.File(".git/objects/a.txt", "x");
  dir.File("\xC3\x9C" "ber/u.txt", "x");  // Über
  dir.File("keep/k.txt", "x");
  dir.File("keep/NODE_MODULES/pkg/n.txt", "x");
  dir.File("keep/\xCE\xA3\xCE\xA9\xCE\x9C\xCE\x91/s.txt", "x");  // ΣΩΜΑ
  dir.File("keep/deeper/.GIT/g.txt", "x");
  dir.File("keep/deeper/d.txt", "x");
#ifdef _WIN32
  SetAttr(dir.Path(".git"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
#endif
  TRun run{dir.Root(), "*.txt", "", true};
  run.Skip = ".git; node_modules;\xC3\xBC*; \xCF\x83\xCF\x89??";  // .git; node_modules; ü*; σω??
  TRecorder rec;
  auto t = Search(NativeFileSystem(), rec, run);
  EXPECT_EQ(t->ErrorMessage(), "");
  Names names = rec.Names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (Names{"d.txt", "k.txt", "top.txt"}));
  EXPECT_EQ(t->EntriesExamined(), 3);
}

TEST(SearchDisk, LockedFilesAreCountedNotListed) {
  test::TTestFolder dir;
  dir.File("free.txt", "needle");
#ifdef _WIN32
  const std::string locked = dir.File("locked.txt", "needle");
  UniqueFile hold(CreateFileW(Widen(locked).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(hold);
  EXPECT_TRUE(IsFileLocked(locked));
  // Held open with sharing, a file is still locked, also one too large to be read whole.
  const std::string big = dir.File("big.txt", std::string(100000, 'x').append("needle"));
  UniqueFile holdShared(CreateFileW(Widen(big).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holdShared);
  EXPECT_TRUE(IsFileLocked(big));
  const int entries = 3;
#else
  // A FIFO can't be searched; it must neither block the walk nor be listed.
  const std::string fifo = dir.Path("pipe.txt");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_TRUE(IsFileLocked(fifo));
  const int entries = 2;
#endif
  EXPECT_FALSE(IsFileLocked(dir.Path("free.txt")));
  EXPECT_FALSE(IsFileLocked(dir.Path("missing.txt")));
  for (const std::string& words : {std::string(), std::string("needle")}) {
    TRecorder rec;
    auto t = Search(NativeFileSystem(), rec, {dir.Root(), "*.txt", words});
    EXPECT_EQ(rec.Names(), Names{"free.txt"});
    EXPECT_EQ(t->EntriesExamined(), entries);
  }
}

// Hard links and folder links reach one file by several paths, and helper
// threads open those paths at once (a found .lnk also through the shell, for
// its icon): the locked test is about other programs, so every path is found,
// and rows, counters and panels are those of a search on one thread.
TEST(SearchDisk, FilesReachedBySeveralPathsAreFoundOnEveryThread) {
  test::TTestFolder dir;
  dir.File("hard/a.txt", "a needle");
  dir.File("hard/b.txt", std::string(std::size_t{9} << 20, 'x').append(" needle"));  // read in spans
  for (int i = 0; i < 40; ++i) dir.HardLink("hard/a" + std::to_string(i) + (i % 4 ? ".txt" : ".lnk"), "hard/a.txt");
  for (int i = 0; i < 6; ++i) dir.HardLink("hard/b" + std::to_string(i) + ".txt", "hard/b.txt");
  dir.File("real/c.txt", "needle");
  for (int i = 0; i < 20; ++i) dir.FolderLink("link" + std::to_string(i), "real");
  for (const std::string& words : {std::string("needle"), std::string()}) {
    auto searchWith = [&](unsigned helpers) {
      TRecorder rec;
      TSearchRun run(rec);
      TKtSearchThread& t = run.Worker();
      t.SetContentHelpers(helpers);
      TSearchRequest request = Req(dir.Root(), "*", words, true);
      request.Icons = true;
      t.SetRequest(request);
      t.Resume();
      t.WaitFor();
      std::vector<std::string> rows;
      for (const TResultRow& r : rec.Rows) {
        std::string row = r.Caption + "|" + std::to_string(r.ImageIndex);
        for (const std::string& s : r.SubItems) row += "|" + s;
        rows.push_back(row);
      }
      rows.insert(rows.end(), rec.Panels.begin(), rec.Panels.end());
      return rows;
    };
    searchWith(0);  // the first read of a file may move its access time, which the rows show
    const auto one = searchWith(0);
    ASSERT_EQ(one.size(), 1 + 40 + 1 + 6 + 1 + 20 + 4u) << words;
    for (int run = 0; run < 4; ++run) {
      const auto four = searchWith(4);
      EXPECT_TRUE(four == one) << "words \"" << words << "\", run " << run << ": " << four.size() - 4 << " rows of "
                               << one.size() - 4;
    }
  }
}

#ifndef _WIN32
// Links to folders are followed, but a link back up the tree is never entered twice.
TEST(SearchDisk, LinkLoopsEndAndLinkedFoldersAreSearched) {
  test::TTestFolder dir;
  test::TTestFolder other;
  dir.File("a/one.txt", "x");
  other.File("two.txt", "x");
  std::filesystem::create_directory_symlink(dir.Root(), dir.Path("a/up"));
  std::filesystem::create_directory_symlink(other.Root(), dir.Path("a/elsewhere"));
  TRecorder rec;
  Search(NativeFileSystem(), rec, {dir.Root(), "*.txt", "", true});
  Names names = rec.Names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (Names{"one.txt", "two.txt"}));
}
#endif

// Files whose names the system's path rules would change (or whose paths are
// too long for them), made and removed through the literal form on Windows,
// as they are elsewhere. They go before the folder holding them, whose own
// removal takes only plain paths.
class TOddFiles {
 public:
  explicit TOddFiles(test::TTestFolder& dir) : Dir_(dir) {}
  TOddFiles(const TOddFiles&) = delete;
  TOddFiles& operator=(const TOddFiles&) = delete;
#ifdef _WIN32
  ~TOddFiles() { Remove(Literal(Dir_.Root())); }

  void File(const std::string& relative, const std::string& bytes) {
    const std::wstring path = Literal(Dir_.Path(relative));
    for (std::size_t at = Literal(Dir_.Root()).size(); (at = path.find(L'\\', at + 1)) != std::wstring::npos;)
      CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    const UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file) << Dir_.Path(relative);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  }

 private:
  static std::wstring Literal(const std::string& path) { return L"\\\\?\\" + Widen(path); }

  // Everything inside `folder`, depth first.
  static void Remove(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    const UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!find) return;
    do {
      const std::wstring name = data.cFileName, path = folder + L"\\" + name;
      if (name == L"." || name == L"..") continue;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        Remove(path);
        RemoveDirectoryW(path.c_str());
      } else {
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find.get(), &data));
  }
#else
  void File(const std::string& relative, const std::string& bytes) { Dir_.File(relative, bytes); }
#endif

 private:
  test::TTestFolder& Dir_;
};

// Names that end in a dot or a blank, names of devices and a folder "sub."
// beside "sub" are each reached as the entry the listing gave, and shown as
// they are.
TEST(SearchDisk, NamesTheSystemWouldChangeAreReadAsThemselves) {
  test::TTestFolder dir;
  TOddFiles odd(dir);
  const std::string d(1, test::Delim());
  odd.File("doc.txt ", "the word");
  dir.File("doc.txt", "nothing");
  odd.File("memo.txt.", "nothing");
  dir.File("memo.txt", "the word");
  for (const char* device : {"CON", "aux.txt", "nul.txt", "COM1.log"}) odd.File(device, "word");
  odd.File("sub./dotted.txt", "word");
  dir.File("sub/plain.txt", "word");
  TRecorder rec;
  Search(NativeFileSystem(), rec, {dir.Root(), "*", "word", true});
  std::vector<std::string> found;
  for (const TResultRow& row : rec.Rows) found.push_back(row.SubItems[0] + row.Caption);
  std::sort(found.begin(), found.end());
  const std::string root = dir.Root() + d;
  std::vector<std::string> expected = {root + "COM1.log", root + "CON",      root + "aux.txt",
                                       root + "doc.txt ", root + "memo.txt", root + "nul.txt",
                                       root + "sub." + d + "dotted.txt", root + "sub" + d + "plain.txt"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(found, expected);
  // Without words every file is listed once, the device names too.
  TRecorder all;
  Search(NativeFileSystem(), all, {dir.Root(), "*", "", true});
  EXPECT_EQ(all.Rows.size(), 10u);
}

// A file deep in a tree is reached from every form of the start folder, and the
// rows show the folder as typed (without a "\\?\" prefix).
TEST(SearchDisk, DeepFilesFromEveryFormOfTheFolder) {
  test::TTestFolder dir;
  TOddFiles odd(dir);
  std::string deep;
  while (dir.Root().size() + deep.size() < 500) deep += std::string(40, 'd') + "/";
  dir.File("shallow.txt", "needle");
  const std::string deepFile = dir.Path(deep + "deep-file-of-the-tree.txt");
  odd.File(deep + "deep-file-of-the-tree.txt", "needle");
  ASSERT_GE(deepFile.size(), 520u);
  std::vector<std::pair<std::string, std::string>> forms = {{dir.Root(), dir.Root()}};
#ifdef _WIN32
  forms.push_back({"\\\\?\\" + dir.Root(), dir.Root()});
  forms.push_back({"\\\\.\\" + dir.Root(), "\\\\.\\" + dir.Root()});
#endif
  for (const auto& [typed, shown] : forms) {
    TRecorder rec;
    auto t = Search(NativeFileSystem(), rec, {typed, "*.txt", "needle", true});
    EXPECT_EQ(t->ErrorMessage(), "") << typed;
    ASSERT_EQ(rec.Names(), (Names{"shallow.txt", "deep-file-of-the-tree.txt"})) << typed;
    EXPECT_EQ(rec.Rows[0].SubItems[0], shown + test::Delim()) << typed;
    EXPECT_EQ(rec.Rows[1].SubItems[0] + rec.Rows[1].Caption, shown + deepFile.substr(dir.Root().size())) << typed;
  }
#ifdef _WIN32
  // A drive that isn't there is named in every form.
  for (wchar_t letter = L'Y'; letter > L'D'; --letter) {
    const wchar_t root[] = {letter, L':', L'\\', L'\0'};
    if (GetDriveTypeW(root) != DRIVE_NO_ROOT_DIR) continue;
    const std::string drive = Narrow(root, 2);
    for (const std::string prefix : {"", "\\\\?\\", "\\\\.\\"})
      EXPECT_EQ(RequestProblem(NativeFileSystem(), Req(prefix + drive + "\\data", "*.*", "", false)),
                "Drive not found: " + drive);
    break;
  }
#endif
}

#ifndef _WIN32
// A start folder the user may not list, or may list but not enter, refuses the
// search and says why; as root the test looks through the eyes of "nobody".
TEST(SearchDisk, UnreadableStartFoldersSaySo) {
  test::TTestFolder dir;
  chmod(dir.Root().c_str(), 0755);
  const std::string noList = dir.Folder("no-list"), noEntry = dir.Folder("no-entry"), open = dir.Folder("open");
  dir.File("no-list/a.txt", "x");
  dir.File("no-entry/a.txt", "x");
  chmod(noList.c_str(), 0711);   // others may enter it, not list it
  chmod(noEntry.c_str(), 0744);  // others may list it, not enter it
  const std::vector<std::string> folders = {noList, noEntry, noEntry + "/", open, dir.Path("gone")};
  auto problems = [&] {
    std::string all;
    for (const std::string& folder : folders)
      all += RequestProblem(NativeFileSystem(), Req(folder, "*.*", "", false)) + "\n";
    return all;
  };
  std::string seen;
  if (geteuid() != 0) {
    seen = problems();
  } else {
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(pipeFds[0]);
      if (setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) _exit(2);
      const std::string all = problems();
      const bool written = write(pipeFds[1], all.data(), all.size()) == static_cast<ssize_t>(all.size());
      _exit(written ? 0 : 3);
    }
    close(pipeFds[1]);
    char buffer[4096];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
      seen.append(buffer, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  EXPECT_EQ(seen, "Can't read folder: " + noList + "\nCan't read folder: " + noEntry + "\nCan't read folder: " +
                      noEntry + "/\n\nFolder not found: " + dir.Path("gone") + "\n");
}
#endif

}  // namespace
}  // namespace sorvik
