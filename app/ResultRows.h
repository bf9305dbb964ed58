// The rows of the results list, in a compact store of our own: the list view
// asks for texts as it draws, so nothing is copied into the control. Each
// folder text is stored once, however many rows share it.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "DateText.h"
#include "SearchOutput.h"

namespace sorvik {

enum class TResultColumn : int { Filename = 0, Folder, Size, Modified, Accessed, Created };
inline constexpr int kResultColumns = 6;
inline constexpr std::array<const char*, kResultColumns> kResultColumnCaptions = {
    "Filename", "Folder", "Size", "Date last modified", "Date last accessed", "Date created"};

// One row of the results list: the texts shown.
struct TResultRow {
  std::string Caption;                 // Filename
  std::array<std::string, 5> SubItems; // Folder, Size, modified, accessed, created
  int ImageIndex = 0;
};

// The texts of a found file's row: the last-access and creation times are
// shown in UTC, as the walk reports them, the modification time in local time.
TResultRow MakeResultRow(const TFoundFile& file);

class TResultRows {
 public:
  void Append(const TResultRow& row);
  void Clear();
  std::size_t Count() const { return Rows_.size(); }

  // Column 0 is the file name, 1 the folder (ending in the delimiter), 2 the size,
  // 3 to 5 the three dates.
  std::string_view Text(std::size_t row, int column) const;
  int ImageIndex(std::size_t row) const { return Rows_[row].Image; }
  // The folder text followed directly by the file name.
  std::string FullPath(std::size_t row) const;

  // The list's comparison of two rows by a column, with the ascending flag.
  int Compare(std::size_t a, std::size_t b, int column, bool ascending) const;

  // Sorts all rows by the column; rows that compare equal keep their order. Each
  // text is read once. Returns where each row went: result[old] = new index.
  std::vector<std::size_t> Sort(int column, bool ascending, const TDateFormat& format, int currentYear);

 private:
  static constexpr std::size_t kOwnTexts = 5;  // all but the folder
  struct TRow {
    const char* Texts;                         // the five texts, one after the other
    std::uint32_t Folder;                      // index into Folders_
    std::int32_t Image;
    std::array<std::uint16_t, kOwnTexts> Lengths;
  };

  const char* Store(std::size_t bytes);
  std::uint32_t FolderId(const std::string& folder);

  std::vector<TRow> Rows_;
  std::deque<std::string> Folders_;
  std::unordered_map<std::string_view, std::uint32_t> FolderIds_;
  std::vector<std::unique_ptr<char[]>> Blocks_;
  std::size_t BlockUsed_ = 0, BlockSize_ = 0;
};

// The rows as CSV: a header line with the column captions, then one line per
// row; fields holding a comma, a quote, a line break or outer blanks are quoted,
// quotes doubled; lines end in CR LF. UTF-8 with its byte-order mark, so that
// spreadsheets read names outside ASCII.
std::string ResultsToCsv(const TResultRows& rows);

}  // namespace sorvik
