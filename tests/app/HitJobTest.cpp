// The hit pane's job: lines of the selected file only, whatever the workers of
// files selected before are still doing, and the end each job comes to.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "HitJob.h"
#include "TestFolder.h"

namespace sorvik {
namespace {

// The job's notices, waited for by the test's thread.
class TNotices {
 public:
  void Arrived() {
    {
      const std::lock_guard<std::mutex> hold(Lock_);
      Arrived_ = true;
    }
    Changed_.notify_all();
  }
  // Waits for a notice (a hang guard, not a timing check), then takes what waits.
  THitBatch Next(THitJob& job) {
    std::unique_lock<std::mutex> hold(Lock_);
    EXPECT_TRUE(Changed_.wait_for(hold, std::chrono::minutes(2), [&] { return Arrived_; })) << "no notice came";
    Arrived_ = false;
    hold.unlock();
    return job.Take();
  }

 private:
  std::mutex Lock_;
  std::condition_variable Changed_;
  bool Arrived_ = false;
};

std::shared_ptr<const TWordSet> Words(const std::string& text, bool caseSensitive = false) {
  TSearchRequest request;
  request.Words = text;
  request.CaseSensitive = caseSensitive;
  return HitWordsOf(request);
}

// Takes until the job ends; every line taken on the way goes to `lines`.
THitBatch TakeToEnd(THitJob& job, TNotices& notices, std::vector<THitLine>& lines) {
  for (;;) {
    THitBatch batch = job.Take();
    for (THitLine& line : batch.Lines) lines.push_back(std::move(line));
    if (batch.State != THitJobState::Running) return batch;
    batch = notices.Next(job);
    for (THitLine& line : batch.Lines) lines.push_back(std::move(line));
    if (batch.State != THitJobState::Running) return batch;
  }
}

// A row selected while the one before is still being read: from the switch on
// only the new file's lines arrive, all of them, numbered as in the file.
TEST(HitJob, ASwitchDeliversNothingOfTheFileBefore) {
  test::TTestFolder dir;
  std::string a, b;
  for (int i = 0; i < 300000; ++i) a += "alpha needle " + std::to_string(i) + "\n";
  for (int i = 0; i < 700; ++i) b += "nothing here\r\nbeta NEEDLE " + std::to_string(i) + "\r\n";
  const std::string pathA = dir.File("a.txt", a), pathB = dir.File("b.txt", b);
  const auto words = Words("needle");
  TNotices notices;
  THitJob job;
  job.SetNotify([&] { notices.Arrived(); });
  THitLineLimits many;
  many.MaxLines = 1000000;  // A runs long enough to be switched away from mid-file
  job.SetLimits(many);
  for (int round = 0; round < 3; ++round) {
    job.Start(pathA, words, true);
    // A has lines waiting (or being handed over) when B is selected.
    THitBatch first = notices.Next(job);
    ASSERT_EQ(first.State == THitJobState::Running || first.State == THitJobState::Done, true);
    job.Start(pathB, words, true);
    std::vector<THitLine> lines;
    const THitBatch end = TakeToEnd(job, notices, lines);
    EXPECT_EQ(end.State, THitJobState::Done);
    EXPECT_EQ(end.Total, 700u);
    ASSERT_EQ(lines.size(), 700u) << "round " << round;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      ASSERT_EQ(lines[i].Text.rfind("beta NEEDLE ", 0), 0u) << lines[i].Text;
      EXPECT_EQ(lines[i].Text, "beta NEEDLE " + std::to_string(i));
      EXPECT_EQ(lines[i].Number, static_cast<std::int64_t>(2 * i + 2));
      ASSERT_FALSE(lines[i].Marks.empty());
      EXPECT_EQ(lines[i].Text.substr(lines[i].Marks[0].Begin, lines[i].Marks[0].End - lines[i].Marks[0].Begin),
                "NEEDLE");
    }
    // Whatever A's worker still does, nothing more arrives for B.
    const THitBatch after = job.Take();
    EXPECT_TRUE(after.Lines.empty());
    EXPECT_EQ(after.State, THitJobState::Done);
  }
  // Cancelled mid-file: idle at once, and nothing of it is taken later.
  job.Start(pathA, words, true);
  job.Cancel();
  EXPECT_EQ(job.State(), THitJobState::Idle);
  const THitBatch none = job.Take();
  EXPECT_TRUE(none.Lines.empty());
  EXPECT_EQ(none.State, THitJobState::Idle);
  job.Start(pathA, words, true);  // destroyed while it runs: the worker is stopped and waited for
}

// How each job ends, for the pane's note: all its lines, the limit reached, a
// file that can't be read, no line (any more) holding the words, no words.
TEST(HitJob, EachEndIsReported) {
  test::TTestFolder dir;
  std::string twelve;
  for (int i = 0; i < 12; ++i) twelve += "needle " + std::to_string(i) + "\n";
  const std::string many = dir.File("many.txt", twelve), none = dir.File("none.txt", "hay\nmore hay\n");
  TNotices notices;
  THitJob job;
  job.SetNotify([&] { notices.Arrived(); });
  const auto run = [&](const std::string& path, std::shared_ptr<const TWordSet> words, std::vector<THitLine>& lines) {
    job.Start(path, std::move(words), false);
    return TakeToEnd(job, notices, lines);
  };
  std::vector<THitLine> lines;
  EXPECT_EQ(run(many, Words("needle"), lines).State, THitJobState::Done);
  EXPECT_EQ(lines.size(), 12u);
  lines.clear();
  EXPECT_EQ(run(many, Words("NEEDLE", true), lines).State, THitJobState::Done);  // the search's case
  EXPECT_TRUE(lines.empty());
  THitLineLimits ten;
  ten.MaxLines = 10;
  job.SetLimits(ten);
  const THitBatch limited = run(many, Words("needle"), lines);
  EXPECT_EQ(limited.State, THitJobState::Limit);
  EXPECT_EQ(limited.Total, 10u);
  EXPECT_EQ(lines.size(), 10u);
  lines.clear();
  const THitBatch nothing = run(none, Words("needle"), lines);
  EXPECT_EQ(nothing.State, THitJobState::Done);
  EXPECT_EQ(nothing.Total, 0u);
  EXPECT_EQ(run(dir.Path("gone.txt"), Words("needle"), lines).State, THitJobState::Unreadable);
  // A search without words, or with words it refused: a set without words, no lines.
  const auto empty = Words("");
  EXPECT_TRUE(empty->Words().empty());
  EXPECT_TRUE(Words(std::string(300, 'x'))->Words().empty());
  EXPECT_EQ(run(many, empty, lines).State, THitJobState::Done);
  EXPECT_TRUE(lines.empty());
  // The counts in the pane's notes, grouped by threes.
  EXPECT_EQ(HitNote(THitJobState::Limit, 10000, true), "Stopped at 10,000 lines; the file holds more.");
  EXPECT_EQ(HitNote(THitJobState::Running, 1234567, true), "Searching\xE2\x80\xA6 1,234,567 lines so far");
  EXPECT_EQ(HitNote(THitJobState::Done, 999, true), "999 lines");
  EXPECT_EQ(HitNote(THitJobState::Done, 0, true), "No line holds the words now.");
}

}  // namespace
}  // namespace sorvik
