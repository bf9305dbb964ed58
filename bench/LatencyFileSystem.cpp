#include "LatencyFileSystem.h"

#include <thread>

namespace sorvik {

namespace {

class TLatencyDirEnum : public IDirEnum {
 public:
  TLatencyDirEnum(const TLatencyFileSystem& fs, std::unique_ptr<IDirEnum> inner) : Fs_(fs), Inner_(std::move(inner)) {}
  bool Next(TDirEntry& entry) override { return Inner_->Next(entry); }
  void DeferDetails() override { Inner_->DeferDetails(); }
  bool FillDetails(TDirEntry& entry) override {
    if (entry.DetailsDeferred) Fs_.Wait();  // a look at the file itself
    return Inner_->FillDetails(entry);
  }

 private:
  const TLatencyFileSystem& Fs_;
  std::unique_ptr<IDirEnum> Inner_;
};

class TLatencyReader : public IContentsReader {
 public:
  TLatencyReader(const TLatencyFileSystem& fs, std::unique_ptr<IContentsReader> inner)
      : Fs_(fs), Inner_(std::move(inner)) {}
  bool Open(const std::string& path) override {
    Fs_.Wait();  // the open, and a small file's one read with it
    return Inner_->Open(path);
  }
  std::uint64_t Size() const override { return Inner_->Size(); }
  const std::uint8_t* Map(std::uint64_t offset, std::size_t length) override {
    // A small file was read whole when it opened; a larger one is read view by view.
    if (Inner_->Size() > kReadWholeLimit) Fs_.Wait();
    return Inner_->Map(offset, length);
  }
  std::size_t ViewSizeHint() const override { return Inner_->ViewSizeHint(); }
  bool Faulted() const override { return Inner_->Faulted(); }
  void Close() override { Inner_->Close(); }

 private:
  const TLatencyFileSystem& Fs_;
  std::unique_ptr<IContentsReader> Inner_;
};

}  // namespace

void TLatencyFileSystem::Wait() const {
  if (Latency_.count() > 0) std::this_thread::sleep_for(Latency_);
}

std::unique_ptr<IDirEnum> TLatencyFileSystem::FindFirst(const std::string& folder, const std::string& mask,
                                                        std::uint32_t attrMask, bool foldersOnly) {
  Wait();
  return std::make_unique<TLatencyDirEnum>(*this, Inner_.FindFirst(folder, mask, attrMask, foldersOnly));
}

bool TLatencyFileSystem::IsFileLocked(const std::string& path) {
  Wait();
  return Inner_.IsFileLocked(path);
}

bool TLatencyFileSystem::FillDetails(const std::string& path, TDirEntry& entry) {
  if (entry.DetailsDeferred) Wait();
  return Inner_.FillDetails(path, entry);
}

bool TLatencyFileSystem::TestUnlocked(const std::string& path, TDirEntry& entry) {
  Wait();  // one open, which also reads the details
  return Inner_.TestUnlocked(path, entry);
}

std::unique_ptr<IContentsReader> TLatencyFileSystem::NewContentsReader() {
  return std::make_unique<TLatencyReader>(*this, Inner_.NewContentsReader());
}

}  // namespace sorvik
