#include "DocumentText.h"

namespace sorvik {

// Being written: see the header for what each function does.
TPackageKind PackageKindOf(std::string_view) { return TPackageKind::None; }
TPartText PartTextOf(TPackageKind, std::string_view) { return TPartText::None; }
TDocumentText::TDocumentText(TPartText rules) : Rules_(rules) {}
void TDocumentText::Feed(const std::uint8_t*, std::size_t, std::string&) {}
void TDocumentText::Finish(std::string&) {}

}  // namespace sorvik
