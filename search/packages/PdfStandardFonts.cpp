#include "PdfStandardFonts.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace sorvik {

namespace {

struct TStandardMetricsRow {
  const char* Name;
  std::int16_t Widths[14];
};

#include "FontMetrics.inc"

enum class TFamily : std::uint8_t { Courier, Helvetica, Times };

TStandardFont Styled(TFamily family, bool bold, bool italic) {
  const int base = family == TFamily::Courier ? 0 : family == TFamily::Helvetica ? 4 : 8;
  return static_cast<TStandardFont>(base + (bold ? 1 : 0) + (italic ? 2 : 0));
}

std::string_view WithoutSubsetTag(std::string_view name) {
  if (name.size() > 7 && name[6] == '+' &&
      std::all_of(name.begin(), name.begin() + 6, [](char c) { return c >= 'A' && c <= 'Z'; }))
    name.remove_prefix(7);
  return name;
}

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

}  // namespace

std::optional<TStandardFont> StandardFontNamed(std::string_view baseFont) {
  const std::string_view name = WithoutSubsetTag(baseFont);
  const std::size_t cut = name.find_first_of("-,");
  std::string_view family = name.substr(0, cut);
  const std::string_view style = cut == std::string_view::npos ? std::string_view() : name.substr(cut + 1);
  for (std::string_view suffix : {"PSMT", "MT", "PS"})
    if (family.size() > suffix.size() && family.ends_with(suffix)) {
      family.remove_suffix(suffix.size());
      break;
    }
  if (family == "Symbol") return TStandardFont::Symbol;
  if (family == "ZapfDingbats" || family == "Dingbats") return TStandardFont::ZapfDingbats;
  TFamily f;
  if (family == "Courier" || family == "CourierNew") f = TFamily::Courier;
  else if (family == "Helvetica" || family == "Arial") f = TFamily::Helvetica;
  else if (family == "Times" || family == "TimesNewRoman") f = TFamily::Times;
  else return std::nullopt;
  // A style word names no other family: "Narrow", "Condensed", "Black" and the like are other fonts.
  std::string rest(style);
  for (std::string_view word : {"Bold", "Italic", "Oblique", "Roman", "Regular", "Normal", "MT", "PS"})
    for (std::size_t at; (at = rest.find(word)) != std::string::npos;) rest.erase(at, word.size());
  if (!rest.empty()) return std::nullopt;
  return Styled(f, Contains(style, "Bold"), Contains(style, "Italic") || Contains(style, "Oblique"));
}

TStandardFont StandardFontLike(std::string_view baseFont, std::int64_t flags) {
  constexpr std::int64_t kFixedPitch = 1, kSerif = 2, kItalic = 64, kForceBold = 1 << 18;
  const TFamily family = (flags & kFixedPitch) ? TFamily::Courier : (flags & kSerif) ? TFamily::Times : TFamily::Helvetica;
  const bool bold = (flags & kForceBold) || Contains(baseFont, "Bold") || Contains(baseFont, "Black") || Contains(baseFont, "Heavy");
  const bool italic = (flags & kItalic) || Contains(baseFont, "Italic") || Contains(baseFont, "Oblique");
  return Styled(family, bold, italic);
}

std::optional<int> StandardGlyphWidth(TStandardFont font, std::string_view glyphName) {
  const auto* end = std::end(kStandardMetrics);
  const auto* at = std::lower_bound(std::begin(kStandardMetrics), end, glyphName,
                                    [](const TStandardMetricsRow& row, std::string_view n) { return std::string_view(row.Name) < n; });
  if (at == end || std::string_view(at->Name) != glyphName) return std::nullopt;
  const int width = at->Widths[static_cast<int>(font)];
  if (width < 0) return std::nullopt;
  return width;
}

}  // namespace sorvik
