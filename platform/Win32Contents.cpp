#include "Win32Contents.h"

#include "ReadBuffer.h"
#include "ReadClock.h"
#include "Win32Paths.h"

namespace sorvik {

namespace {

// Contents are read into the reader's buffer, never mapped: a small file whole,
// a larger one span by span. A read that fails (a file cut short, a network
// file lost) just says so, where a view needs a handler for its page faults,
// which can't put memory in place of the view without racing other threads for
// its addresses; and views of large files on several threads soon fill the
// address space of a 32-bit process, where spans take one buffer per reader.
// Spans cost a little more: under Wine, searches of files of a few hundred MB
// took about 1.1 times as long in spans of 4 MiB as with views of whole files
// (1.03 to 1.3 from run to run), and about 1.3 times in spans of 1 MiB: each
// ReadFile costs a fixed part besides the copy.
class TWin32ContentsReader : public IContentsReader {
  static constexpr std::size_t kSpan = std::size_t{4} << 20;

 public:
  explicit TWin32ContentsReader(TOwnOpens& opens) : Opens_(opens), Lease_(opens) {}
  ~TWin32ContentsReader() override { Close(); }

  bool Open(const std::string& path) override {
    Close();
    Clock_.Reset();
    WidenForSystem(path, Path_);
    // The locked test and the read share one open: without sharing, as the
    // locked test opens. A small file is read and closed at once, so no other
    // program is kept out for longer than that.
    TOwnOpens::TFile file = Opens_.Open(Lease_.Slot(), Path_.c_str(), 0);
    if (!file) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0) return false;
    if (static_cast<std::uint64_t>(size.QuadPart) <= kReadWholeLimit) {
      // One read into our buffer; a file cut short meanwhile gives what it still holds.
      DWORD got = 0;
      const auto want = static_cast<DWORD>(size.QuadPart);
      std::uint8_t* room = Buffer_.Room(want);
      if (!Clock_.Time(want, [&] { return ReadFile(file.get(), room, want, &got, nullptr); }) || got == 0) return false;
      Size_ = got;
      Read_ = true;
      Buffer_.Reset();
      return true;
    }
    // A larger file is read through a shared open, so that others may go on
    // reading and writing it while the scan runs.
    file.reset();  // the exclusive handle first, or the shared open meets it
    file = Opens_.Open(Lease_.Slot(), Path_.c_str(), FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0) return false;
    File_ = std::move(file);
    Size_ = static_cast<std::uint64_t>(size.QuadPart);
    Buffer_.Reset();
    return true;
  }

  std::uint64_t Size() const override { return Size_; }

  const std::uint8_t* Map(std::uint64_t offset, std::size_t length) override {
    if (length == 0 || offset + length > Size_) return nullptr;
    if (Read_) return Buffer_.Data() + offset;
    if (!File_) return nullptr;
    return Buffer_.ReadSpan(offset, length, [this](std::uint8_t* to, std::size_t n, std::uint64_t at) -> std::size_t {
      OVERLAPPED where{};
      where.Offset = static_cast<DWORD>(at);
      where.OffsetHigh = static_cast<DWORD>(at >> 32);
      DWORD got = 0;
      return Clock_.Time(n, [&] { return ReadFile(File_.get(), to, static_cast<DWORD>(n), &got, &where); }) ? got : 0;
    });
  }

  std::size_t ViewSizeHint() const override { return File_ ? kSpan : 0; }

  bool Faulted() const override { return Buffer_.Failed(); }

  TReadWaits Waits() const override { return Clock_.Waits(); }

  void Close() override {
    File_.reset();
    Size_ = 0;
    Read_ = false;
    Buffer_.Reset();
  }

 private:
  TOwnOpens& Opens_;
  TOwnOpens::TLease Lease_;  // where the file's handle is published
  TOwnOpens::TFile File_;    // a file read span by span into Buffer_
  TReadBuffer Buffer_;
  TReadClock Clock_;
  bool Read_ = false;    // the file was read whole into Buffer_
  std::uint64_t Size_ = 0;
  std::wstring Path_;
};

}  // namespace

std::unique_ptr<IContentsReader> NewWin32ContentsReader(TOwnOpens& opens) {
  return std::make_unique<TWin32ContentsReader>(opens);
}

}  // namespace sorvik
