#include "ResultRows.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "Locale.h"
#include "CommaText.h"
#include "ResultCompare.h"

namespace sorvik {

TResultRow MakeResultRow(const TFoundFile& file) {
  TResultRow row;
  row.Caption = file.Name;
  row.ImageIndex = file.ImageIndex;
  row.SubItems[0] = file.Folder;
  row.SubItems[1] = std::to_string(file.Size);
  row.SubItems[2] = DateTimeToStr(file.Modified);
  row.SubItems[3] = DateTimeToStr(StampFromFileTime(file.Accessed));
  row.SubItems[4] = DateTimeToStr(StampFromFileTime(file.Created));
  return row;
}

namespace {

constexpr std::size_t kBlockSize = 1u << 20;
constexpr std::size_t kMaxText = 0xFFFF;

// Sorts the row order by keys read once; `less` compares two keys.
template <typename Key, typename Less>
void SortByKeys(std::vector<std::size_t>& order, const std::vector<Key>& keys, bool ascending, Less less) {
  if (ascending)
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return less(keys[a], keys[b]); });
  else
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return less(keys[b], keys[a]); });
}

// A cell a spreadsheet would read as a formula ("=cmd|...", "+1", "-2", "@x",
// or one starting with a tab or carriage return) gets a leading apostrophe,
// so it is shown as the text it is.
bool ReadsAsFormula(std::string_view field) {
  return !field.empty() && std::string_view("=+-@\t\r").find(field.front()) != std::string_view::npos;
}

void AppendCsvField(std::string& out, std::string_view field) {
  std::string guarded;
  if (ReadsAsFormula(field)) {
    guarded.assign(1, '\'').append(field);
    field = guarded;
  }
  const bool quote = field.find_first_of(",\"\r\n") != std::string_view::npos ||
                     (!field.empty() && (field.front() == ' ' || field.back() == ' '));
  if (quote)
    AppendQuoted(out, field);
  else
    out.append(field);
}

}  // namespace

const char* TResultRows::Store(std::size_t bytes) {
  if (Blocks_.empty() || BlockSize_ - BlockUsed_ < bytes) {
    BlockSize_ = std::max(kBlockSize, bytes);
    Blocks_.push_back(std::make_unique<char[]>(BlockSize_));
    BlockUsed_ = 0;
  }
  char* p = Blocks_.back().get() + BlockUsed_;
  BlockUsed_ += bytes;
  return p;
}

std::uint32_t TResultRows::FolderId(const std::string& folder) {
  // Rows come folder by folder: the last folder is the likely one.
  if (!Folders_.empty() && Folders_.back() == folder) return static_cast<std::uint32_t>(Folders_.size() - 1);
  if (auto it = FolderIds_.find(folder); it != FolderIds_.end()) return it->second;
  Folders_.push_back(folder);
  const auto id = static_cast<std::uint32_t>(Folders_.size() - 1);
  FolderIds_.emplace(Folders_.back(), id);
  return id;
}

void TResultRows::Append(const TResultRow& row) {
  const std::array<const std::string*, kOwnTexts> texts = {&row.Caption, &row.SubItems[1], &row.SubItems[2],
                                                           &row.SubItems[3], &row.SubItems[4]};
  TRow r{};
  std::size_t total = 0;
  for (std::size_t i = 0; i < kOwnTexts; ++i) {
    r.Lengths[i] = static_cast<std::uint16_t>(std::min(texts[i]->size(), kMaxText));
    total += r.Lengths[i];
  }
  char* p = const_cast<char*>(Store(total));
  r.Texts = p;
  for (std::size_t i = 0; i < kOwnTexts; ++i) {
    std::memcpy(p, texts[i]->data(), r.Lengths[i]);
    p += r.Lengths[i];
  }
  r.Folder = FolderId(row.SubItems[0]);
  r.Image = row.ImageIndex;
  Rows_.push_back(r);
}

void TResultRows::Clear() {
  // Swapped with empty ones, so that the memory goes back too.
  std::vector<TRow>().swap(Rows_);
  FolderIds_.clear();
  std::deque<std::string>().swap(Folders_);
  std::vector<std::unique_ptr<char[]>>().swap(Blocks_);
  BlockUsed_ = BlockSize_ = 0;
}

std::string_view TResultRows::Text(std::size_t row, int column) const {
  const TRow& r = Rows_[row];
  if (column == static_cast<int>(TResultColumn::Folder)) return Folders_[r.Folder];
  const std::size_t own = column == 0 ? 0 : static_cast<std::size_t>(column) - 1;
  std::size_t offset = 0;
  for (std::size_t i = 0; i < own; ++i) offset += r.Lengths[i];
  return {r.Texts + offset, r.Lengths[own]};
}

std::string TResultRows::FullPath(std::size_t row) const {
  std::string path(Text(row, 1));
  path.append(Text(row, 0));
  return path;
}

int TResultRows::Compare(std::size_t a, std::size_t b, int column, bool ascending) const {
  const std::string_view x = Text(a, column), y = Text(b, column);
  switch (static_cast<TResultColumn>(column)) {
    case TResultColumn::Filename:
    case TResultColumn::Folder: return CompareTextColumn(x, y, ascending);
    case TResultColumn::Size: return CompareSizeColumn(x, y, ascending);
    default: return CompareDateColumn(x, y, ascending);
  }
}

std::vector<std::size_t> TResultRows::Sort(int column, bool ascending, const TDateFormat& format, int currentYear) {
  const std::size_t n = Rows_.size();
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), std::size_t{0});
  switch (static_cast<TResultColumn>(column)) {
    case TResultColumn::Filename:
    case TResultColumn::Folder: {
      std::vector<std::string_view> keys(n);
      for (std::size_t i = 0; i < n; ++i) keys[i] = Text(i, column);
      // Ordinal bytes, as CompareTextColumn: unsigned, shorter prefix first.
      SortByKeys(order, keys, ascending, [](std::string_view x, std::string_view y) {
        const std::size_t m = std::min(x.size(), y.size());
        if (const int c = std::memcmp(x.data(), y.data(), m); c != 0) return c < 0;
        return x.size() < y.size();
      });
      break;
    }
    case TResultColumn::Size: {
      std::vector<std::int64_t> keys(n);
      for (std::size_t i = 0; i < n; ++i) keys[i] = ReadSizeText(Text(i, column));
      SortByKeys(order, keys, ascending, std::less<>());
      break;
    }
    default: {
      std::vector<std::int64_t> keys(n);
      for (std::size_t i = 0; i < n; ++i) keys[i] = DateSortKey(ReadDateText(Text(i, column), format, currentYear));
      SortByKeys(order, keys, ascending, std::less<>());
      break;
    }
  }
  std::vector<TRow> sorted(n);
  std::vector<std::size_t> moved(n);
  for (std::size_t i = 0; i < n; ++i) {
    sorted[i] = Rows_[order[i]];
    moved[order[i]] = i;
  }
  Rows_ = std::move(sorted);
  return moved;
}

std::string ResultsToCsv(const TResultRows& rows) {
  std::string out = "\xEF\xBB\xBF";
  for (int c = 0; c < kResultColumns; ++c) {
    if (c) out += ',';
    out += kResultColumnCaptions[static_cast<std::size_t>(c)];
  }
  out += "\r\n";
  for (std::size_t r = 0; r < rows.Count(); ++r) {
    for (int c = 0; c < kResultColumns; ++c) {
      if (c) out += ',';
      AppendCsvField(out, rows.Text(r, c));
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace sorvik
