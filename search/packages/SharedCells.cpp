#include "SharedCells.h"

namespace sorvik {
namespace {

constexpr std::size_t kTagCap = 512;
constexpr std::size_t kValueCap = 16;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The element's local name of a tag's text ("c", "/c", "x:v").
std::string_view LocalName(std::string_view tag) {
  std::size_t n = 0;
  while (n < tag.size() && !IsBlank(tag[n]) && tag[n] != '/') ++n;
  std::string_view name = tag.substr(0, n);
  const std::size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// An attribute's value (by its name without a prefix), as written.
std::string_view Attribute(std::string_view tag, std::string_view wanted) {
  std::size_t i = 0;
  while (i < tag.size() && !IsBlank(tag[i])) ++i;
  while (i < tag.size()) {
    while (i < tag.size() && (IsBlank(tag[i]) || tag[i] == '/')) ++i;
    const std::size_t start = i;
    while (i < tag.size() && !IsBlank(tag[i]) && tag[i] != '=') ++i;
    std::string_view name = tag.substr(start, i - start);
    if (const std::size_t colon = name.rfind(':'); colon != std::string_view::npos) name.remove_prefix(colon + 1);
    while (i < tag.size() && IsBlank(tag[i])) ++i;
    if (i >= tag.size() || tag[i] != '=') continue;
    ++i;
    while (i < tag.size() && IsBlank(tag[i])) ++i;
    if (i >= tag.size() || (tag[i] != '"' && tag[i] != '\'')) break;
    const char quote = tag[i++];
    const std::size_t end = tag.find(quote, i);
    if (end == std::string_view::npos) break;
    if (name == wanted) return tag.substr(i, end - i);
    i = end + 1;
  }
  return {};
}

}  // namespace

void TSharedCells::Feed(const std::uint8_t* data, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const char c = static_cast<char>(data[i]);
    if (InTag_) {
      if (Quote_ != 0) {
        if (c == Quote_) Quote_ = 0;
      } else if (c == '"' || c == '\'') {
        Quote_ = c;
      } else if (c == '>') {
        InTag_ = false;
        Tag();
        continue;
      }
      if (Tag_.size() < kTagCap) Tag_ += c;
    } else if (c == '<') {
      InTag_ = true;
      Quote_ = 0;
      Tag_.clear();
    } else if (InValue_ && Value_.size() < kValueCap) {
      Value_ += c;
    }
  }
}

void TSharedCells::Tag() {
  if (Tag_.empty() || Tag_[0] == '?' || Tag_[0] == '!') return;
  const bool end = Tag_[0] == '/';
  const std::string_view local = LocalName(std::string_view(Tag_).substr(end ? 1 : 0));
  if (local == "c") {
    Shared_ = !end && Tag_.back() != '/' && Attribute(Tag_, "t") == "s";
    Reference_ = Shared_ ? std::string(Attribute(Tag_, "r")) : std::string();
    InValue_ = false;
  } else if (local == "v" && Shared_) {
    if (!end) {
      InValue_ = Tag_.back() != '/';
      Value_.clear();
      return;
    }
    InValue_ = false;
    std::uint64_t index = 0;
    std::size_t digits = 0;
    for (char d : Value_) {
      if (IsBlank(d)) continue;
      if (d < '0' || d > '9') return;
      index = index * 10 + static_cast<std::uint64_t>(d - '0');
      ++digits;
    }
    if (digits > 0 && digits < kValueCap && !Reference_.empty()) Cell_(Reference_, index);
  }
}

}  // namespace sorvik
