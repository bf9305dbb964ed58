// A file's bytes at any offset, read through views of its contents reader (a
// view of a megabyte at a time), for the readers of packages.
#pragma once

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

#include "FileSystem.h"
#include "ZipPackage.h"

namespace sorvik {

class TViewBytes : public IRandomBytes {
 public:
  TViewBytes(IContentsReader& reader, std::uint64_t size) : Reader_(reader), Size_(size) {}
  std::uint64_t Size() const override { return Size_; }
  std::size_t ReadAt(std::uint64_t offset, std::uint8_t* buf, std::size_t n) override {
    if (Failed_ || offset >= Size_) return 0;
    n = static_cast<std::size_t>(std::min<std::uint64_t>(n, Size_ - offset));
    if (!Base_ || offset < Start_ || offset + n > End_) {
      const std::uint64_t length = std::min<std::uint64_t>(std::max<std::uint64_t>(kView, n), Size_ - offset);
      Base_ = Reader_.Map(offset, static_cast<std::size_t>(length));
      if (!Base_) {
        Failed_ = true;
        return 0;
      }
      Start_ = offset;
      End_ = offset + length;
    }
    std::memcpy(buf, Base_ + (offset - Start_), n);
    // A view whose pages could not be read gives nothing more.
    if (Reader_.Faulted()) {
      Failed_ = true;
      return 0;
    }
    return n;
  }

 std::string_view Whole() override {
    if (Failed_ || Size_ == 0 || Size_ > std::numeric_limits<std::size_t>::max() / 2) return {};
    const std::uint8_t* base = Reader_.Map(0, static_cast<std::size_t>(Size_));
    if (!base || Reader_.Faulted()) return {};
    Base_ = base;
    Start_ = 0;
    End_ = Size_;
    return {reinterpret_cast<const char*>(base), static_cast<std::size_t>(Size_)};
  }

 private:
  static constexpr std::uint64_t kView = 1 << 20;
  IContentsReader& Reader_;
  std::uint64_t Size_;
  const std::uint8_t* Base_ = nullptr;
  std::uint64_t Start_ = 0, End_ = 0;
  bool Failed_ = false;
};

}  // namespace sorvik
