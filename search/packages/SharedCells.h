// The cells of a workbook's sheet that hold a shared string: read from the
// sheet's XML as it streams by, each cell's reference ("B2") and the index of
// its string in the workbook's shared-string table. Memory stays within a
// small fixed size, whatever the XML.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace sorvik {

class TSharedCells {
 public:
  using TCell = std::function<void(std::string_view reference, std::uint64_t index)>;
  explicit TSharedCells(TCell cell) : Cell_(std::move(cell)) {}

  // The sheet's next bytes (UTF-8 XML, as Excel writes it).
  void Feed(const std::uint8_t* data, std::size_t n);

 private:
  void Tag();  // a tag has been read whole

  TCell Cell_;
  bool InTag_ = false;
  char Quote_ = 0;
  std::string Tag_;          // the tag being read, up to a fixed size
  bool Shared_ = false;      // in a cell whose type is "s"
  bool InValue_ = false;     // in its value
  std::string Reference_;    // the cell's reference
  std::string Value_;        // its value's digits, up to a fixed size
};

}  // namespace sorvik
