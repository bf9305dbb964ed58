// Reading a zip package's directory: the end record (or its Zip64 form) found
// near the end of the file, the central directory's entries in turn, and when
// there is none, the local headers one after another from the start (a package
// read as a stream has only these). Each entry's data is then read by
// EntryData (ZipEntryData.cpp).
#include "ZipPackage.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "ZipEntryData.h"

namespace sorvik {
namespace {

using namespace zip_detail;

// One reader's memory, whatever the package holds: the data input (large
// enough for the last 64 KiB + 22 bytes of a file, where the end record is
// looked for), the directory input, the scratch that entries are inflated
// into when only inflating finds their end (kScratch), and zlib's state.
constexpr std::size_t kDataInput = 68 * 1024;
constexpr std::size_t kDirInput = 16 * 1024;
constexpr std::uint64_t kEndSearch = 0xFFFF + 22;
constexpr std::uint32_t kNoSize32 = 0xFFFFFFFF;

constexpr std::uint16_t kFlagEncrypted = 1 << 0;
constexpr std::uint16_t kFlagDescriptor = 1 << 3;
constexpr std::uint16_t kFlagStrongEncryption = 1 << 6;
constexpr std::uint16_t kFlagUtf8 = 1 << 11;

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

// One central directory header, read.
struct TCentral {
  THeaderFields fields{};
  std::uint64_t compressed = 0, uncompressed = 0;
  std::uint64_t offset = 0;  // of the local header, as stated
  std::string name;
  std::string extra;
};

// The central directory's headers, one after another.
class CentralWalk {
 public:
  CentralWalk(IRandomBytes& file, const TDirectory& dir) : in_(kDirInput) { in_.Attach(file, dir.start, dir.end); }

  // A header starts the directory (else it is no directory, or an empty one).
  bool First() { return in_.Fill(4) >= 4 && Get32(in_.Data()) == kCentralSig; }
  // A whole header's fixed part stands next.
  bool AtHeader() { return in_.Fill(46) >= 46 && Get32(in_.Data()) == kCentralSig; }
  // Reads the header that stands next (AtHeader); false when it is cut short.
  // `names` false passes over the name.
  bool Next(TCentral& c, Spending& spending, bool names = true) {
    const std::uint8_t* h = in_.Data();
    c.fields = ReadFields(h + 8);
    c.compressed = c.fields.Compressed;
    c.uncompressed = c.fields.Uncompressed;
    const std::uint16_t commentLength = Get16(h + 32);
    c.offset = Get32(h + 42);
    in_.Consume(46);
    const bool name = names ? in_.Take(c.name, c.fields.NameLength)
                            : in_.Skip(c.fields.NameLength, spending) == c.fields.NameLength;
    if (!name || !in_.Take(c.extra, c.fields.ExtraLength) || in_.Skip(commentLength, spending) != commentLength) {
      return false;
    }
    ReadZip64Extra(c.extra, false, c.uncompressed, c.compressed, &c.offset);
    return true;
  }

 private:
  Input in_;
};

// The ranges of the file whose data has been read (from each visited entry's
// local header to the end of the data its directory header states), none
// overlapping another: the directory's entries read each byte of data once.
// A range is never shorter than a local header, so one that overlaps none of
// two ranges can't overlap the gap between them when that is shorter: such
// neighbours are kept as one, and a package whose entries follow one another
// (a data descriptor between them or not) is kept in one range.
class ReadRanges {
 public:
  static constexpr std::uint64_t kLeast = 30;  // a local header's fixed part

  // Adds [from, to) (at least kLeast long) unless it overlaps a range added
  // before; false then.
  bool Add(std::uint64_t from, std::uint64_t to) {
    auto after = ranges_.upper_bound(from);  // the first range that starts past `from`
    if (after != ranges_.end() && after->first < to) return false;
    if (after != ranges_.begin() && std::prev(after)->second > from) return false;
    if (after != ranges_.end() && after->first - to < kLeast) {
      to = after->second;
      after = ranges_.erase(after);
    }
    if (after != ranges_.begin() && from - std::prev(after)->second < kLeast) {
      std::prev(after)->second = to;
      return true;
    }
    ranges_.emplace_hint(after, from, to);
    return true;
  }

 private:
  std::map<std::uint64_t, std::uint64_t> ranges_;  // start, end
};

// One reading of one package.
class Reader {
 public:
  // `ownSize`: the size the reader's own budget is made for when the limits
  // give none.
  Reader(const TZipLimits& limits, const TZipVisit& visit, std::uint64_t ownSize)
      : visit_(visit),
        own_(ownSize),
        spending_(limits, limits.Budget ? *limits.Budget : own_),
        data_(kDataInput),
        entry_(data_, spending_, inflater_) {}

  std::uint64_t DescriptorBytes() const { return entry_.DescriptorBytes(); }

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
    if (spending_.Interrupted() || entry_.Result() == TZipEnd::Interrupted) result_.Interrupted = true;
    if (spending_.File().Reached()) result_.TooLarge = true;
    return go && !result_.Interrupted && !result_.TooLarge;
  }
  // Before each entry: false when the reading stops here.
  bool MayGoOn() {
    if (!spending_.Ask()) {
      result_.Interrupted = true;
      return false;
    }
    if (spending_.File().Reached()) {
      result_.TooLarge = true;  // this reading's or another of the same file's
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

  // Where an entry's local header says its data starts; 0 when no local
  // header stands at `local`.
  std::uint64_t DataStart(IRandomBytes& file, std::uint64_t size, std::uint64_t local, bool* encrypted) {
    std::uint8_t header[30];
    if (local >= size || ReadFull(file, local, header, 30) != 30 || Get32(header) != kLocalSig) return 0;
    if (encrypted) *encrypted = (Get16(header + 6) & (kFlagEncrypted | kFlagStrongEncryption)) != 0;
    return local + 30 + Get16(header + 26) + Get16(header + 28);
  }

  // Whether the local header of any entry the directory lists is where it
  // says (looked for up to the first that is).
  bool AnyReachable(IRandomBytes& file, std::uint64_t size, const TDirectory& dir) {
    CentralWalk walk(file, dir);
    TCentral c;
    while (walk.AtHeader() && walk.Next(c, spending_, false)) {
      const std::uint64_t local = c.offset + dir.shift;
      if (local >= c.offset && DataStart(file, size, local, nullptr) != 0) return true;
      if (!spending_.Tick(46 + c.fields.NameLength + c.fields.ExtraLength)) return true;  // the reading says so
    }
    return false;
  }

  // Visits the entries the directory lists; false when it has none readable
  // at its start, or none whose local header is where it says (the local
  // headers are read instead).
  bool ReadDirectory(IRandomBytes& file, std::uint64_t size, const TDirectory& dir) {
    if (dir.start > dir.end) return false;
    CentralWalk walk(file, dir);
    if (!walk.First()) {
      if (dir.entries != 0 || dir.size != 0) return false;
      result_.Package = true;  // an empty package
      return true;
    }
    result_.Package = true;
    if (!AnyReachable(file, size, dir)) return false;
    ReadRanges read;
    std::uint64_t found = 0;
    TCentral c;
    for (;;) {
      if (!walk.AtHeader()) {
        // The count may have wrapped past 65535 in the 16-bit record.
        if (found < dir.entries || (dir.entries16 && (found & 0xFFFF) != dir.entries)) result_.Damaged = true;
        return true;
      }
      if (!MayGoOn()) return true;
      if (!walk.Next(c, spending_)) {
        result_.Damaged = true;
        return true;
      }
      ++found;

      TZipEntry entry = MakeEntry(std::move(c.name), c.fields.Flags, c.fields.Method, c.compressed, c.uncompressed);
      TPlan plan = PlanFor(entry);
      plan.inLimit = c.compressed;
      plan.crc = c.fields.Crc;
      // The local header's own lengths say where the data starts.
      const std::uint64_t local = c.offset + dir.shift;
      bool encrypted = false;
      const std::uint64_t dataStart = local < c.offset ? 0 : DataStart(file, size, local, &encrypted);
      if (dataStart == 0) {
        plan.unreadable = true;
      } else if (encrypted) {
        plan.unsupported = true;
      }
      const std::uint64_t dataEnd =
          dataStart + c.compressed < dataStart ? size : std::min(size, dataStart + c.compressed);
      if (dataStart != 0 && !read.Add(local, std::max(dataEnd, local + ReadRanges::kLeast))) {
        ++result_.Overlapping;  // its data was read with an entry before
        continue;
      }
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
        if (data_.Skip(entry_.Left(), spending_) != entry_.Left()) {
          if (spending_.Interrupted()) {
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
        if (entry_.Result() == TZipEnd::Interrupted || spending_.Interrupted()) result_.Interrupted = true;
        if (spending_.File().Reached()) result_.TooLarge = true;
        if (result_.Interrupted || result_.TooLarge) return;
      }
      if (!entry_.Positioned()) {
        result_.Damaged = true;  // where the next entry starts can't be known
        return;
      }
    }
  }

  const TZipVisit& visit_;
  TFileBudget own_;  // when the limits give no budget
  Spending spending_;
  Input data_;
  Inflater inflater_;
  EntryData entry_;
  std::vector<std::uint8_t> scratch_;
  TZipResult result_;
};

}  // namespace

TZipResult ReadZip(IRandomBytes& file, const TZipLimits& limits, const TZipVisit& visit) {
  Reader reader(limits, visit, limits.Budget ? 0 : file.Size());
  TZipResult result = reader.File(file);
  result.DescriptorBytes = reader.DescriptorBytes();
  return result;
}

TZipResult ReadZipStream(IByteStream& in, const TZipLimits& limits, const TZipVisit& visit) {
  Reader reader(limits, visit, 0);  // a stream's size isn't known: the floor
  TZipResult result = reader.Stream(in);
  result.DescriptorBytes = reader.DescriptorBytes();
  return result;
}

bool StartsLikeZip(const std::uint8_t* data, std::size_t n) {
  return n >= 4 && data[0] == 'P' && data[1] == 'K' && data[2] == 3 && data[3] == 4;
}

}  // namespace sorvik
