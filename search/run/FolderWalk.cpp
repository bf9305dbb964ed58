#include "FolderWalk.h"

#include <algorithm>
#include <unordered_set>

#include "Ascii.h"
#include "UnicodeText.h"

namespace sorvik {

namespace {
// The subfolders walked are those "*.*" lists with these attributes.
constexpr std::uint32_t kFolderAttrs = faHidden | faDirectory;

bool IsSubfolder(const TDirEntry& e) {
  return (e.Attr & faDirectory) != 0 && EnumKeeps(e.Attr, kFolderAttrs) && e.Name != "." && e.Name != "..";
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The pieces between the ';' of a text, without the blanks around them; empty
// pieces left out.
std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    std::size_t first = start, last = end;
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    if (last > first) items.push_back(text.substr(first, last - first));
    start = end + 1;
  }
  return items;
}

// A name with its letters in upper case, each UTF-8 character replaced only by
// one of the same length (so '?' still takes one character); bytes that are no
// UTF-8 stay as they are.
std::string UpperName(const std::string& name) {
  std::string upper;
  upper.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    char32_t c = 0;
    const std::size_t len = Utf8CharAt(name, i, c);
    if (len <= 1) {
      upper += AsciiUpper(name[i++]);
      continue;
    }
    std::string folded;
    AppendUtf8(folded, SimpleUpper(c));
    upper.append(folded.size() == len ? folded : name.substr(i, len));
    i += len;
  }
  return upper;
}
}  // namespace

std::vector<std::string> SplitMasks(const std::string& text) {
  if (text.find(';') == std::string::npos) {
    if (std::all_of(text.begin(), text.end(), IsBlank)) return {};
    return {text};
  }
  return SplitList(text);
}

TFolderSkip::TFolderSkip(const std::string& text) : Items_(SplitList(text)) {
  for (const std::string& item : Items_) Folded_.push_back(UpperName(item));
}

std::string TFolderSkip::PathItem() const {
  for (const std::string& item : Items_)
    if (item.find_first_of("\\/") != std::string::npos) return item;
  return {};
}

bool TFolderSkip::Skips(const std::string& name) const {
  if (Folded_.empty() || name == "." || name == "..") return false;
  const std::string upper = UpperName(name);
  return std::any_of(Folded_.begin(), Folded_.end(), [&](const std::string& mask) { return MatchesMask(upper, mask); });
}

void TFolderWalk::Walk(const std::string& folder, const std::string& mask, bool recursive, std::uint32_t attrMask,
                       IVisitor& visitor, const TFolderSkip* skip) {
  Masks_ = SplitMasks(mask);
  Listing_ = Masks_.size() > 1 ? "*" : Masks_.empty() ? "" : Masks_.front();
  Recursive_ = recursive;
  AttrMask_ = attrMask;
  // A mask that matches every name, with the folder attributes, lists the
  // subfolders already: they are kept from that listing rather than listed again.
  KeepFolders_ =
      recursive && (Listing_ == "*" || Listing_ == "*.*") && (attrMask & kFolderAttrs) == kFolderAttrs;
  Visitor_ = &visitor;
  Skip_ = skip && !skip->Empty() ? skip : nullptr;
  OpenFolders_.clear();
  WalkFolder(!folder.empty() && folder.back() == Fs_.Delimiter() ? folder : folder + Fs_.Delimiter());
}

void TFolderWalk::WalkFolder(const std::string& f) {
  // Never enter a folder the walk is already inside (a link leading back up).
  TFolderId id;
  const bool known = Fs_.FolderIdentity(f, id);
  if (known && std::find(OpenFolders_.begin(), OpenFolders_.end(), id) != OpenFolders_.end()) return;
  if (known) OpenFolders_.push_back(id);
  struct TPop {
    std::vector<TFolderId>* Stack;
    bool Active;
    ~TPop() {
      if (Active) Stack->pop_back();
    }
  } pop{&OpenFolders_, known};

  Visitor_->EnterFolder(f);

  std::vector<std::string> subfolders;

  TDirEntry entry;
  // With several masks: the names that some mask lists.
  const bool several = Masks_.size() > 1;
  std::unordered_set<std::string> matched;
  for (std::size_t m = 0; several && m < Masks_.size(); ++m) {
    auto names = Fs_.FindFirst(f, Masks_[m], AttrMask_);
    names->DeferDetails();
    while (!Visitor_->Stopped() && names->Next(entry)) matched.insert(entry.Name);
  }
  {
    auto files = Fs_.FindFirst(f, Listing_, AttrMask_);
    // A file's size and times are asked for only when the visitor needs them.
    files->DeferDetails();
    while (!Visitor_->Stopped() && files->Next(entry)) {
      if (Skipped(entry)) continue;
      if (KeepFolders_ && IsSubfolder(entry)) subfolders.push_back(entry.Name);
      if ((entry.Attr & AttrMask_) != 0 && (!several || matched.count(entry.Name) != 0))
        Visitor_->Entry(f, entry, *files);
    }
  }
  if (!Recursive_) return;
  if (KeepFolders_) {
    for (const std::string& name : subfolders) {
      if (Visitor_->Stopped()) break;
      WalkFolder(f + name + Fs_.Delimiter());
    }
    return;
  }
  auto folders = Fs_.FindFirst(f, "*.*", kFolderAttrs, true);
  while (!Visitor_->Stopped() && folders->Next(entry))
    if (IsSubfolder(entry) && !Skipped(entry)) WalkFolder(f + entry.Name + Fs_.Delimiter());
}

bool TFolderWalk::Skipped(const TDirEntry& entry) const {
  return Skip_ && (entry.Attr & faDirectory) != 0 && Skip_->Skips(entry.Name);
}

}  // namespace sorvik
