#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "FakeFileSystem.h"
#include "SearchRecorder.h"
#include "TestFolder.h"
#include "uFileConditions.h"
#include "uFindThread.h"

#ifdef _WIN32
#include <windows.h>

#include "Win32Handles.h"
#include "WinText.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace sorvik {
namespace {

std::unique_ptr<TKtMatcher> Row(const std::string& kind, const std::string& op, const std::string& value,
                                double now = 99999.5) {
  return MakeConditionMatcher(kind, op, value, ReadIsoDate, now);
}

double Date(const char* iso) { return *ReadIsoDate(iso); }

TDirEntry Sized(std::int64_t size) {
  TDirEntry e;
  e.Size = size;
  return e;
}

TDirEntry Written(TStamp local) {
  TDirEntry e;
  e.LocalWrite = local;
  return e;
}

bool Holds(TKtMatcher& m, const TDirEntry& e) {
  m.LoadFileValue(e);
  return m.Evaluate();
}

TEST(FileConditions, SizeBoundariesIn64Bits) {
  auto zero = Row("Size (KB)", "equals", "0");
  EXPECT_TRUE(Holds(*zero, Sized(0)));
  EXPECT_TRUE(Holds(*zero, Sized(1023)));
  EXPECT_FALSE(Holds(*zero, Sized(1024)));
  auto over10 = Row("Size (KB)", "is greater than", "10");
  EXPECT_FALSE(Holds(*over10, Sized(11263)));
  EXPECT_TRUE(Holds(*over10, Sized(11264)));
  auto m = Row("Size (KB)", "equals", "3145728");
  EXPECT_TRUE(Holds(*m, Sized(std::int64_t{3} << 30)));
  EXPECT_EQ(static_cast<TKtIntegermatcher&>(*m).FileValue, 3145728);
  auto five = Row("Size (KB)", "equals", "5242880");
  EXPECT_TRUE(Holds(*five, Sized(std::int64_t{5} << 30)));
  auto negative = Row("Size (KB)", "is smaller than", "0");
  EXPECT_FALSE(Holds(*negative, Sized(std::int64_t{3} << 30)));
  EXPECT_FALSE(Holds(*negative, Sized(0)));
  EXPECT_TRUE(Holds(*Row("Size (KB)", "not equals", "1"), Sized(0)));
}

TEST(FileConditions, ModificationDayInLocalTime) {
  const double d = Date("2024-03-10");
  auto eq = Row("Modification date", "equals", "2024-03-10");
  auto gt = Row("Modification date", "is greater than", "2024-03-10");
  auto lt = Row("Modification date", "is smaller than", "2024-03-10");
  EXPECT_EQ(static_cast<TKtDateTimeMatcher&>(*eq).ReferenceValue, d);
  for (TStamp s : {TStamp{2024, 3, 10, 0, 0, 0}, TStamp{2024, 3, 10, 23, 59, 58}}) {
    EXPECT_TRUE(Holds(*eq, Written(s)));
    EXPECT_FALSE(Holds(*gt, Written(s)));
    EXPECT_FALSE(Holds(*lt, Written(s)));
  }
  EXPECT_TRUE(Holds(*gt, Written({2024, 3, 11, 0, 0, 0})));
  EXPECT_TRUE(Holds(*lt, Written({2024, 3, 9, 23, 59, 58})));
  // Outside the DOS years the real day counts.
  EXPECT_TRUE(Holds(*Row("Modification date", "equals", "1975-03-04"), Written({1975, 3, 4, 5, 6, 8})));
  EXPECT_TRUE(Holds(*Row("Modification date", "is greater than", "2107-12-31"), Written({2150, 1, 1, 0, 0, 0})));
}

TEST(FileConditions, CreationAndAccessAreUtcDays) {
  TDirEntry e;
  // 2024-03-09 15:30 UTC is 2024-03-10 00:30 in Tokyo: the UTC day counts.
  e.FindData.CreationTime = FileTimeFromUnix(1709998200);
  e.FindData.LastAccessTime = FileTimeFromUnix(1709998200 + 86400);
  EXPECT_TRUE(Holds(*Row("Creation date", "equals", "2024-03-09"), e));
  EXPECT_TRUE(Holds(*Row("Last access date", "equals", "2024-03-10"), e));
  e.FindData.CreationTime = 0;  // 1601: far outside the DOS years
  EXPECT_TRUE(Holds(*Row("Creation date", "is smaller than", "1980-01-01"), e));
}

TEST(FileConditions, ReferenceWithATimeOfDay) {
  auto ref = [](const std::string& op) {
    auto m = Row("Modification date", op, "not a date", Date("2024-03-10") + 0.5);  // noon of that day
    return m;
  };
  const TDirEntry before = Written({2024, 3, 9, 12, 0, 0}), same = Written({2024, 3, 10, 18, 0, 0}),
                  after = Written({2024, 3, 11, 1, 0, 0});
  auto eq = ref("equals"), gt = ref("is greater than"), lt = ref("is smaller than");
  for (const TDirEntry* e : {&before, &same, &after}) EXPECT_FALSE(Holds(*eq, *e));
  EXPECT_FALSE(Holds(*gt, same));
  EXPECT_TRUE(Holds(*gt, after));
  EXPECT_TRUE(Holds(*lt, same));
  EXPECT_TRUE(Holds(*lt, before));
  EXPECT_FALSE(Holds(*lt, after));
}

TEST(FileConditions, CombineModes) {
  TKtFileConditions c;
  EXPECT_FALSE(c.MatchAny());
  EXPECT_TRUE(c.MatchAll());
  EXPECT_EQ(c.Add(Row("Size (KB)", "is greater than", "100")), 0);
  EXPECT_EQ(c.Add(Row("Modification date", "is smaller than", "2024-01-01")), 1);
  EXPECT_EQ(c.Add(nullptr), -1);
  EXPECT_EQ(c.Count(), 2);
  auto verdict = [&](std::int64_t size, TStamp written) {
    TDirEntry e = Written(written);
    e.Size = size;
    EXPECT_EQ(c.LoadFileValues(e), 2);
    return c.Matches();
  };
  const TStamp old{2023, 6, 1, 0, 0, 0}, fresh{2024, 6, 1, 0, 0, 0};
  c.CombineMode = TCombineMode::Any;
  EXPECT_TRUE(verdict(200 * 1024, fresh));
  EXPECT_TRUE(verdict(1, old));
  EXPECT_FALSE(verdict(1, fresh));
  c.CombineMode = TCombineMode::All;
  EXPECT_TRUE(verdict(200 * 1024, old));
  EXPECT_FALSE(verdict(200 * 1024, fresh));
  EXPECT_FALSE(verdict(1, old));
  c.CombineMode = static_cast<TCombineMode>(2);
  EXPECT_TRUE(verdict(1, fresh));
  c.Clear();
  EXPECT_EQ(c.Count(), 0);
}

TEST(FileConditions, GridRowsBecomeMatchers) {
  auto size = Row("Size (KB)", "is greater than", "100");
  ASSERT_TRUE(size);
  EXPECT_NE(dynamic_cast<TKtIntegermatcher*>(size.get()), nullptr);
  EXPECT_EQ(size->KindCode, 1);
  EXPECT_EQ(size->OperatorCode, 2);
  EXPECT_EQ(static_cast<TKtIntegermatcher&>(*size).ReferenceValue, 100);
  const std::pair<const char*, int> kinds[] = {{"Creation date", 3}, {"Last access date", 4}, {"Modification date", 2}};
  for (auto [text, code] : kinds) {
    auto m = Row(text, "equals", "2024-01-02");
    ASSERT_TRUE(m) << text;
    EXPECT_NE(dynamic_cast<TKtDateTimeMatcher*>(m.get()), nullptr);
    EXPECT_EQ(m->KindCode, code);
    EXPECT_EQ(m->OperatorCode, 0);
  }
  EXPECT_TRUE(Row("size (kb)", "IS SMALLER THAN", "5"));
  EXPECT_EQ(Row("size (kb)", "IS SMALLER THAN", "5")->OperatorCode, 3);
  EXPECT_FALSE(Row(" Size (KB)", "equals", "5"));  // not trimmed: in no list
  EXPECT_FALSE(Row("Size (KB)", "equals", "  \t"));  // not complete
  EXPECT_FALSE(Row("Size (KB)", "", "1"));
  EXPECT_FALSE(Row("Colour", "equals", "1"));
  EXPECT_EQ(static_cast<TKtIntegermatcher&>(*Row("Size (KB)", "equals", "lots")).ReferenceValue, 0);
  EXPECT_EQ(static_cast<TKtDateTimeMatcher&>(*Row("Creation date", "equals", "soon", 45000.25)).ReferenceValue,
            45000.25);
  // An operator typed by hand: code 255, which never holds, and the search goes on.
  auto odd = Row("Size (KB)", "about", "0");
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->OperatorCode, 255);
  EXPECT_FALSE(Holds(*odd, Sized(0)));
  EXPECT_FALSE(Holds(*odd, Sized(1 << 20)));
}

TEST(FileConditions, ReadersOfValues) {
  EXPECT_EQ(ReadInteger(" 42"), 42);
  EXPECT_EQ(ReadInteger("-7"), -7);
  EXPECT_FALSE(ReadInteger("42 ").has_value());
  EXPECT_FALSE(ReadInteger("4x").has_value());
  EXPECT_FALSE(ReadInteger("").has_value());
  EXPECT_FALSE(ReadInteger("99999999999999999999").has_value());
  EXPECT_DOUBLE_EQ(*ReadIsoDate("1899-12-30"), 0);
  EXPECT_DOUBLE_EQ(*ReadIsoDate("2024-02-29"), 45351);
  EXPECT_FALSE(ReadIsoDate("2023-02-29").has_value());
  EXPECT_FALSE(ReadIsoDate("2024-2-9").has_value());
  EXPECT_FALSE(ReadIsoDate("2024-02-09x").has_value());
}

TEST(FileConditions, WorkerTestsConditionsBeforeContents) {
  test::TFakeFileSystem fs;
  fs.Add("C:\\c\\", "small.txt", faArchive, "needle");
  fs.Add("C:\\c\\", "big.txt", faArchive, std::string(4096, 'n') + " needle");
  fs.Add("C:\\c\\", "big-no.txt", faArchive, std::string(4096, 'n'));
  TKtFileConditions c;
  c.Add(Row("Size (KB)", "is greater than", "2"));
  test::TSearchRecorder list;
  TSearchRun search(list, fs);
  TKtSearchThread& t = search.Worker();
  TSearchRequest request;
  request.Folder = "C:\\c";
  request.Mask = "*.*";
  request.Words = "needle";
  request.Conditions = c;
  t.SetRequest(request);
  t.Resume();
  t.WaitFor();
  EXPECT_EQ(list.Names(), std::vector<std::string>{"big.txt"});
  EXPECT_EQ(t.EntriesExamined(), 3);
  EXPECT_EQ(fs.Opened, (std::multiset<std::string>{"C:\\c\\big.txt", "C:\\c\\big-no.txt"}));
}

// ---- time zones, with the real file system ----------------------------------

#ifdef _WIN32
void SetTimes(const std::string& path, FileTime write, FileTime access) {
  UniqueFile f(CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr));
  ASSERT_TRUE(f);
  auto ft = [](FileTime t) { return FILETIME{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)}; };
  const FILETIME w = ft(write), a = ft(access);
  ASSERT_TRUE(SetFileTime(f.get(), nullptr, &a, &w));
}

bool InTokyo() {
  TIME_ZONE_INFORMATION tz;
  GetTimeZoneInformation(&tz);
  return tz.Bias == -540;
}
#else
void SetTimes(const std::string& path, FileTime write, FileTime access) {
  auto ts = [](FileTime t) {
    const std::int64_t unixTicks = t - FileTimeFromUnix(0);
    return timespec{static_cast<time_t>(unixTicks / 10000000), static_cast<long>(unixTicks % 10000000 * 100)};
  };
  const timespec times[2] = {ts(access), ts(write)};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Switches this process to Tokyo time for the test's duration.
class TTokyo {
 public:
  TTokyo() {
    const char* old = std::getenv("TZ");
    Had_ = old != nullptr;
    if (Had_) Old_ = old;
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
  }
  ~TTokyo() {
    if (Had_)
      setenv("TZ", Old_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  bool Had_ = false;
  std::string Old_;
};

bool InTokyo() {
  std::tm tm{};
  const std::time_t t = 0;
  localtime_r(&t, &tm);
  return tm.tm_hour == 9;
}
#endif

// In a zone east of UTC a file written at 00:30 local time was written the day
// before in UTC: the modification day is local, the last-access day is UTC.
TEST(FileConditionsZones, LocalModificationAndUtcAccessEastOfUtc) {
#ifndef _WIN32
  TTokyo tokyo;
#endif
  ASSERT_TRUE(InTokyo()) << "the Windows build runs its tests with TZ=Asia/Tokyo (tools/test)";
  test::TTestFolder dir;
  const std::string path = dir.File("stamped.txt", "x");
  const FileTime at = FileTimeFromUnix(1709998200);  // 2024-03-09 15:30 UTC = 2024-03-10 00:30 JST
  SetTimes(path, at, at);
  auto e = NativeFileSystem().FindFirst(dir.Root() + test::Delim(), "stamped.txt", faAnyFile);
  TDirEntry entry;
  ASSERT_TRUE(e->Next(entry));
  EXPECT_EQ(entry.LocalWrite, (TStamp{2024, 3, 10, 0, 30, 0}));
  EXPECT_TRUE(Holds(*Row("Modification date", "equals", "2024-03-10"), entry));
  EXPECT_TRUE(Holds(*Row("Last access date", "equals", "2024-03-09"), entry));
  EXPECT_FALSE(Holds(*Row("Last access date", "equals", "2024-03-10"), entry));
}

}  // namespace
}  // namespace sorvik
