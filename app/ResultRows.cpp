#include "ResultRows.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <system_error>
#include <thread>

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

// Runs work(from, to) over [0, n): with many rows, the second half on a thread
// of its own (reading dates is most of a date column's sort).
template <typename Work>
void InHalves(std::size_t n, Work&& work) {
  constexpr std::size_t kWorthAThread = std::size_t{1} << 16;
  std::size_t half = n;
  std::thread other;
  if (n >= kWorthAThread && std::thread::hardware_concurrency() > 1) {
    try {
      other = std::thread([&work, n, middle = n / 2] { work(middle, n); });
      half = n / 2;
    } catch (const std::system_error&) {
      // No thread to be had: all on this one.
    }
  }
  work(0, half);
  if (other.joinable()) other.join();
}

// Sorts `keys` (no two equal) by `less`: with many, each half on a thread of its
// own, then the halves merged; the order is the one sort would give.
template <typename Key, typename Less>
void SortKeys(std::vector<Key>& keys, Less less) {
  constexpr std::size_t kWorthAThread = std::size_t{1} << 16;
  const auto middle = keys.begin() + static_cast<std::ptrdiff_t>(keys.size() / 2);
  std::thread other;
  if (keys.size() >= kWorthAThread && std::thread::hardware_concurrency() > 1) {
    try {
      other = std::thread([&] { std::sort(middle, keys.end(), less); });
    } catch (const std::system_error&) {
      // No thread to be had: one sort here.
    }
  }
  if (!other.joinable()) {
    std::sort(keys.begin(), keys.end(), less);
    return;
  }
  std::sort(keys.begin(), middle, less);
  other.join();
  std::inplace_merge(keys.begin(), middle, keys.end(), less);
}

// The sorts below give rows that compare equal in the order they had: the
// row's index is the last part of every key, so a plain sort is a stable one.

// order = the n rows by their number keys, keyOf(row), made on two threads
// when there are many.
template <typename KeyOf>
void SortNumbers(std::vector<std::size_t>& order, std::size_t n, bool ascending, KeyOf keyOf) {
  struct TKey {
    std::int64_t Value;
    std::size_t Row;
  };
  std::vector<TKey> sorted(n);
  InHalves(n, [&](std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) sorted[i] = {keyOf(i), i};
  });
  SortKeys(sorted, [ascending](const TKey& a, const TKey& b) {
    if (a.Value != b.Value) return ascending ? a.Value < b.Value : b.Value < a.Value;
    return a.Row < b.Row;
  });
  order.resize(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = sorted[i].Row;
}

// The first eight bytes of a text from `at` on, big-endian, zeros past its end:
// two texts' prefixes rank as their bytes do, but for a text that ends early.
std::uint64_t Prefix(std::string_view text, std::size_t at) {
  std::uint64_t v = 0;
  for (std::size_t k = 0; k < 8; ++k)
    v = (v << 8) | (at + k < text.size() ? static_cast<std::uint8_t>(text[at + k]) : 0u);
  return v;
}

// order = the texts' rows in ordinal byte order (a text before a longer one it begins).
void SortTexts(std::vector<std::size_t>& order, const std::vector<std::string_view>& texts, bool ascending) {
  struct TKey {
    std::uint64_t First, Second;  // the first sixteen bytes, so that most comparisons read no text
    std::string_view Text;
    std::size_t Row;
  };
  std::vector<TKey> sorted(texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) sorted[i] = {Prefix(texts[i], 0), Prefix(texts[i], 8), texts[i], i};
  // Ordinal bytes, as CompareTextColumn: unsigned, shorter prefix first.
  const auto compare = [](const TKey& x, const TKey& y) {
    if (x.First != y.First) return x.First < y.First ? -1 : 1;
    if (x.Second != y.Second) return x.Second < y.Second ? -1 : 1;
    const std::size_t m = std::min(x.Text.size(), y.Text.size());
    if (m > 16)
      if (const int c = std::memcmp(x.Text.data() + 16, y.Text.data() + 16, m - 16); c != 0) return c;
    return x.Text.size() < y.Text.size() ? -1 : x.Text.size() > y.Text.size() ? 1 : 0;
  };
  SortKeys(sorted, [&](const TKey& a, const TKey& b) {
    const int c = ascending ? compare(a, b) : compare(b, a);
    return c != 0 ? c < 0 : a.Row < b.Row;
  });
  order.resize(texts.size());
  for (std::size_t i = 0; i < sorted.size(); ++i) order[i] = sorted[i].Row;
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
  switch (static_cast<TResultColumn>(column)) {
    case TResultColumn::Filename: {
      std::vector<std::string_view> texts(n);
      for (std::size_t i = 0; i < n; ++i) texts[i] = Text(i, column);
      SortTexts(order, texts, ascending);
      break;
    }
    case TResultColumn::Folder: {
      // Each folder text is stored once: the folders are put in order, and the
      // rows by their folder's place.
      std::vector<std::string_view> folders(Folders_.begin(), Folders_.end());
      std::vector<std::size_t> byText(folders.size());
      SortTexts(byText, folders, true);
      std::vector<std::int64_t> place(folders.size());
      for (std::size_t k = 0; k < byText.size(); ++k) place[byText[k]] = static_cast<std::int64_t>(k);
      SortNumbers(order, n, ascending, [&](std::size_t i) { return place[Rows_[i].Folder]; });
      break;
    }
    case TResultColumn::Size:
      SortNumbers(order, n, ascending, [&](std::size_t i) { return ReadSizeText(Text(i, column)); });
      break;
    default:
      SortNumbers(order, n, ascending, [&](std::size_t i) {
        return DateSortKey(ReadDateText(Text(i, column), format, currentYear));
      });
      break;
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
