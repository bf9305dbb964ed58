// Reading zip packages (archives, and the documents that are zip packages of
// XML): the entries one after another, each entry's bytes inflated as a stream
// through a small buffer, never a whole entry in memory. Nothing in a package is
// trusted: sizes and offsets that lie, data cut short, bad checksums and entries
// that inflate without end give what can be read, an end the caller can tell
// apart, and never more memory than the reader's buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <functional>
#include <string>

#include "FileBudget.h"

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
  // All the bytes at once, where they can be had so (a view of the whole
  // file); empty otherwise, or when they couldn't be read.
  virtual std::string_view Whole() { return {}; }
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
  // What the file on disk may cost: every byte an entry gives or inflates
  // (also bytes inflated or read only to find where an entry ends, which no
  // one is given) is spent from it. An entry that would pass what is left ends
  // TooLarge, the budget is marked reached and the reading ends TooLarge (so
  // do readings that find it reached). One budget may serve the package and
  // every package read inside it. Null: the reader makes one of its own,
  // TFileBudget(file.Size()) for ReadZip, TFileBudget(0) for ReadZipStream.
  TFileBudget* Budget = nullptr;
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
  bool TooLarge = false;    // the budget (TZipLimits::Budget) ended it
  // Entries of the directory not visited because their data (from the local
  // header to the end of the compressed data the directory states) is, or
  // overlaps, that of an entry visited before: data is read once.
  std::size_t Overlapping = 0;
  // Bytes checksummed to find where stored entries end whose size only a
  // descriptor after them gives: each byte of such an entry once, however
  // many false descriptors it holds.
  std::uint64_t DescriptorBytes = 0;
};

// Called for each entry in turn; the visitor may read all, some or none of the
// entry's bytes before it returns. False stops the reading.
using TZipVisit = std::function<bool(const TZipEntry& entry, IZipEntryData& data)>;

// Reads a package file: the entries its central directory lists, in the
// directory's order (Zip64 too), however many; an entry whose data is, or
// overlaps, data read before is passed over (TZipResult::Overlapping). When
// there is no readable directory, or none of its entries' local headers is
// where it says, the local headers from the start of the file on.
TZipResult ReadZip(IRandomBytes& file, const TZipLimits& limits, const TZipVisit& visit);

// Reads a package that can only be read in order (one inside another): its
// local headers from the start on, data descriptors and Zip64 too. A stored
// entry whose size only a data descriptor gives ends where a descriptor stands
// that agrees with the bytes before it (their size and checksum).
TZipResult ReadZipStream(IByteStream& in, const TZipLimits& limits, const TZipVisit& visit);

// True when the bytes start with a zip local header ("PK\3\4").
bool StartsLikeZip(const std::uint8_t* data, std::size_t n);

}  // namespace sorvik
