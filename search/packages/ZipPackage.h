// Reading zip packages (archives, and the documents that are zip packages of
// XML): the entries one after another, each entry's bytes inflated as a stream
// through a small buffer, never a whole entry in memory. Nothing in a package is
// trusted: sizes and offsets that lie, data cut short, bad checksums and entries
// that inflate without end give what can be read, an end the caller can tell
// apart, and never more memory than the reader's buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace sorvik {

// Bytes read in order.
class IByteStream {
 public:
  virtual ~IByteStream() = default;
  // Copies up to `n` bytes into `buf`; 0 at the end of the stream (also when it
  // can't be read any further).
  virtual std::size_t Read(std::uint8_t* buf, std::size_t n) = 0;
};

// Bytes read at any offset (the package file itself).
class IRandomBytes {
 public:
  virtual ~IRandomBytes() = default;
  virtual std::uint64_t Size() const = 0;
  // Copies up to `n` bytes from `offset` into `buf`; fewer only at the end or
  // when the bytes can't be read.
  virtual std::size_t ReadAt(std::uint64_t offset, std::uint8_t* buf, std::size_t n) = 0;
};

// How far a reader goes.
struct TZipLimits {
  // Inflated bytes one entry may give.
  std::uint64_t MaxEntryBytes = std::uint64_t{4} << 30;
  // Inflated bytes per compressed byte an entry may reach once it has given
  // RatioFrom bytes (a small file that inflates to gigabytes ends there).
  // Deflate gives at most about 1,030 to 1; text seldom beyond 50, the most
  // repetitive logs seldom beyond 200.
  std::uint64_t MaxRatio = 250;
  std::uint64_t RatioFrom = std::uint64_t{4} << 20;
  // Inflated bytes all entries of one package may give together (entries that
  // overlap in the file give their bytes again and again).
  std::uint64_t MaxTotalBytes = std::uint64_t{16} << 30;
  // Entries read of one package at most.
  std::size_t MaxEntries = 1 << 16;
  // Asked between reads (every few hundred kilobytes at most); true ends the
  // reading at once, as TZipEnd::Interrupted.
  std::function<bool()> Interrupted;
};

// One entry as the package describes it.
struct TZipEntry {
  std::string Name;  // UTF-8 (names not flagged as UTF-8 are read as code page 437)
  std::uint64_t CompressedSize = 0;  // as stated (may lie)
  std::uint64_t Size = 0;            // as stated (may lie)
  std::uint16_t Method = 0;          // 0 stored, 8 deflated; others are not read
  bool Encrypted = false;            // never read
  bool Folder = false;               // a name ending in '/'
};

// How reading an entry's bytes ended.
enum class TZipEnd : std::uint8_t {
  Open,         // not yet at its end
  Complete,     // every byte, and the checksum agreed
  Damaged,      // cut short, bad compressed data or a checksum that disagrees (the bytes before were given)
  TooLarge,     // a limit of TZipLimits was reached (the bytes before were given)
  Unsupported,  // encrypted, or a method other than stored or deflated: no bytes
  Interrupted,  // TZipLimits::Interrupted said so
};

// The inflated bytes of the entry being visited.
class IZipEntryData : public IByteStream {
 public:
  // How the reading ended so far (Open until Read has given 0).
  virtual TZipEnd End() const = 0;
};

// What reading a package came to.
struct TZipResult {
  std::size_t Entries = 0;  // entries visited
  bool Package = false;     // it read as a zip package (a central directory or a valid local header)
  bool Damaged = false;     // some of it could not be read
  bool Interrupted = false;
  bool TooLarge = false;    // MaxEntries or MaxTotalBytes ended it
};

// Called for each entry in turn; the visitor may read all, some or none of the
// entry's bytes before it returns. False stops the reading.
using TZipVisit = std::function<bool(const TZipEntry& entry, IZipEntryData& data)>;

// Reads a package file: the entries its central directory lists, in the
// directory's order (Zip64 too); when there is no readable directory, the local
// headers from the start of the file on.
TZipResult ReadZip(IRandomBytes& file, const TZipLimits& limits, const TZipVisit& visit);

// Reads a package that can only be read in order (one inside another): its
// local headers from the start on, data descriptors and Zip64 too. A stored
// entry whose size only a data descriptor gives ends where a descriptor stands
// that agrees with the bytes before it (their size and checksum).
TZipResult ReadZipStream(IByteStream& in, const TZipLimits& limits, const TZipVisit& visit);

// True when the bytes start with a zip local header ("PK\3\4").
bool StartsLikeZip(const std::uint8_t* data, std::size_t n);

}  // namespace sorvik
