#include "HitJob.h"

#include <utility>

namespace sorvik {

std::shared_ptr<const TWordSet> HitWordsOf(const TSearchRequest& request) {
  try {
    return std::make_shared<const TWordSet>(WordQueryOf(request));
  } catch (const std::exception&) {
    return std::make_shared<const TWordSet>();
  }
}

namespace {

// "1,234,567": the groups of three digits apart, as in the pane's English texts.
std::string Grouped(std::size_t n) {
  std::string digits = std::to_string(n);
  for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, 1, ',');
  return digits;
}

std::string LinesCount(std::size_t n) { return Grouped(n) + (n == 1 ? " line" : " lines"); }

}  // namespace

std::string HitNote(THitJobState state, std::size_t lines, bool hasWords, const std::string& leftOut) {
  if (!hasWords) return "No words were searched for: the file was found by its name.";
  if (!leftOut.empty() && state != THitJobState::Idle && state != THitJobState::Running) {
    const std::string note = HitNote(state, lines, hasWords);
    return note + (note.ends_with('.') ? " " : ". ") + leftOut;
  }
  switch (state) {
    case THitJobState::Idle: return "Select a file to see the lines that hold the words.";
    case THitJobState::Running:
      return lines == 0 ? "Searching\xE2\x80\xA6" : "Searching\xE2\x80\xA6 " + LinesCount(lines) + " so far";
    case THitJobState::Done: return lines == 0 ? "No line holds the words now." : LinesCount(lines);
    case THitJobState::Limit: return "Stopped at " + LinesCount(lines) + "; the file holds more.";
    case THitJobState::Unreadable: return "The file can't be read.";
    case THitJobState::Stopped: return "Stopped after " + LinesCount(lines) + ".";
  }
  return {};
}

std::string HitLinesText(const std::vector<const THitLine*>& lines) {
  std::string text;
  for (const THitLine* line : lines) {
    if (!line->Entry.empty()) text.append(line->Entry).append(":");
    text.append(std::to_string(line->Number)).append(": ");
    text.append(line->Text);  // as the line holds it, without marks where it goes on
    text.append("\r\n");
  }
  return text;
}

THitJob::THitJob(IFileSystem& fs) : Fs_(fs) {}

THitJob::~THitJob() {
  Switch(THitJobState::Idle);
  for (TWorker& w : Workers_) w.Thread.join();
}

void THitJob::Switch(THitJobState state) {
  const std::lock_guard<std::mutex> hold(Lock_);
  Generation_.store(Generation_.load() + 1);
  Pending_.clear();
  State_ = state;
  LeftOut_.clear();
  Total_ = 0;
  Notified_ = false;
}

void THitJob::Reap() {
  for (auto w = Workers_.begin(); w != Workers_.end();) {
    if (w->Finished.load()) {
      w->Thread.join();
      w = Workers_.erase(w);
    } else {
      ++w;
    }
  }
}

void THitJob::Start(const std::string& path, std::shared_ptr<const TWordSet> words, bool inside) {
  Switch(THitJobState::Running);
  Reap();
  const std::uint64_t generation = Generation_.load();
  TWorker& worker = Workers_.emplace_back();
  try {
    worker.Thread = std::thread([this, &worker, generation, path, words = std::move(words), inside,
                                 limits = Limits_]() mutable {
      Run(worker, generation, std::move(path), std::move(words), inside, limits);
    });
  } catch (...) {
    Workers_.pop_back();
    Switch(THitJobState::Idle);
    throw;
  }
}

void THitJob::Cancel() {
  Switch(THitJobState::Idle);
  Reap();
}

void THitJob::Run(TWorker& worker, std::uint64_t generation, std::string path, std::shared_ptr<const TWordSet> words,
                  bool inside, THitLineLimits limits) {
  THitLinesEnd end = THitLinesEnd::Unreadable;
  std::string leftOut;
  try {
    THitLineFinder finder(words ? std::move(words) : std::make_shared<const TWordSet>(), Fs_);
    finder.SetSearchInside(inside);
    finder.SetLimits(limits);
    // A switch to another file reaches into a large one between its pieces.
    finder.SetInterrupt([this, generation] { return Generation_.load(std::memory_order_relaxed) != generation; });
    end = finder.Run(path, [this, generation](const THitLine& line) { return Deliver(generation, line); });
    leftOut = LeftOutNote(finder.Report());
  } catch (...) {
    // No memory for a line, say: the file is not shown as read whole.
    end = THitLinesEnd::Unreadable;
  }
  Finish(generation, end, leftOut);
  worker.Finished.store(true);  // the last touch: the owner may join and drop it from here on
}

bool THitJob::Deliver(std::uint64_t generation, const THitLine& line) {
  bool tell = false;
  {
    const std::lock_guard<std::mutex> hold(Lock_);
    if (Generation_.load() != generation) return false;
    Pending_.push_back(line);
    ++Total_;
    tell = !Notified_;
    Notified_ = true;
  }
  if (tell && Notify_) Notify_();
  return true;
}

void THitJob::Finish(std::uint64_t generation, THitLinesEnd end, std::string leftOut) {
  bool tell = false;
  {
    const std::lock_guard<std::mutex> hold(Lock_);
    if (Generation_.load() != generation) return;
    switch (end) {
      case THitLinesEnd::Done: State_ = THitJobState::Done; break;
      case THitLinesEnd::Limit: State_ = THitJobState::Limit; break;
      case THitLinesEnd::Stopped: State_ = THitJobState::Stopped; break;
      case THitLinesEnd::Unreadable: State_ = THitJobState::Unreadable; break;
    }
    LeftOut_ = std::move(leftOut);
    tell = !Notified_;
    Notified_ = true;
  }
  if (tell && Notify_) Notify_();
}

THitBatch THitJob::Take() {
  THitBatch batch;
  const std::lock_guard<std::mutex> hold(Lock_);
  batch.Lines.swap(Pending_);
  batch.State = State_;
  batch.Total = Total_;
  batch.Generation = Generation_.load();
  batch.LeftOut = LeftOut_;
  Notified_ = false;
  return batch;
}

THitJobState THitJob::State() const {
  const std::lock_guard<std::mutex> hold(Lock_);
  return State_;
}

}  // namespace sorvik
