// Reading one XML start tag's text (what stands between '<' and '>'): its
// element's name and its attributes' values, as written (entities not decoded).
#pragma once

#include <cstddef>
#include <string_view>

namespace sorvik {

inline bool IsXmlBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A name without its prefix ("w:t" -> "t").
inline std::string_view LocalPart(std::string_view name) {
  const std::size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The local name of the tag's element ("x:v a='1'" -> "v"; an end tag's text
// starts after its '/').
inline std::string_view TagLocalName(std::string_view tag) {
  std::size_t n = 0;
  while (n < tag.size() && !IsXmlBlank(tag[n]) && tag[n] != '/') ++n;
  return LocalPart(tag.substr(0, n));
}

// An attribute's value, by its name without a prefix (or its full name, when
// `full`); empty when the tag has none.
inline std::string_view TagAttribute(std::string_view tag, std::string_view name, bool full = false) {
  std::size_t i = 0;
  while (i < tag.size() && !IsXmlBlank(tag[i])) ++i;
  while (i < tag.size()) {
    while (i < tag.size() && (IsXmlBlank(tag[i]) || tag[i] == '/')) ++i;
    const std::size_t start = i;
    while (i < tag.size() && !IsXmlBlank(tag[i]) && tag[i] != '=') ++i;
    const std::string_view attribute = tag.substr(start, i - start);
    while (i < tag.size() && IsXmlBlank(tag[i])) ++i;
    if (i >= tag.size() || tag[i] != '=') continue;
    ++i;
    while (i < tag.size() && IsXmlBlank(tag[i])) ++i;
    if (i >= tag.size() || (tag[i] != '"' && tag[i] != '\'')) break;
    const char quote = tag[i++];
    const std::size_t end = tag.find(quote, i);
    if (end == std::string_view::npos) break;
    if ((full ? attribute : LocalPart(attribute)) == name) return tag.substr(i, end - i);
    i = end + 1;
  }
  return {};
}

}  // namespace sorvik
