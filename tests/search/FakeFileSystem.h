// A file system made of entries the test writes down: attribute words, times
// and folders that a real disk (or Wine) can't produce.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "FileSystem.h"

namespace sorvik::test {

class TFakeFileSystem : public IFileSystem {
 public:
  struct TNode {
    TDirEntry Entry;
    std::string Contents;
    bool Locked = false;
  };

  // Adds an entry to `folder` (a path ending in '\'). Folders get their own listing.
  TNode& Add(const std::string& folder, const std::string& name, std::uint32_t attr, const std::string& contents = "") {
    TNode node;
    node.Entry.Name = name;
    node.Entry.Attr = attr;
    node.Entry.Size = static_cast<std::int64_t>(contents.size());
    node.Entry.LocalWrite = {2020, 5, 6, 7, 8, 10};
    node.Entry.Time = *PackDosDateTime(node.Entry.LocalWrite);
    node.Contents = contents;
    auto& list = Folders_[folder];
    list.push_back(node);
    if (attr & faDirectory && name != "." && name != "..") Folders_.try_emplace(folder + name + "\\");
    return list.back();
  }
  // A folder with "." and ".." first, as Windows lists a folder that is not a root.
  void AddFolder(const std::string& folder) {
    Add(folder, ".", faDirectory);
    Add(folder, "..", faDirectory);
  }
  // Makes `folder` report the identity of `sameAs` (a link back up the tree).
  void Alias(const std::string& folder, const std::string& sameAs) { Aliases_[folder] = sameAs; }

  // Paths opened for their contents. The contents tests may run on several
  // threads, so the order they were opened in is not kept.
  std::multiset<std::string> Opened;
  std::vector<std::string> Listed;  // folder + mask of every enumeration
  // The view length readers suggest (0: whole files), and the bytes all views held.
  std::size_t ViewHint = 0;
  std::atomic<std::uint64_t> MappedBytes{0};

  char Delimiter() const override { return '\\'; }

  std::unique_ptr<IDirEnum> FindFirst(const std::string& folder, const std::string& mask, std::uint32_t attrMask,
                                      bool) override {
    Listed.push_back(folder + mask);
    auto e = std::make_unique<TEnum>();
    auto it = Folders_.find(folder);
    if (it != Folders_.end())
      for (const TNode& n : it->second)
        if (MatchesMask(n.Entry.Name, mask) && EnumKeeps(n.Entry.Attr, attrMask)) e->Entries.push_back(n.Entry);
    return e;
  }

  bool IsFileLocked(const std::string& path) override {
    const TNode* n = Find(path);
    return n && !(n->Entry.Attr & faDirectory) && n->Locked;
  }
  bool FolderIdentity(const std::string& folder, TFolderId& id) override {
    auto a = Aliases_.find(folder);
    const std::string& real = a == Aliases_.end() ? folder : a->second;
    if (!Folders_.count(real)) return false;
    id = {1, std::hash<std::string>{}(real)};
    return true;
  }
  std::unique_ptr<IContentsReader> NewContentsReader() override { return std::make_unique<TReader>(*this); }
  int SmallIconIndex(const std::string&) override { return 7; }

 private:
  struct TEnum : IDirEnum {
    std::vector<TDirEntry> Entries;
    std::size_t Next_ = 0;
    bool Next(TDirEntry& e) override {
      if (Next_ >= Entries.size()) return false;
      e = Entries[Next_++];
      return true;
    }
  };
  struct TReader : IContentsReader {
    explicit TReader(TFakeFileSystem& fs) : Fs(fs) {}
    TFakeFileSystem& Fs;
    const TNode* Node = nullptr;
    bool Open(const std::string& path) override {
      Node = Fs.Find(path);
      if (!Node || (Node->Entry.Attr & faDirectory) || Node->Locked) {
        Node = nullptr;
        return false;
      }
      std::lock_guard lock(Fs.OpenedLock_);
      Fs.Opened.insert(path);
      return true;
    }
    std::uint64_t Size() const override { return Node ? Node->Contents.size() : 0; }
    std::size_t ViewSizeHint() const override { return Fs.ViewHint; }
    const std::uint8_t* Map(std::uint64_t offset, std::size_t length) override {
      Fs.MappedBytes += length;
      return Node ? reinterpret_cast<const std::uint8_t*>(Node->Contents.data()) + offset : nullptr;
    }
    bool Faulted() const override { return false; }
    void Close() override { Node = nullptr; }
  };

  const TNode* Find(const std::string& path) const {
    const std::size_t cut = path.rfind('\\');
    if (cut == std::string::npos) return nullptr;
    auto it = Folders_.find(path.substr(0, cut + 1));
    if (it == Folders_.end()) return nullptr;
    for (const TNode& n : it->second)
      if (n.Entry.Name == path.substr(cut + 1)) return &n;
    return nullptr;
  }

  std::mutex OpenedLock_;
  std::map<std::string, std::vector<TNode>> Folders_;
  std::map<std::string, std::string> Aliases_;
};

}  // namespace sorvik::test
