// Hit lines of arbitrary contents and words: a file read through a view of the
// whole and through pieces of any size gives the same lines, every line's text
// is UTF-8 without control characters, its marks lie in order inside it, and a
// pane of any width cut keeps the first hit in sight.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FakeFileSystem.h"
#include "FuzzCheck.h"
#include "HitLines.h"

namespace {

using namespace sorvik;

struct TRun {
  std::vector<THitLine> Lines;
  THitLinesEnd End{};
};

TRun Lines(test::TFakeFileSystem& fs, const std::shared_ptr<const TWordSet>& words, const THitLineLimits& limits,
           std::size_t piece) {
  fs.ViewHint = piece;
  THitLineFinder finder(words, fs);
  finder.SetLimits(limits);
  if (piece) finder.SetPieceSize(piece);
  TRun run;
  run.End = finder.Run("C:\\f.txt", [&](const THitLine& line) {
    run.Lines.push_back(line);
    return true;
  });
  FUZZ_CHECK(finder.Lines() == run.Lines.size());
  return run;
}

// Well-formed UTF-8 with no C0 control character; the characters' count.
bool CleanText(const std::string& s, std::size_t& chars) {
  chars = 0;
  for (std::size_t i = 0; i < s.size(); ++chars) {
    const auto b = static_cast<std::uint8_t>(s[i]);
    std::size_t len = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
    if (len == 0 || i + len > s.size() || b < 0x20) return false;
    for (std::size_t k = 1; k < len; ++k)
      if ((static_cast<std::uint8_t>(s[i + k]) & 0xC0) != 0x80) return false;
    i += len;
  }
  return true;
}

bool MarksFit(const THitLine& line) {
  std::uint32_t at = 0;
  for (const THitMark& m : line.Marks) {
    if (m.Begin < at || m.Begin >= m.End || m.End > line.Text.size()) return false;
    at = m.End;
  }
  return true;
}

bool SameLine(const THitLine& a, const THitLine& b) {
  return a.Entry == b.Entry && a.Number == b.Number && a.Text == b.Text && a.Marks == b.Marks &&
         a.MoreBefore == b.MoreBefore && a.MoreAfter == b.MoreAfter;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  TWordQuery query;
  query.Mode = static_cast<TMatchMode>(in.ConsumeIntegralInRange(0, 2));
  query.IgnoreCase = in.ConsumeBool();
  query.WholeWords = in.ConsumeBool();
  THitLineLimits limits;
  limits.MaxLines = in.ConsumeIntegralInRange<std::size_t>(1, 40);
  limits.Context = in.ConsumeIntegralInRange<std::size_t>(1, 30);
  const std::size_t piece = in.ConsumeIntegralInRange<std::size_t>(1, 300);
  const std::size_t columns = in.ConsumeIntegralInRange<std::size_t>(1, 80);
  query.Text = in.ConsumeRandomLengthString(40);
  const std::string text = in.ConsumeRemainingBytesAsString();
  std::shared_ptr<const TWordSet> words;
  try {
    words = std::make_shared<const TWordSet>(query);
  } catch (const EPatternTooLarge&) {
    return 0;
  }
  test::TFakeFileSystem fs;
  fs.Add("C:\\", "f.txt", 0, text);
  const TRun whole = Lines(fs, words, limits, 0);
  const TRun pieces = Lines(fs, words, limits, piece);
  FUZZ_CHECK(whole.End == pieces.End);
  FUZZ_CHECK(whole.Lines.size() == pieces.Lines.size());
  FUZZ_CHECK(whole.Lines.size() <= limits.MaxLines);
  FUZZ_CHECK(whole.End != THitLinesEnd::Limit || whole.Lines.size() == limits.MaxLines);
  for (std::size_t i = 0; i < whole.Lines.size(); ++i) {
    const THitLine& line = whole.Lines[i];
    FUZZ_CHECK(SameLine(line, pieces.Lines[i]));
    std::size_t chars = 0;
    FUZZ_CHECK(line.Number >= 1 && !line.Marks.empty() && MarksFit(line) && CleanText(line.Text, chars));
    const THitLine cut = CutHitLine(line, columns);
    std::size_t shown = 0;
    FUZZ_CHECK(CleanText(cut.Text, shown) && MarksFit(cut) && !cut.Marks.empty());
    FUZZ_CHECK(shown <= std::max<std::size_t>(columns, 3));
  }
  return 0;
}
