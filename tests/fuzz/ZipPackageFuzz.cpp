// Zip packages: any bytes read as a package, from the file and as a stream,
// with every entry read to its end and read again as a package inside (to a
// depth of 3). Nothing crashes, hangs or grows; what is given keeps to the
// limits and was spent from the budget (one per reading, or one shared by
// all); an entry's end is told once its bytes are over; and how the bytes
// arrive (the stream's pieces, the visitor's reads) changes nothing of what is
// read with budgets of their own.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "FuzzCheck.h"

#include "FileBudget.h"
#include "ZipPackage.h"

namespace {

using namespace sorvik;

constexpr int kDepth = 3;

class MemoryFile : public IRandomBytes {
 public:
  MemoryFile(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, std::uint8_t* buf, std::size_t n) override {
    if (offset >= size_) return 0;
    n = static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - offset));
    std::memcpy(buf, data_ + offset, n);
    return n;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

class MemoryStream : public IByteStream {
 public:
  MemoryStream(const std::uint8_t* data, std::size_t size, std::size_t piece) : data_(data), size_(size), piece_(piece) {}
  std::size_t Read(std::uint8_t* buf, std::size_t n) override {
    n = std::min({n, piece_, size_ - at_});
    std::memcpy(buf, data_ + at_, n);
    at_ += n;
    return n;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t piece_;
  std::size_t at_ = 0;
};

constexpr std::uint64_t kCap = 2 << 20;  // what one reading (or, shared, one walk) may make

TZipLimits Limits(TFileBudget& budget) {
  TZipLimits limits;
  limits.MaxEntryBytes = 1 << 20;
  limits.Budget = &budget;
  // When a ratio ends an entry depends on where inflate's steps fall, which
  // the comparisons below must not see; the sizes above bound the work.
  limits.MaxRatio = std::numeric_limits<std::uint64_t>::max();
  return limits;
}

void Hash(std::uint64_t& h, const void* bytes, std::size_t n) {
  const auto* p = static_cast<const std::uint8_t*>(bytes);
  for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001b3ull;
}

// An entry's bytes as they are read, noted on their way.
class Tee : public IByteStream {
 public:
  Tee(IZipEntryData& data, std::uint64_t& hash, std::uint64_t& count) : data_(data), hash_(hash), count_(count) {}
  std::size_t Read(std::uint8_t* buf, std::size_t n) override {
    const std::size_t got = data_.Read(buf, n);
    FUZZ_CHECK(got <= n);
    FUZZ_CHECK(got == 0 || data_.End() == TZipEnd::Open);
    Hash(hash_, buf, got);
    count_ += got;
    return got;
  }

 private:
  IZipEntryData& data_;
  std::uint64_t& hash_;
  std::uint64_t& count_;
};

// Reads packages and notes what they gave, in order: each reading with a
// budget of its own, or all with the one `shared` budget.
class Walker {
 public:
  explicit Walker(std::size_t piece, TFileBudget* shared = nullptr)
      : piece_(piece), buf_(std::make_unique_for_overwrite<std::uint8_t[]>(piece)), shared_(shared) {}
  std::string transcript;
  std::uint64_t allGiven = 0;  // by every entry at every depth

  TZipVisit Visitor(int depth, std::uint64_t& given) {
    return [this, depth, &given](const TZipEntry& entry, IZipEntryData& data) {
      transcript += std::to_string(depth) + ':' + entry.Name + ':' + std::to_string(entry.Size) + ':' +
                    std::to_string(entry.Method) + (entry.Encrypted ? "E" : "") + (entry.Folder ? "F" : "");
      // The entry read as a package of its own, then the rest of its bytes;
      // all of them noted, however many the package inside took.
      std::uint64_t h = 0xcbf29ce484222325ull;
      std::uint64_t n = 0;
      if (depth < kDepth) {
        Tee tee(data, h, n);
        Read(tee, depth + 1, nullptr);
      }
      for (;;) {
        const std::size_t got = data.Read(buf_.get(), piece_);
        if (got == 0) break;
        FUZZ_CHECK(got <= piece_);
        Hash(h, buf_.get(), got);
        n += got;
      }
      const TZipEnd end = data.End();
      FUZZ_CHECK(end != TZipEnd::Open);
      FUZZ_CHECK(data.Read(buf_.get(), piece_) == 0 && data.End() == end);
      FUZZ_CHECK(n <= std::uint64_t{1} << 20);  // MaxEntryBytes
      FUZZ_CHECK(end != TZipEnd::Unsupported || n == 0);
      given += n;
      allGiven += n;
      transcript += " " + std::to_string(n) + "/" + std::to_string(h) + "/" + std::to_string(int(end)) + "\n";
      return true;
    };
  }

  // Reads a package from `in`; `size` is its size when known (the input's).
  void Read(IByteStream& in, int depth, const std::size_t* size) {
    TFileBudget own = TFileBudget::WithCap(kCap);
    TFileBudget& budget = shared_ ? *shared_ : own;
    std::uint64_t given = 0;
    Note(ReadZipStream(in, Limits(budget), Visitor(depth, given)), given, budget, size);
  }
  void ReadFile(IRandomBytes& file) {
    TFileBudget own = TFileBudget::WithCap(kCap);
    TFileBudget& budget = shared_ ? *shared_ : own;
    std::uint64_t given = 0;
    const std::size_t size = static_cast<std::size_t>(file.Size());
    Note(ReadZip(file, Limits(budget), Visitor(1, given)), given, budget, &size);
  }
  void Note(const TZipResult& r, std::uint64_t given, const TFileBudget& budget, const std::size_t* size) {
    // Every byte given was spent, never more than the cap; a reading ends
    // TooLarge when (and, with a budget of its own, only when) it is reached.
    FUZZ_CHECK(budget.Used() <= budget.Cap() && budget.Cap() == kCap);
    FUZZ_CHECK(given <= budget.Used());
    FUZZ_CHECK(!r.TooLarge || budget.Reached());
    FUZZ_CHECK(shared_ || r.TooLarge == budget.Reached());
    // Each entry visited has a local header of its own (or a directory header).
    FUZZ_CHECK(!size || r.Entries <= *size / 30);
    FUZZ_CHECK(r.Entries == 0 || r.Package);
    FUZZ_CHECK(!r.Interrupted);
    transcript += "= " + std::to_string(r.Entries) + (r.Package ? "P" : "") + (r.Damaged ? "D" : "") +
                  (r.TooLarge ? "T" : "") + "/" + std::to_string(r.Overlapping) + "\n";
  }

 private:
  std::size_t piece_;
  std::unique_ptr<std::uint8_t[]> buf_;
  TFileBudget* shared_;
};

std::string FromFile(const std::uint8_t* data, std::size_t size, std::size_t piece) {
  MemoryFile file(data, size);
  Walker walker(piece);
  walker.ReadFile(file);
  return walker.transcript;
}

std::string FromStream(const std::uint8_t* data, std::size_t size, std::size_t streamPiece, std::size_t piece) {
  MemoryStream stream(data, size, streamPiece);
  Walker walker(piece);
  walker.Read(stream, 1, &size);
  return walker.transcript;
}

// The package and those inside it read with one budget, as one file's readers
// are: where it ends depends on how the readers' steps interleave, so only
// what it allows is checked.
void Shared(const std::uint8_t* data, std::size_t size, std::size_t piece) {
  TFileBudget budget = TFileBudget::WithCap(kCap);
  MemoryFile file(data, size);
  Walker walker(piece, &budget);
  walker.ReadFile(file);
  FUZZ_CHECK(walker.allGiven <= budget.Used());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Small pieces chosen by the input's last byte, so both ways vary.
  const std::size_t small = size ? 1 + data[size - 1] % 13 : 1;
  FUZZ_CHECK(FromFile(data, size, 65536) == FromFile(data, size, small));
  FUZZ_CHECK(FromStream(data, size, size + 1, 65536) == FromStream(data, size, small, small + 3));
  Shared(data, size, small);
  (void)StartsLikeZip(data, size);
  return 0;
}
