// The walk of a folder tree: each folder's entries that match the mask, then
// its subfolders, depth first. It owns the link-loop guard (a folder the walk
// is already inside is never entered again) and the stop points (before each
// entry and each subfolder), and hands every entry to its visitor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "FileSystem.h"

namespace sorvik {

class TFolderWalk {
 public:
  class IVisitor {
   public:
    virtual ~IVisitor() = default;
    // The walk enters `folder` (which ends in the delimiter).
    virtual void EnterFolder(const std::string& folder) = 0;
    // An entry of `folder` that matched; `listing` can fill in the details it
    // left out (IDirEnum::FillDetails) until the next entry.
    virtual void Entry(const std::string& folder, const TDirEntry& entry, IDirEnum& listing) = 0;
    // A stop point: may wait (a pause); true ends the walk.
    virtual bool Stopped() = 0;
  };

  explicit TFolderWalk(IFileSystem& fs) : Fs_(fs) {}

  // Walks `folder` for entries matching `mask` whose attribute word shares a
  // bit with `attrMask` (and which the enumeration keeps under it), and with
  // `recursive` every subfolder the same way.
  void Walk(const std::string& folder, const std::string& mask, bool recursive, std::uint32_t attrMask,
            IVisitor& visitor);

 private:
  void WalkFolder(const std::string& folder);

  IFileSystem& Fs_;
  std::string Mask_;
  bool Recursive_ = false;
  std::uint32_t AttrMask_ = 0;
  bool KeepFolders_ = false;  // subfolders come from the first listing of each folder
  IVisitor* Visitor_ = nullptr;
  std::vector<TFolderId> OpenFolders_;  // the folders the walk is inside
};

}  // namespace sorvik
