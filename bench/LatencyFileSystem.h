// A file system that stands for a slow share: it forwards every call to the
// file system it wraps, and first waits a fixed time on each call that is a
// round trip on a network share: a folder's listing, an open of a file (the
// contents reader's, the locked test's, a look at a file's details) and a read
// of a larger file's span. It can also say that the tree is remote, so that a
// search takes it for a share.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "FileSystem.h"

namespace sorvik {

class TLatencyFileSystem : public IFileSystem {
 public:
  TLatencyFileSystem(IFileSystem& inner, std::chrono::microseconds latency, bool remote)
      : Inner_(inner), Latency_(latency), Remote_(remote) {}

  char Delimiter() const override { return Inner_.Delimiter(); }
  TPathKind Kind(const std::string& path) override { return Inner_.Kind(path); }
  std::unique_ptr<IDirEnum> FindFirst(const std::string& folder, const std::string& mask, std::uint32_t attrMask,
                                      bool foldersOnly) override;
  bool IsFileLocked(const std::string& path) override;
  bool FillDetails(const std::string& path, TDirEntry& entry) override;
  bool TestUnlocked(const std::string& path, TDirEntry& entry) override;
  bool IsRemote(const std::string& folder) override { return Remote_ || Inner_.IsRemote(folder); }
  bool FolderIdentity(const std::string& folder, TFolderId& id) override { return Inner_.FolderIdentity(folder, id); }
  std::unique_ptr<IContentsReader> NewContentsReader() override;
  int SmallIconIndex(const std::string& path) override { return Inner_.SmallIconIndex(path); }

  // One round trip.
  void Wait() const;

 private:
  IFileSystem& Inner_;
  std::chrono::microseconds Latency_;
  bool Remote_;
};

}  // namespace sorvik
