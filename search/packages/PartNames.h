// The names a person understands for the parts of a document ("Slide 10",
// "Footnotes", "Budget" for a sheet, "Notes (slide 3)"), in place of the paths
// the package keeps them under ("ppt/slides/slide10.xml"). Archive entries and
// EPUB chapters keep their paths.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "DocumentText.h"

namespace sorvik {

// What a document's own small parts say about its other parts: the names of a
// workbook's sheets and the slides that presentation notes belong to, by the
// lower-case path of the part they name.
class TPartNames {
 public:
  // Whether the part of this path is one that tells names (read it whole, up
  // to kMostBytes, and give it to Learn).
  static bool Tells(std::string_view partName);
  static constexpr std::size_t kMostBytes = std::size_t{1} << 20;
  void Learn(std::string_view partName, std::string_view xml);

  // The name a person understands for the part, or the part's path when it has none.
  std::string Label(TPackageKind kind, std::string_view partName) const;

 private:
  // Relationship ids to targets, per source part folder; sheet ids to names.
  std::map<std::string, std::string> SheetByRelation_;  // "rId1" -> "Budget"
  std::map<std::string, std::string> SheetTargets_;     // "rId1" -> "xl/worksheets/sheet1.xml"
  std::map<std::string, std::string> NotesSlide_;       // "ppt/notesslides/notesslide2.xml" -> "3"
};

}  // namespace sorvik
