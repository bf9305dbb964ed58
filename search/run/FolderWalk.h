// The walk of a folder tree: each folder's entries that match the mask, then
// its subfolders, depth first. It owns the link-loop guard (a folder the walk
// is already inside is never entered again) and the stop points (before each
// entry and each subfolder), and the folders it leaves out, and hands every
// entry to its visitor.
//
// A mask text may hold several masks separated by ';'. One mask goes to the
// system's enumeration as typed. With several, a folder is listed once per mask
// and once with "*": the entries of the "*" listing, in its order, that some
// mask's listing holds are the folder's entries. So each mask keeps the
// system's own rules (on Windows also the match on a file's 8.3 name), and the
// entries keep the order the system lists them in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "FileSystem.h"

namespace sorvik {

// The masks a mask text holds. Without a ';' it is one mask, as typed, or none
// when it is blank. With one, each piece between the ';' without the blanks
// (spaces and tabs) around it, empty pieces left out.
std::vector<std::string> SplitMasks(const std::string& text);

// The folders a walk leaves out, from a text of names or masks separated by ';'
// (".git; node_modules; bin; obj"): each item without the blanks (spaces and
// tabs) around it, empty items left out. A folder whose name some item matches
// is skipped: the walk neither enters it nor hands its entry to the visitor, at
// any depth. Names are compared as Windows compares file names: by the mask
// rules of MatchesMask, letters without regard to case (Unicode's simple
// upper-case mapping). The start folder is never skipped.
class TFolderSkip {
 public:
  TFolderSkip() = default;
  explicit TFolderSkip(const std::string& text);

  bool Empty() const { return Items_.empty(); }
  // The first item that holds a path delimiter ('\' or '/'), as typed: a path
  // rather than a name, which the search refuses; empty when there is none.
  std::string PathItem() const;
  // Whether a folder of this name is skipped ("." and ".." never are).
  bool Skips(const std::string& name) const;

 private:
  std::vector<std::string> Items_;   // as typed
  std::vector<std::string> Folded_;  // in upper case, for the comparison
};

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

  // Walks `folder` for entries matching `mask` (a mask text: see SplitMasks;
  // none lists nothing) whose attribute word shares a bit with `attrMask` (and
  // which the enumeration keeps under it), and with `recursive` every
  // subfolder the same way, but for the folders `skip` leaves out (none when null).
  void Walk(const std::string& folder, const std::string& mask, bool recursive, std::uint32_t attrMask,
            IVisitor& visitor, const TFolderSkip* skip = nullptr);

 private:
  void WalkFolder(const std::string& folder);
  bool Skipped(const TDirEntry& entry) const;

  IFileSystem& Fs_;
  std::vector<std::string> Masks_;
  std::string Listing_;  // the mask of each folder's listing: the one mask, or "*" for several
  bool Recursive_ = false;
  std::uint32_t AttrMask_ = 0;
  bool KeepFolders_ = false;  // subfolders come from the first listing of each folder
  IVisitor* Visitor_ = nullptr;
  const TFolderSkip* Skip_ = nullptr;  // none, or a list with at least one item
  std::vector<TFolderId> OpenFolders_;  // the folders the walk is inside
};

}  // namespace sorvik
