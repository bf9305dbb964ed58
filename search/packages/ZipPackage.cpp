#include "ZipPackage.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace sorvik {
namespace {

// One reader's memory, whatever the package holds: the data input (large
// enough for the last 64 KiB + 22 bytes of a file, where the end record is
// looked for), the directory input, the scratch that entries are inflated
// into when only inflating finds their end, and zlib's state.
constexpr std::size_t kDataInput = 68 * 1024;
constexpr std::size_t kDirInput = 16 * 1024;
constexpr std::size_t kScratch = 16 * 1024;
// Bytes given or inflated per step, and how many may pass between two
// questions to TZipLimits::Interrupted (a step more makes 256 KiB).
constexpr std::size_t kStep = 64 * 1024;
constexpr std::uint64_t kAskEvery = 192 * 1024;
constexpr std::uint64_t kEndSearch = 0xFFFF + 22;
constexpr std::uint32_t kNoSize32 = 0xFFFFFFFF;

constexpr std::uint32_t kLocalSig = 0x04034b50;
constexpr std::uint32_t kCentralSig = 0x02014b50;
constexpr std::uint32_t kEndSig = 0x06054b50;
constexpr std::uint32_t kZip64EndSig = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSig = 0x07064b50;
constexpr std::uint32_t kDescriptorSig = 0x08074b50;
constexpr std::uint32_t kSpannedSig = 0x30304b50;  // "PK00": a split archive that fits one part

constexpr std::uint16_t kFlagEncrypted = 1 << 0;
constexpr std::uint16_t kFlagDescriptor = 1 << 3;
constexpr std::uint16_t kFlagStrongEncryption = 1 << 6;
constexpr std::uint16_t kFlagUtf8 = 1 << 11;

std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Get32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}
std::uint64_t Get64(const std::uint8_t* p) { return Get32(p) | std::uint64_t{Get32(p + 4)} << 32; }

// Code page 437's characters 0x80..0xFF.
constexpr std::uint16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// An entry's name in UTF-8: as stored when flagged as UTF-8, else read as code
// page 437.
std::string EntryName(std::string raw, std::uint16_t flags) {
  if (flags & kFlagUtf8) return raw;
  std::string name;
  name.reserve(raw.size());
  for (char c : raw) {
    const auto b = static_cast<std::uint8_t>(c);
    if (b < 0x80) {
      name += c;
      continue;
    }
    const std::uint16_t u = kCp437High[b - 0x80];
    if (u < 0x800) {
      name += static_cast<char>(0xC0 | u >> 6);
    } else {
      name += static_cast<char>(0xE0 | u >> 12);
      name += static_cast<char>(0x80 | (u >> 6 & 0x3F));
    }
    name += static_cast<char>(0x80 | (u & 0x3F));
  }
  return name;
}

// Sizes and offset from a Zip64 extra field (0x0001): each value that reads
// 0xFFFFFFFF in the header is there, in this order. A local header holds both
// sizes when it holds either. False when there is no such field.
bool ReadZip64Extra(const std::string& extra, bool local, std::uint64_t& size, std::uint64_t& compressed,
                    std::uint64_t* offset) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(extra.data());
  for (std::size_t i = 0; i + 4 <= extra.size();) {
    const std::uint16_t id = Get16(p + i);
    const std::size_t len = std::min<std::size_t>(Get16(p + i + 2), extra.size() - i - 4);
    const std::uint8_t* field = p + i + 4;
    if (id == 0x0001) {
      if (local && len >= 16) {
        if (size == kNoSize32) size = Get64(field);
        if (compressed == kNoSize32) compressed = Get64(field + 8);
        return true;
      }
      std::size_t at = 0;
      for (std::uint64_t* value : {&size, &compressed, offset}) {
        if (value && *value == kNoSize32 && at + 8 <= len) {
          *value = Get64(field + at);
          at += 8;
        }
      }
      return true;
    }
    i += 4 + len;
  }
  return false;
}

// What a package reading has spent, and whether it was told to stop.
class Budget {
 public:
  explicit Budget(const TZipLimits& limits) : limits_(limits) {}
  const TZipLimits& Limits() const { return limits_; }

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

  std::uint64_t total = 0;     // bytes given or inflated by all entries so far
  bool totalReached = false;   // MaxTotalBytes ended an entry

 private:
  const TZipLimits& limits_;
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

  void Attach(IByteStream& stream) {
    stream_ = &stream;
    file_ = nullptr;
    pos_ = end_ = 0;
    ended_ = false;
  }
  void Attach(IRandomBytes& file, std::uint64_t from, std::uint64_t to) {
    stream_ = nullptr;
    file_ = &file;
    at_ = from;
    to_ = std::max(from, to);
    pos_ = end_ = 0;
    ended_ = false;
  }

  // Makes at least `n` bytes (at most the capacity) ready when the source has
  // them; returns how many are ready.
  std::size_t Fill(std::size_t n) {
    n = std::min(n, capacity_);
    if (end_ - pos_ >= n) return end_ - pos_;
    if (pos_ > 0) {
      std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
      end_ -= pos_;
      pos_ = 0;
    }
    while (end_ < n && !ended_) {
      const std::size_t got = ReadSource(buf_.get() + end_, capacity_ - end_);
      if (got == 0) ended_ = true;
      end_ += got;
    }
    return end_ - pos_;
  }
  const std::uint8_t* Data() const { return buf_.get() + pos_; }
  std::size_t Ready() const { return end_ - pos_; }
  void Consume(std::size_t n) { pos_ += std::min(n, end_ - pos_); }

  // Takes `n` bytes into `out`; false when the source ends first.
  bool Take(std::string& out, std::size_t n) {
    out.clear();
    while (out.size() < n) {
      if (Ready() == 0 && Fill(1) == 0) return false;
      const std::size_t k = std::min(Ready(), n - out.size());
      out.append(reinterpret_cast<const char*>(Data()), k);
      Consume(k);
    }
    return true;
  }

  // Passes over `n` bytes; returns how many there were (fewer at the end of
  // the source or when the reading was interrupted).
  std::uint64_t Skip(std::uint64_t n, Budget& budget) {
    std::uint64_t done = std::min<std::uint64_t>(n, Ready());
    Consume(static_cast<std::size_t>(done));
    if (file_) {
      const std::uint64_t k = std::min(n - done, to_ - at_);
      at_ += k;
      return done + k;
    }
    while (done < n && !ended_ && budget.Tick(0)) {
      pos_ = end_ = 0;
      const std::size_t got =
          ReadSource(buf_.get(), static_cast<std::size_t>(std::min<std::uint64_t>(capacity_, n - done)));
      if (got == 0) ended_ = true;
      done += got;
      budget.Tick(got);
    }
    return done;
  }

  // The buffer itself, for a look at a file's last bytes before any reading.
  std::uint8_t* Buffer() { return buf_.get(); }
  std::size_t Capacity() const { return capacity_; }

 private:
  std::size_t ReadSource(std::uint8_t* dst, std::size_t n) {
    if (stream_) return std::min(stream_->Read(dst, n), n);
    if (!file_ || at_ >= to_) return 0;
    n = static_cast<std::size_t>(std::min<std::uint64_t>(n, to_ - at_));
    const std::size_t got = std::min(file_->ReadAt(at_, dst, n), n);
    at_ += got;
    return got;
  }

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

// Reads up to `n` bytes at `offset` however many pieces the file gives them in.
std::size_t ReadFull(IRandomBytes& file, std::uint64_t offset, std::uint8_t* buf, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    const std::size_t got = std::min(file.ReadAt(offset + done, buf + done, n - done), n - done);
    if (got == 0) break;
    done += got;
  }
  return done;
}

// zlib's raw inflate state, made for a reader's first deflated entry and
// reset for each one after.
class Inflater {
 public:
  Inflater() = default;
  ~Inflater() {
    if (made_) inflateEnd(&z_);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
  void Reset() {
    if (made_) {
      inflateReset(&z_);
    } else if (inflateInit2(&z_, -15) == Z_OK) {
      made_ = true;
    } else {
      throw std::bad_alloc();
    }
  }
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
  EntryData(Input& in, Budget& budget, Inflater& inflater) : in_(in), budget_(budget), inflater_(inflater) {}

  void Begin(const TPlan& plan) {
    plan_ = plan;
    end_ = result_ = TZipEnd::Open;
    out_ = used_ = 0;
    left_ = plan.inLimit;
    crc_ = crc32(0, nullptr, 0);
    positioned_ = false;
    if (plan.unsupported) {
      result_ = TZipEnd::Unsupported;
    } else if (plan.unreadable) {
      result_ = TZipEnd::Damaged;
    } else if (plan.deflated) {
      inflater_.Reset();
    }
  }

  std::size_t Read(std::uint8_t* buf, std::size_t n) override {
    std::size_t got = 0;
    if (result_ == TZipEnd::Open && n > 0) got = plan_.deflated ? Inflate(buf, n) : Copy(buf, n);
    if (got == 0 && n > 0) {
      if (result_ == TZipEnd::Open) result_ = TZipEnd::Damaged;
      end_ = result_;
    }
    return got;
  }
  TZipEnd End() const override { return end_; }

  // How the entry ends (known before the reader has been given the 0).
  TZipEnd Result() const { return result_; }
  // Compressed bytes of the stated size not yet taken.
  std::uint64_t Left() const { return left_; }
  // The input stands right after the entry (its data and descriptor).
  bool Positioned() const { return positioned_; }

  // Reads the rest into `scratch` without giving it to anyone: how the end of
  // an entry is found whose size only its descriptor gives.
  void Drain(std::vector<std::uint8_t>& scratch) {
    if (scratch.empty()) scratch.resize(kScratch);
    while (Read(scratch.data(), scratch.size()) > 0) {
    }
  }

 private:
  void Settle(TZipEnd end) {
    if (result_ == TZipEnd::Open) result_ = end;
  }
  void EndTooLarge(bool byTotal) {
    if (byTotal) budget_.totalReached = true;
    Settle(TZipEnd::TooLarge);
  }

  // Bytes the limits still allow this entry; `byTotal` says whether the
  // package's limit is the nearer one.
  std::uint64_t Allowance(bool& byTotal) const {
    const TZipLimits& limits = budget_.Limits();
    const std::uint64_t entry = limits.MaxEntryBytes > out_ ? limits.MaxEntryBytes - out_ : 0;
    const std::uint64_t total = limits.MaxTotalBytes > budget_.total ? limits.MaxTotalBytes - budget_.total : 0;
    byTotal = total <= entry;
    return std::min(entry, total);
  }
  // Bytes the limits still allow a stored entry to give; 0 has ended it TooLarge.
  std::uint64_t AllowedOrEnd() {
    bool byTotal = false;
    const std::uint64_t allowed = Allowance(byTotal);
    if (allowed == 0) EndTooLarge(byTotal);
    return allowed;
  }
  bool RatioExceeded() const {
    const TZipLimits& limits = budget_.Limits();
    if (out_ < limits.RatioFrom || out_ == 0) return false;
    if (limits.MaxRatio == 0) return true;
    if (used_ > UINT64_MAX / limits.MaxRatio) return false;
    return out_ > used_ * limits.MaxRatio;
  }

  void Count(const std::uint8_t* bytes, std::size_t made, std::size_t used) {
    used_ += used;
    left_ -= used;
    crc_ = crc32(crc_, bytes, static_cast<uInt>(made));
    out_ += made;
    budget_.total += made;
    budget_.Tick(made + used);
  }

  // Where the stored data ends in the ready input: the first place a data
  // descriptor stands whose compressed size is the entry's bytes up to there
  // and whose checksum theirs, with its signature or followed by the next
  // record's. `ready` bytes are looked at; none found: npos.
  std::size_t DescriptorAt(std::size_t ready) const {
    const std::uint8_t* p = in_.Data();
    const auto sig = [&](std::size_t at) {
      const std::uint32_t v = Get32(p + at);
      return v == kLocalSig || v == kCentralSig || v == kEndSig || v == kZip64EndSig;
    };
    for (std::size_t k = 0; k + 12 <= ready; ++k) {
      // What must stand at k, or right after a descriptor without signature there.
      const bool maybe = p[k] == 'P' || (k + 16 <= ready && p[k + 12] == 'P') || (k + 24 <= ready && p[k + 20] == 'P');
      if (!maybe) continue;
      const bool signature = k + 4 <= ready && Get32(p + k) == kDescriptorSig;
      for (const bool wide : {false, true}) {
        const std::size_t at = signature ? 4 : 0;
        const std::size_t length = at + 4 + (wide ? 16 : 8);
        if (k + length + (signature ? 0 : 4) > ready) continue;
        if (!signature && !sig(k + length)) continue;
        const std::uint64_t compressed = wide ? Get64(p + k + at + 4) : Get32(p + k + at + 4);
        if (compressed != used_ + k) continue;
        if (Get32(p + k + at) != crc32(crc_, p, static_cast<uInt>(k))) continue;
        return k;
      }
    }
    return std::string::npos;
  }

  std::size_t CopyToDescriptor(std::uint8_t* buf, std::size_t n) {
    constexpr std::size_t kLongestDescriptor = 4 + 4 + 16 + 4;
    const std::size_t ready = in_.Fill(kStep + kLongestDescriptor);
    const std::size_t end = DescriptorAt(ready);
    if (end == 0) {
      Finish();
      return 0;
    }
    // Bytes that can't begin a descriptor: all up to one found, or all but
    // the tail a descriptor could still start in.
    std::size_t k = end != std::string::npos ? end : ready > kLongestDescriptor ? ready - kLongestDescriptor : 0;
    if (k == 0) {
      Settle(TZipEnd::Damaged);  // the stream ended without a descriptor that agrees
      return 0;
    }
    const std::uint64_t allowed = AllowedOrEnd();
    if (allowed == 0) return 0;
    k = static_cast<std::size_t>(std::min<std::uint64_t>({k, n, kStep, allowed}));
    std::memcpy(buf, in_.Data(), k);
    in_.Consume(k);
    Count(buf, k, k);
    return k;
  }

  std::size_t Copy(std::uint8_t* buf, std::size_t n) {
    if (budget_.Interrupted()) {
      Settle(TZipEnd::Interrupted);
      return 0;
    }
    if (plan_.findEnd) return CopyToDescriptor(buf, n);
    if (left_ == 0) {
      Finish();
      return 0;
    }
    const std::uint64_t allowed = AllowedOrEnd();
    if (allowed == 0) return 0;
    if (in_.Ready() == 0 && in_.Fill(1) == 0) {
      Settle(TZipEnd::Damaged);  // cut short
      return 0;
    }
    const std::size_t k = static_cast<std::size_t>(
        std::min<std::uint64_t>({n, kStep, allowed, left_, in_.Ready()}));
    std::memcpy(buf, in_.Data(), k);
    in_.Consume(k);
    Count(buf, k, k);
    if (left_ == 0) Finish();
    return k;
  }

  std::size_t Inflate(std::uint8_t* buf, std::size_t n) {
    z_stream& z = inflater_.Stream();
    for (;;) {
      if (budget_.Interrupted()) {
        Settle(TZipEnd::Interrupted);
        return 0;
      }
      bool byTotal = false;
      const std::uint64_t allowed = Allowance(byTotal);
      // With nothing more allowed, one byte of room tells whether the data
      // ends here or would give more.
      std::uint8_t probe = 0;
      const bool probing = allowed == 0;
      std::uint8_t* dst = probing ? &probe : buf;
      const std::size_t room = probing ? 1 : static_cast<std::size_t>(std::min<std::uint64_t>({n, kStep, allowed}));
      if (in_.Ready() == 0 && left_ > 0) in_.Fill(1);
      const std::size_t offered = static_cast<std::size_t>(std::min<std::uint64_t>(in_.Ready(), left_));
      z.next_in = const_cast<Bytef*>(in_.Data());
      z.avail_in = static_cast<uInt>(offered);
      z.next_out = dst;
      z.avail_out = static_cast<uInt>(room);
      const int ret = inflate(&z, Z_NO_FLUSH);
      const std::size_t used = offered - z.avail_in;
      const std::size_t made = room - z.avail_out;
      in_.Consume(used);
      if (probing && made > 0) {
        Count(dst, 0, used);
        EndTooLarge(byTotal);
        return 0;
      }
      Count(dst, made, used);
      const std::size_t given = probing ? 0 : made;
      if (ret == Z_STREAM_END) {
        Finish();
        return given;
      }
      if ((ret != Z_OK && ret != Z_BUF_ERROR) || (used == 0 && made == 0)) {
        Settle(TZipEnd::Damaged);  // bad data, or data that needs more than the entry has
        return given;
      }
      if (RatioExceeded()) {
        Settle(TZipEnd::TooLarge);
        return given;
      }
      if (given > 0) return given;
    }
  }

  // The data has ended: the descriptor, if any, then the checksum.
  void Finish() {
    if (plan_.descriptor && !ReadDescriptor()) {
      Settle(TZipEnd::Damaged);
      return;
    }
    positioned_ = true;
    Settle(crc_ == plan_.crc ? TZipEnd::Complete : TZipEnd::Damaged);
  }

  // A data descriptor: an optional signature, the checksum and both sizes in 4
  // or 8 bytes. The form taken is the one whose sizes are those of the data
  // just read (Zip64 entries' 8-byte form first); else the first whose
  // compressed size is (a writer may state the other size cut to 32 bits).
  bool ReadDescriptor() {
    const std::size_t ready = in_.Fill(24);
    const std::uint8_t* p = in_.Data();
    const bool signature = ready >= 4 && Get32(p) == kDescriptorSig;
    struct Form {
      bool signature;
      bool wide;
    };
    static constexpr Form kNarrowFirst[] = {{true, false}, {false, false}, {true, true}, {false, true}};
    static constexpr Form kWideFirst[] = {{true, true}, {false, true}, {true, false}, {false, false}};
    for (const bool bothSizes : {true, false}) {
      for (const Form& form : plan_.zip64 ? kWideFirst : kNarrowFirst) {
        if (form.signature && !signature) continue;
        const std::size_t at = form.signature ? 4 : 0;
        const std::size_t length = at + 4 + (form.wide ? 16 : 8);
        if (ready < length) continue;
        const std::uint64_t compressed = form.wide ? Get64(p + at + 4) : Get32(p + at + 4);
        const std::uint64_t size = form.wide ? Get64(p + at + 12) : Get32(p + at + 8);
        if (compressed != used_ || (bothSizes && size != out_)) continue;
        plan_.crc = Get32(p + at);
        in_.Consume(length);
        return true;
      }
    }
    return false;
  }

  Input& in_;
  Budget& budget_;
  Inflater& inflater_;
  TPlan plan_;
  TZipEnd end_ = TZipEnd::Open;     // what End() says
  TZipEnd result_ = TZipEnd::Open;  // how it ends, once known
  std::uint64_t out_ = 0;           // bytes given (or inflated to find the end)
  std::uint64_t used_ = 0;          // compressed bytes taken
  std::uint64_t left_ = 0;          // compressed bytes still allowed
  std::uint32_t crc_ = 0;
  bool positioned_ = false;
};

// The fields a central directory header and a local header share, in the same
// order from the flags on (at offset 8 of the one, 6 of the other).
struct THeaderFields {
  std::uint16_t Flags, Method;
  std::uint32_t Crc, Compressed, Uncompressed;
  std::uint16_t NameLength, ExtraLength;
};
THeaderFields ReadFields(const std::uint8_t* p) {
  return {Get16(p), Get16(p + 2), Get32(p + 8), Get32(p + 12), Get32(p + 16), Get16(p + 20), Get16(p + 22)};
}

// An entry as a header describes it (the central directory's or a local one).
TZipEntry MakeEntry(std::string name, std::uint16_t flags, std::uint16_t method, std::uint64_t compressed,
                    std::uint64_t uncompressed) {
  TZipEntry entry;
  entry.Folder = !name.empty() && name.back() == '/';
  entry.Name = EntryName(std::move(name), flags);
  entry.CompressedSize = compressed;
  entry.Size = uncompressed;
  entry.Method = method;
  entry.Encrypted = (flags & (kFlagEncrypted | kFlagStrongEncryption)) != 0;
  return entry;
}

// How an entry's bytes are read, as far as the entry itself says.
TPlan PlanFor(const TZipEntry& entry) {
  TPlan plan;
  plan.unsupported = entry.Encrypted || (entry.Method != 0 && entry.Method != 8);
  plan.deflated = entry.Method == 8;
  return plan;
}

// The end of central directory record (or its Zip64 form), as found.
struct TDirectory {
  std::uint64_t entries = 0;
  bool entries16 = false;     // the count is the 16-bit one (wraps past 65535)
  std::uint64_t start = 0;    // where the first entry is said to be
  std::uint64_t size = 0;
  std::uint64_t end = 0;      // where the records after the directory start
  std::uint64_t shift = 0;    // bytes before the package (a self-extracting program)
};

// One reading of one package.
class Reader {
 public:
  Reader(const TZipLimits& limits, const TZipVisit& visit)
      : visit_(visit), budget_(limits), data_(kDataInput), entry_(data_, budget_, inflater_) {}

  TZipResult Stream(IByteStream& in) {
    data_.Attach(in);
    ReadLocalHeaders();
    return result_;
  }

  TZipResult File(IRandomBytes& file) {
    const std::uint64_t size = file.Size();
    TDirectory dir;
    const bool found = FindDirectory(file, size, dir);
    if (found && ReadDirectory(file, size, dir)) return result_;
    data_.Attach(file, 0, size);
    ReadLocalHeaders();
    if (result_.Package) result_.Damaged = true;  // its directory is missing or unreadable
    return result_;
  }

 private:
  // Visits one entry; false when the reading stops here.
  bool Visit(const TZipEntry& entry) {
    ++result_.Entries;
    const bool go = visit_(entry, entry_);
    if (entry_.Result() == TZipEnd::Damaged) result_.Damaged = true;
    if (budget_.Interrupted() || entry_.Result() == TZipEnd::Interrupted) result_.Interrupted = true;
    if (budget_.totalReached) result_.TooLarge = true;
    return go && !result_.Interrupted && !result_.TooLarge;
  }
  // Before each entry: false when the reading stops here.
  bool MayGoOn() {
    if (!budget_.Ask()) {
      result_.Interrupted = true;
      return false;
    }
    if (result_.Entries >= budget_.Limits().MaxEntries) {
      result_.TooLarge = true;
      return false;
    }
    return true;
  }

  bool FindDirectory(IRandomBytes& file, std::uint64_t size, TDirectory& dir) {
    const std::uint64_t tailStart = size - std::min(size, kEndSearch);
    std::uint8_t* tail = data_.Buffer();
    const std::size_t tailSize = ReadFull(
        file, tailStart, tail, static_cast<std::size_t>(std::min<std::uint64_t>(size - tailStart, data_.Capacity())));
    if (tailSize < 22) return false;
    // The record nearest the end whose comment reaches exactly to the end; else
    // the one nearest the end.
    std::size_t found = tailSize;
    for (std::size_t i = tailSize - 22 + 1; i-- > 0;) {
      if (Get32(tail + i) != kEndSig) continue;
      if (found == tailSize) found = i;
      if (i + 22 + Get16(tail + i + 20) == tailSize) {
        found = i;
        break;
      }
    }
    if (found == tailSize) return false;
    const std::uint8_t* rec = tail + found;
    const std::uint64_t at = tailStart + found;
    dir.entries = Get16(rec + 10);
    dir.entries16 = true;
    dir.size = Get32(rec + 12);
    dir.start = Get32(rec + 16);
    dir.end = at;
    std::uint8_t locator[20];
    std::uint8_t rec64[56];
    if (at >= 20 && ReadFull(file, at - 20, locator, 20) == 20 && Get32(locator) == kZip64LocatorSig) {
      const std::uint64_t at64 = Get64(locator + 8);
      if (at64 <= at - 20 && at - 20 - at64 >= 56 && ReadFull(file, at64, rec64, 56) == 56 &&
          Get32(rec64) == kZip64EndSig) {
        dir.entries = Get64(rec64 + 32);
        dir.entries16 = false;
        dir.size = Get64(rec64 + 40);
        dir.start = Get64(rec64 + 48);
        dir.end = at64;
      }
    }
    // Bytes before the package move the directory, and every offset with it.
    std::uint8_t sig[4];
    const bool atStart = ReadFull(file, dir.start, sig, 4) == 4 && Get32(sig) == kCentralSig;
    if (!atStart && dir.size <= dir.end && dir.start < dir.end - dir.size) {
      const std::uint64_t moved = dir.end - dir.size;
      if (ReadFull(file, moved, sig, 4) == 4 && Get32(sig) == kCentralSig) {
        dir.shift = moved - dir.start;
        dir.start = moved;
      }
    }
    return true;
  }

  // Visits the entries the directory lists; false when it has none readable
  // at its start (the local headers are read instead).
  bool ReadDirectory(IRandomBytes& file, std::uint64_t size, const TDirectory& dir) {
    if (dir.start > dir.end) return false;
    Input in(kDirInput);
    in.Attach(file, dir.start, dir.end);
    const bool first = in.Fill(4) >= 4 && Get32(in.Data()) == kCentralSig;
    if (!first) {
      if (dir.entries != 0 || dir.size != 0) return false;
      result_.Package = true;  // an empty package
      return true;
    }
    result_.Package = true;
    std::uint64_t found = 0;
    std::string name;
    std::string extra;
    for (;;) {
      if (in.Fill(46) < 46 || Get32(in.Data()) != kCentralSig) {
        // The count may have wrapped past 65535 in the 16-bit record.
        if (found < dir.entries || (dir.entries16 && (found & 0xFFFF) != dir.entries)) result_.Damaged = true;
        return true;
      }
      if (!MayGoOn()) return true;
      const std::uint8_t* h = in.Data();
      const auto [flags, method, crc, compressed32, uncompressed32, nameLength, extraLength] = ReadFields(h + 8);
      std::uint64_t compressed = compressed32, uncompressed = uncompressed32;
      const std::uint16_t commentLength = Get16(h + 32);
      std::uint64_t offset = Get32(h + 42);
      in.Consume(46);
      if (!in.Take(name, nameLength) || !in.Take(extra, extraLength) ||
          in.Skip(commentLength, budget_) != commentLength) {
        result_.Damaged = true;
        return true;
      }
      ReadZip64Extra(extra, false, uncompressed, compressed, &offset);
      ++found;

      TZipEntry entry = MakeEntry(std::move(name), flags, method, compressed, uncompressed);
      TPlan plan = PlanFor(entry);
      plan.inLimit = compressed;
      plan.crc = crc;
      // The local header's own lengths say where the data starts.
      const std::uint64_t local = offset + dir.shift;
      std::uint8_t header[30];
      std::uint64_t dataStart = 0;
      if (local < offset || local >= size || ReadFull(file, local, header, 30) != 30 ||
          Get32(header) != kLocalSig) {
        plan.unreadable = true;
      } else {
        dataStart = local + 30 + Get16(header + 26) + Get16(header + 28);
        if (Get16(header + 6) & (kFlagEncrypted | kFlagStrongEncryption)) plan.unsupported = true;
      }
      const std::uint64_t dataEnd = dataStart + compressed < dataStart ? size : std::min(size, dataStart + compressed);
      data_.Attach(file, dataStart, dataEnd);
      entry_.Begin(plan);
      if (!Visit(entry)) return true;
    }
  }

  // Local headers one after another from the input's start, up to the central
  // directory.
  void ReadLocalHeaders() {
    std::string name;
    std::string extra;
    bool first = true;
    for (;;) {
      std::size_t ready = data_.Fill(30);
      if (first && ready >= 4 && (Get32(data_.Data()) == kDescriptorSig || Get32(data_.Data()) == kSpannedSig) &&
          data_.Fill(34) >= 34 && Get32(data_.Data() + 4) == kLocalSig) {
        data_.Consume(4);  // the mark of a split archive
        ready = data_.Fill(30);
      }
      first = false;
      const std::uint32_t sig = ready >= 4 ? Get32(data_.Data()) : 0;
      if (sig != kLocalSig || ready < 30) {
        const bool directory = sig == kCentralSig || sig == kEndSig || sig == kZip64EndSig;
        if (result_.Package && !directory) result_.Damaged = true;
        return;
      }
      const auto [flags, method, crc, compressed32, uncompressed32, nameLength, extraLength] =
          ReadFields(data_.Data() + 6);
      std::uint64_t compressed = compressed32, uncompressed = uncompressed32;
      data_.Consume(30);
      if (!data_.Take(name, nameLength) || !data_.Take(extra, extraLength)) {
        if (result_.Package) result_.Damaged = true;
        return;
      }
      result_.Package = true;
      if (!MayGoOn()) return;
      const bool zip64 = ReadZip64Extra(extra, true, uncompressed, compressed, nullptr);

      TZipEntry entry = MakeEntry(std::move(name), flags, method, compressed, uncompressed);
      TPlan plan = PlanFor(entry);
      plan.crc = crc;
      plan.zip64 = zip64;
      plan.descriptor = (flags & kFlagDescriptor) != 0;
      plan.inLimit = compressed;
      // Deflate data ends itself; stored data with a descriptor ends where the
      // header says (an empty entry when it says 0: the descriptor must agree).
      const bool endByInflating = plan.descriptor && plan.deflated && !plan.unsupported;
      if (endByInflating) plan.inLimit = UINT64_MAX;
      // Stored data of a size the header doesn't give ends at its descriptor.
      if (plan.descriptor && !endByInflating && !plan.unsupported && (compressed == 0 || compressed == kNoSize32)) {
        plan.findEnd = true;
        plan.inLimit = UINT64_MAX;
      }
      entry_.Begin(plan);
      if (!Visit(entry)) return;

      // On to the next header, whatever the visitor read.
      if (!plan.descriptor) {
        if (data_.Skip(entry_.Left(), budget_) != entry_.Left()) {
          if (budget_.Interrupted()) {
            result_.Interrupted = true;
          } else {
            result_.Damaged = true;
          }
          return;
        }
        continue;
      }
      if (entry_.Result() == TZipEnd::Open) {
        entry_.Drain(scratch_);
        if (entry_.Result() == TZipEnd::Damaged) result_.Damaged = true;
        if (entry_.Result() == TZipEnd::Interrupted || budget_.Interrupted()) result_.Interrupted = true;
        if (budget_.totalReached) result_.TooLarge = true;
        if (result_.Interrupted || result_.TooLarge) return;
      }
      if (!entry_.Positioned()) {
        result_.Damaged = true;  // where the next entry starts can't be known
        return;
      }
    }
  }

  const TZipVisit& visit_;
  Budget budget_;
  Input data_;
  Inflater inflater_;
  EntryData entry_;
  std::vector<std::uint8_t> scratch_;
  TZipResult result_;
};

}  // namespace

TZipResult ReadZip(IRandomBytes& file, const TZipLimits& limits, const TZipVisit& visit) {
  Reader reader(limits, visit);
  return reader.File(file);
}

TZipResult ReadZipStream(IByteStream& in, const TZipLimits& limits, const TZipVisit& visit) {
  Reader reader(limits, visit);
  return reader.Stream(in);
}

bool StartsLikeZip(const std::uint8_t* data, std::size_t n) {
  return n >= 4 && data[0] == 'P' && data[1] == 'K' && data[2] == 3 && data[3] == 4;
}

}  // namespace sorvik
