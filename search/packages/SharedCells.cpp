#include "SharedCells.h"

#include "XmlTag.h"

namespace sorvik {
namespace {

constexpr std::size_t kTagCap = 512;
constexpr std::size_t kValueCap = 16;

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
  const std::string_view local = TagLocalName(std::string_view(Tag_).substr(end ? 1 : 0));
  if (local == "c") {
    Shared_ = !end && Tag_.back() != '/' && TagAttribute(Tag_, "t") == "s";
    Reference_ = Shared_ ? std::string(TagAttribute(Tag_, "r")) : std::string();
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
      if (IsXmlBlank(d)) continue;
      if (d < '0' || d > '9') return;
      index = index * 10 + static_cast<std::uint64_t>(d - '0');
      ++digits;
    }
    if (digits > 0 && digits < kValueCap && !Reference_.empty()) Cell_(Reference_, index);
  }
}

}  // namespace sorvik
