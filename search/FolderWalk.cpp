#include "FolderWalk.h"

#include <algorithm>

namespace sorvik {

namespace {
// The subfolders walked are those "*.*" lists with these attributes.
constexpr std::uint32_t kFolderAttrs = faHidden | faDirectory;

bool IsSubfolder(const TDirEntry& e) {
  return (e.Attr & faDirectory) != 0 && EnumKeeps(e.Attr, kFolderAttrs) && e.Name != "." && e.Name != "..";
}
}  // namespace

void TFolderWalk::Walk(const std::string& folder, const std::string& mask, bool recursive, std::uint32_t attrMask,
                       IVisitor& visitor) {
  Mask_ = mask;
  Recursive_ = recursive;
  AttrMask_ = attrMask;
  // A mask that matches every name, with the folder attributes, lists the
  // subfolders already: they are kept from that listing rather than listed again.
  KeepFolders_ = recursive && (mask == "*" || mask == "*.*") && (attrMask & kFolderAttrs) == kFolderAttrs;
  Visitor_ = &visitor;
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
  {
    auto files = Fs_.FindFirst(f, Mask_, AttrMask_);
    // A file's size and times are asked for only when the visitor needs them.
    files->DeferDetails();
    while (!Visitor_->Stopped() && files->Next(entry)) {
      if (KeepFolders_ && IsSubfolder(entry)) subfolders.push_back(entry.Name);
      if ((entry.Attr & AttrMask_) != 0) Visitor_->Entry(f, entry, *files);
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
    if (IsSubfolder(entry)) WalkFolder(f + entry.Name + Fs_.Delimiter());
}

}  // namespace sorvik
