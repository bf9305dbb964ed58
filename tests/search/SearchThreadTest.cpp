#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <filesystem>
#include <thread>

#include "FakeFileSystem.h"
#include "TestFolder.h"
#include "uFindThread.h"

#ifdef _WIN32
#include <windows.h>

#include "Win32Handles.h"
#include "WinText.h"
#else
#include <sys/stat.h>
#endif

namespace sorvik {
namespace {

using test::TFakeFileSystem;

class TRecorder : public ISearchWindow, public IResultList {
 public:
  void ShowPanels(const std::array<std::string, 4>& p) override {
    Panels = p;
    ++PanelUpdates;
  }
  void SetAnimationActive(bool a) override { AnimationEvents.push_back(a); }
  void SetSearchIdle() override { Idle = true; }
  void AddRow(const TFoundFile& file) override { Rows.push_back(MakeResultRow(file)); }

  std::vector<std::string> Names() const {
    std::vector<std::string> n;
    for (const auto& r : Rows) n.push_back(r.Caption);
    return n;
  }

  std::array<std::string, 4> Panels;
  int PanelUpdates = 0;
  std::vector<bool> AnimationEvents;
  bool Idle = false;
  std::vector<TResultRow> Rows;
};

struct TRun {
  TRun(std::string folder, std::string mask = "*.*", std::string words = "", bool recursive = false,
       bool caseSensitive = false)
      : Folder(std::move(folder)), Mask(std::move(mask)), Words(std::move(words)), Recursive(recursive),
        CaseSensitive(caseSensitive) {}
  std::string Folder, Mask, Words;
  bool Recursive, CaseSensitive;
  bool WholeWords = false;
  std::uint8_t Mode = 0;
};

// Runs one search to its end on this (the owner's) thread.
std::unique_ptr<TKtSearchThread> Search(IFileSystem& fs, TRecorder& rec, const TRun& r, bool withList = true) {
  auto t = std::make_unique<TKtSearchThread>(&rec, fs);
  t->Request.Folder = r.Folder;
  t->Request.Mask = r.Mask;
  t->Request.Words = r.Words;
  t->Request.Recursive = r.Recursive;
  t->Request.CaseSensitive = r.CaseSensitive;
  t->Request.WholeWords = r.WholeWords;
  t->Request.MatchMode = r.Mode;
  t->Request.ResultList = withList ? &rec : nullptr;
  t->Request.Icons = true;
  t->Resume();
  t->WaitFor();
  return t;
}

using Names = std::vector<std::string>;

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
  EXPECT_EQ(rec.Panels[2], "   0.002 MB");
  EXPECT_EQ(rec.Panels[3], "(F) C:\\data\\c.log");  // the last status stays
  EXPECT_EQ(rec.AnimationEvents, (std::vector<bool>{true, false}));
  EXPECT_TRUE(rec.Idle);
  // Progress travels in few hand-overs: the start, now and then, and the end.
  EXPECT_GE(rec.PanelUpdates, 2);
  EXPECT_LE(rec.PanelUpdates, 1 + 1 + 5 + 1);
  EXPECT_TRUE(t->ErrorMessage().empty());
  // Without an interval, one after every entry: the start, the folder, five entries, the end.
  TRecorder each;
  TKtSearchThread u(&each, fs);
  u.SetDeliveryInterval(std::chrono::milliseconds(0));
  u.Request = {"C:\\data", "*.*", "", false, &each, false, 0, false};
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
  // An empty mask matches nothing, but subfolders are still walked.
  fs.Add("C:\\dir.txt\\", "deep.txt", faArchive);
  TRecorder d;
  auto t4 = Search(fs, d, {"C:\\", "", "", true});
  EXPECT_EQ(t4->EntriesExamined(), 0);
  EXPECT_EQ(fs.Listed.back(), "C:\\dir.txt\\*.*");
  TRecorder e;
  auto t5 = Search(fs, e, {"C:\\missing"});
  EXPECT_EQ(t5->EntriesExamined(), 0);
  EXPECT_TRUE(e.Idle);
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

TEST(SearchWalk, TooLongWordEndsTheRunQuietly) {
  TFakeFileSystem fs;
  fs.Add("C:\\x\\", "a.txt", faArchive, "abc");
  TRecorder rec;
  auto t = Search(fs, rec, {"C:\\x", "*.*", std::string(256, 'w')});
  EXPECT_EQ(t->ErrorMessage(), "Length of text to be found must be 255 characters or less");
  EXPECT_TRUE(rec.Rows.empty());
  EXPECT_TRUE(rec.Idle);
  EXPECT_EQ(rec.Panels, (std::array<std::string, 4>{"0", "0", "   0.000 MB", ""}));
  EXPECT_TRUE(rec.AnimationEvents == std::vector<bool>{false});  // it never started
  // Without a results list nothing is walked, but the run still closes.
  TRecorder none;
  auto t2 = Search(fs, none, {"C:\\x"}, false);
  EXPECT_EQ(t2->EntriesExamined(), 0);
  EXPECT_TRUE(none.Idle);
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
  TKtSearchThread t(&rec, fs);
  t.SetContentHelpers(0);  // every test on the worker: nothing runs ahead of f3
  fs.OnOpen = [&](const std::string& p) {
    if (p == "C:\\s\\f3.txt") t.Terminate();  // arrives while f3 is being searched
  };
  t.Request = {"C:\\s", "*.*", "word", false, &rec, false, 0, false};
  t.Resume();
  t.WaitFor();
  EXPECT_EQ(rec.Names(), (Names{"f0.txt", "f1.txt", "f2.txt", "f3.txt"}));
  EXPECT_EQ(t.EntriesExamined(), 4);
  EXPECT_TRUE(rec.Idle);
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
    TKtSearchThread t(&rec, fs);
    t.SetContentHelpers(helpers);
    t.Request = {run.Folder, run.Mask, run.Words, run.Recursive, &rec, false, 0, false};
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
  TKtSearchThread t(&failed, fs);
  t.SetContentHelpers(3);
  t.Request = {run.Folder, run.Mask, run.Words, run.Recursive, &failed, false, 0, false};
  t.Resume();
  t.WaitFor();
  EXPECT_EQ(t.ErrorMessage(), "disk gone");
  EXPECT_TRUE(failed.Idle);
  EXPECT_LT(failed.Rows.size(), one.Rows.size());
}

TEST(SearchWalk, PauseHaltsRowsAndContinuesWhereItStood) {
  TFakeFileSystem fs;
  for (int i = 0; i < 300; ++i) fs.Add("C:\\p\\", std::string("f").append(std::to_string(1000 + i)), faArchive, "x");
  TRecorder rec;
  TKtSearchThread t(&rec, fs);
  t.SetDeliveryInterval(std::chrono::milliseconds(0));  // a hand-over per entry: pause meets one in flight
  t.Request = {"C:\\p", "*.*", "", false, &rec, false, 0, false};
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
    TKtSearchThread t(&rec, fs);
    fs.OnOpen = [&](const std::string& p) {
      if (p != big) return;
      if (pause)
        t.Suspend();
      else
        t.Terminate();
    };
    t.Request = {dir.Root(), "*.*", "needle", false, &rec, false, 0, false};
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
      TKtSearchThread t(&rec, NativeFileSystem());
      t.SetContentHelpers(helpers);
      t.Request = {dir.Root(), "*", words, true, &rec, false, 0, false};
      t.Request.Icons = true;
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

}  // namespace
}  // namespace sorvik
