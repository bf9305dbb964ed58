// A contents reader's buffer: a small file's bytes, or one span of a larger
// file, reused from file to file. It only grows: bytes past what was read are
// never looked at, so they need no clearing.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sorvik {

class TReadBuffer {
 public:
  // The buffer, at least n bytes long.
  std::uint8_t* Room(std::size_t n) {
    if (Bytes_.size() < n) Bytes_.resize(n);
    return Bytes_.data();
  }
  const std::uint8_t* Data() const { return Bytes_.data(); }

  // Reads bytes [offset, offset + length) with read(destination, count, offset),
  // which gives the bytes it read (0 at the end of the file or on failure).
  // Bytes that can't be read (the file was cut short, or the disk failed) read
  // as zeros, and Failed() says so until Reset().
  template <typename Read>
  const std::uint8_t* ReadSpan(std::uint64_t offset, std::size_t length, Read read) {
    std::uint8_t* room = Room(length);
    std::size_t got = 0;
    while (got < length) {
      const std::size_t n = read(room + got, length - got, offset + got);
      if (n == 0) break;
      got += n;
    }
    if (got < length) {
      std::fill(room + got, room + length, std::uint8_t{0});
      Failed_ = true;
    }
    return room;
  }

  bool Failed() const { return Failed_; }
  void Reset() { Failed_ = false; }

 private:
  std::vector<std::uint8_t> Bytes_;
  bool Failed_ = false;
};

}  // namespace sorvik
