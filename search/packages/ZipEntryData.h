// Inside the zip reader (not for its callers; ZipPackage.h is the public
// header): reading one entry's data, as the directory reader (ZipDirectory.cpp)
// hands it over. The reader's input (a stream or a range of the file), zlib's
// inflate state, what the reading has spent, and the entry's bytes: copied or
// inflated through small buffers, ended by its size, its deflate data or the
// data descriptor after it, and checked against its checksum.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FileBudget.h"
#include "ZipPackage.h"

namespace sorvik::zip_detail {

// Bytes given or inflated per step, and how many may pass between two
// questions to TZipLimits::Interrupted (a step more makes 256 KiB).
constexpr std::size_t kStep = 64 * 1024;
constexpr std::uint64_t kAskEvery = 192 * 1024;
// The scratch that entries are inflated into when only inflating finds their end.
constexpr std::size_t kScratch = 16 * 1024;
// The most bytes a data descriptor and the record signature after it take.
constexpr std::size_t kLongestDescriptor = 4 + 4 + 16 + 4;

constexpr std::uint32_t kLocalSig = 0x04034b50;
constexpr std::uint32_t kCentralSig = 0x02014b50;
constexpr std::uint32_t kEndSig = 0x06054b50;
constexpr std::uint32_t kZip64EndSig = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSig = 0x07064b50;
constexpr std::uint32_t kDescriptorSig = 0x08074b50;
constexpr std::uint32_t kSpannedSig = 0x30304b50;  // "PK00": a split archive that fits one part

inline std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t Get32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}
inline std::uint64_t Get64(const std::uint8_t* p) { return Get32(p) | std::uint64_t{Get32(p + 4)} << 32; }

// What a package reading may spend and has spent (the file's budget), and
// whether it was told to stop.
class Spending {
 public:
  Spending(const TZipLimits& limits, TFileBudget& file) : limits_(limits), file_(file) {}
  const TZipLimits& Limits() const { return limits_; }
  TFileBudget& File() { return file_; }
  const TFileBudget& File() const { return file_; }

  // Asks TZipLimits::Interrupted; false once it has said stop.
  bool Ask() {
    since_ = 0;
    if (!interrupted_ && limits_.Interrupted && limits_.Interrupted()) interrupted_ = true;
    return !interrupted_;
  }
  // Counts bytes worked through, asking when enough have passed.
  bool Tick(std::uint64_t n) {
    since_ += n;
    return since_ >= kAskEvery ? Ask() : !interrupted_;
  }
  bool Interrupted() const { return interrupted_; }

 private:
  const TZipLimits& limits_;
  TFileBudget& file_;
  std::uint64_t since_ = 0;
  bool interrupted_ = false;
};

// Bytes in order, from a stream or a range of a file, through one buffer. What
// a consumer doesn't take stays in the buffer for the next one (inflate may
// have been offered more than the deflate data).
class Input {
 public:
  explicit Input(std::size_t capacity)
      : buf_(std::make_unique_for_overwrite<std::uint8_t[]>(capacity)), capacity_(capacity) {}

  void Attach(IByteStream& stream);
  void Attach(IRandomBytes& file, std::uint64_t from, std::uint64_t to);

  // Makes at least `n` bytes (at most the capacity) ready when the source has
  // them; returns how many are ready.
  std::size_t Fill(std::size_t n);
  const std::uint8_t* Data() const { return buf_.get() + pos_; }
  std::size_t Ready() const { return end_ - pos_; }
  void Consume(std::size_t n) { pos_ += std::min(n, end_ - pos_); }

  // Takes `n` bytes into `out`; false when the source ends first.
  bool Take(std::string& out, std::size_t n);

  // Passes over `n` bytes; returns how many there were (fewer at the end of
  // the source or when the reading was interrupted).
  std::uint64_t Skip(std::uint64_t n, Spending& spending);

  // The buffer itself, for a look at a file's last bytes before any reading.
  std::uint8_t* Buffer() { return buf_.get(); }
  std::size_t Capacity() const { return capacity_; }

 private:
  std::size_t ReadSource(std::uint8_t* dst, std::size_t n);

  std::unique_ptr<std::uint8_t[]> buf_;
  std::size_t capacity_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool ended_ = false;
  IByteStream* stream_ = nullptr;
  IRandomBytes* file_ = nullptr;
  std::uint64_t at_ = 0;
  std::uint64_t to_ = 0;
};

// zlib's raw inflate state, made for a reader's first deflated entry and
// reset for each one after.
class Inflater {
 public:
  Inflater() = default;
  ~Inflater();
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
  void Reset();
  z_stream& Stream() { return z_; }

 private:
  z_stream z_{};
  bool made_ = false;
};

// How an entry's bytes are read.
struct TPlan {
  bool unsupported = false;  // encrypted or an unknown method: no bytes
  bool unreadable = false;   // its data can't be reached: ends Damaged at once
  bool deflated = false;
  std::uint64_t inLimit = 0; // compressed bytes it may take (the most there can be when unknown)
  std::uint32_t crc = 0;     // the checksum, unless a data descriptor gives it
  bool descriptor = false;   // a data descriptor follows the data
  // Stored data whose size only the descriptor after it gives (read as a
  // stream): its end is where a descriptor stands that agrees with the bytes
  // before it (their size and checksum).
  bool findEnd = false;
  bool zip64 = false;        // the local header has a Zip64 field (its descriptor has 8-byte sizes)
};

// The bytes of the entry being read, from the reader's input.
class EntryData final : public IZipEntryData {
 public:
  EntryData(Input& in, Spending& spending, Inflater& inflater) : in_(in), spending_(spending), inflater_(inflater) {}

  void Begin(const TPlan& plan);

  std::size_t Read(std::uint8_t* buf, std::size_t n) override;
  TZipEnd End() const override { return end_; }

  // How the entry ends (known before the reader has been given the 0).
  TZipEnd Result() const { return result_; }
  // Compressed bytes of the stated size not yet taken.
  std::uint64_t Left() const { return left_; }
  // The input stands right after the entry (its data and descriptor).
  bool Positioned() const { return positioned_; }

  // Reads the rest into `scratch` without giving it to anyone: how the end of
  // an entry is found whose size only its descriptor gives.
  void Drain(std::vector<std::uint8_t>& scratch);

  // Bytes checksummed to find where stored entries end, over every entry read.
  std::uint64_t DescriptorBytes() const { return descriptorBytes_; }

 private:
  void Settle(TZipEnd end) {
    if (result_ == TZipEnd::Open) result_ = end;
  }
  // Ends the entry TooLarge; `byBudget`: the file's budget ended it.
  void EndTooLarge(bool byBudget);

  // Bytes the limits still allow this entry; `byBudget` says whether the
  // file's budget is the nearer limit.
  std::uint64_t Allowance(bool& byBudget) const;
  // Bytes the limits still allow a stored entry to give; 0 has ended it TooLarge.
  std::uint64_t AllowedOrEnd();
  bool RatioExceeded() const;

  // Counts bytes made (given, or inflated to find the end) and taken.
  void Count(const std::uint8_t* bytes, std::size_t made, std::size_t used);

  // Where stored data whose size only its descriptor gives ends: the first
  // place a data descriptor stands whose compressed size is the entry's bytes
  // up to there and whose checksum theirs, with its signature or followed by
  // the next record's. Judges the places of the `ready` input bytes from
  // clearTo_ on (all of them once the input has `ended`, else those where every
  // form of descriptor is ready) and moves clearTo_ to the first that holds a
  // descriptor or isn't judged yet.
  void LookForDescriptor(std::size_t ready, bool ended);
  std::size_t CopyToDescriptor(std::uint8_t* buf, std::size_t n);
  std::size_t Copy(std::uint8_t* buf, std::size_t n);
  std::size_t Inflate(std::uint8_t* buf, std::size_t n);

  // The data has ended: the descriptor, if any, then the checksum.
  void Finish();

  // A data descriptor: an optional signature, the checksum and both sizes in 4
  // or 8 bytes. The form taken is the one whose sizes are those of the data
  // just read (Zip64 entries' 8-byte form first); else the first whose
  // compressed size is (a writer may state the other size cut to 32 bits).
  bool ReadDescriptor();

  Input& in_;
  Spending& spending_;
  Inflater& inflater_;
  TPlan plan_;
  TZipEnd end_ = TZipEnd::Open;     // what End() says
  TZipEnd result_ = TZipEnd::Open;  // how it ends, once known
  std::uint64_t out_ = 0;           // bytes given (or inflated to find the end)
  std::uint64_t used_ = 0;          // compressed bytes taken
  std::uint64_t left_ = 0;          // compressed bytes still allowed
  std::uint32_t crc_ = 0;
  std::uint64_t descriptorBytes_ = 0;  // checksummed by LookForDescriptor, all entries
  bool positioned_ = false;
  // Stored data ended by its descriptor (TPlan::findEnd): no descriptor that
  // agrees starts before clearTo_ (counted as used_ is), one starts there
  // when descriptorAtClear_; clearCrc_ is the checksum of the bytes before it.
  std::uint64_t clearTo_ = 0;
  std::uint32_t clearCrc_ = 0;
  bool descriptorAtClear_ = false;
};


}  // namespace sorvik::zip_detail
