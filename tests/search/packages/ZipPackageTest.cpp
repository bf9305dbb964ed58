#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "FileBudget.h"
#include "ZipPackage.h"
#include "search/ZipWriter.h"

namespace sorvik {
namespace {

using test::BuildZip;
using test::ZipDescriptor;
using test::ZipItem;
using test::ZipLayout;
using test::WithDirectory;

constexpr std::size_t kAll = std::numeric_limits<std::size_t>::max();

class MemoryFile : public IRandomBytes {
 public:
  explicit MemoryFile(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  std::size_t ReadAt(std::uint64_t offset, std::uint8_t* buf, std::size_t n) override {
    if (offset >= bytes_.size()) return 0;
    n = static_cast<std::size_t>(std::min<std::uint64_t>(n, bytes_.size() - offset));
    std::memcpy(buf, bytes_.data() + offset, n);
    bytesRead += n;
    return n;
  }
  std::uint64_t bytesRead = 0;

 private:
  const std::vector<std::uint8_t>& bytes_;
};

// Gives at most `piece` bytes per read.
class MemoryStream : public IByteStream {
 public:
  MemoryStream(const std::vector<std::uint8_t>& bytes, std::size_t piece) : bytes_(bytes), piece_(piece) {}
  std::size_t Read(std::uint8_t* buf, std::size_t n) override {
    n = std::min({n, piece_, bytes_.size() - at});
    if (n > 0) std::memcpy(buf, bytes_.data() + at, n);
    at += n;
    return n;
  }
  std::size_t at = 0;

 private:
  const std::vector<std::uint8_t>& bytes_;
  std::size_t piece_;
};

struct Seen {
  std::string name;
  std::string data;
  TZipEnd end = TZipEnd::Open;
  bool folder = false;
  bool encrypted = false;
  std::uint64_t size = 0;
};

// Reads up to `limit` bytes of an entry in pieces of `piece`; End() must stay
// Open until a read gives 0.
std::string ReadEntry(IZipEntryData& data, std::size_t limit = kAll, std::size_t piece = 10000) {
  std::string out;
  std::vector<std::uint8_t> buf(piece);
  while (out.size() < limit) {
    const std::size_t n = data.Read(buf.data(), std::min(piece, limit - out.size()));
    if (n == 0) {
      EXPECT_NE(data.End(), TZipEnd::Open);
      break;
    }
    EXPECT_EQ(data.End(), TZipEnd::Open);
    out.append(reinterpret_cast<const char*>(buf.data()), n);
  }
  return out;
}

struct Reading {
  TZipResult result;
  std::vector<Seen> seen;
};

// How many bytes the visitor reads of the entry at an index.
using ReadPlan = std::function<std::size_t(std::size_t index)>;

TZipVisit Recorder(Reading& r, const ReadPlan& plan, std::size_t piece) {
  return [&r, plan, piece](const TZipEntry& entry, IZipEntryData& data) {
    Seen s;
    s.name = entry.Name;
    s.folder = entry.Folder;
    s.encrypted = entry.Encrypted;
    s.size = entry.Size;
    s.data = ReadEntry(data, plan ? plan(r.seen.size()) : kAll, piece);
    s.end = data.End();
    r.seen.push_back(std::move(s));
    return true;
  };
}

Reading FromFile(const std::vector<std::uint8_t>& zip, const TZipLimits& limits = {}, const ReadPlan& plan = {},
                 std::size_t piece = 10000) {
  Reading r;
  MemoryFile file(zip);
  r.result = ReadZip(file, limits, Recorder(r, plan, piece));
  return r;
}

Reading FromStream(const std::vector<std::uint8_t>& zip, std::size_t streamPiece = kAll, const TZipLimits& limits = {},
                   const ReadPlan& plan = {}, std::size_t piece = 10000) {
  Reading r;
  MemoryStream stream(zip, streamPiece);
  r.result = ReadZipStream(stream, limits, Recorder(r, plan, piece));
  return r;
}

// Text that compresses like text, with some bytes of every value.
std::string Text(std::size_t n, std::uint32_t seed) {
  static const char* const kWords[] = {"zip ", "entry ", "deflate ", "stream ", "Sorvik ", "\n", "\x00\xff\x80 "};
  std::string s;
  while (s.size() < n) {
    seed = seed * 1103515245u + 12345u;
    if ((seed >> 16) % 5 == 0) {
      s += static_cast<char>(seed >> 24);
    } else {
      s += kWords[(seed >> 16) % 7];
    }
  }
  s.resize(n);
  return s;
}

struct Case {
  ZipItem item;
  std::string name;  // as read (UTF-8)
  TZipEnd end = TZipEnd::Complete;
};
Case Entry(std::string name, std::string data, bool deflate, ZipDescriptor descriptor = ZipDescriptor::None,
           bool zip64 = false) {
  Case c;
  c.item.Name = c.name = std::move(name);
  c.item.Data = std::move(data);
  c.item.Deflate = deflate;
  c.item.Descriptor = descriptor;
  c.item.Zip64 = zip64;
  return c;
}

std::vector<ZipItem> Items(const std::vector<Case>& cases) {
  std::vector<ZipItem> items;
  for (const Case& c : cases) items.push_back(c.item);
  return items;
}

// A few entries of every form (stored, deflated, descriptors, Zip64, empty),
// made from `seed`.
std::vector<Case> RandomCases(std::uint32_t seed, std::size_t most = 6) {
  std::mt19937 rng(seed);
  std::vector<Case> cases;
  const std::size_t n = 1 + rng() % most;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t size = rng() % 4 == 0 ? rng() % 3 : rng() % 30000;
    const bool deflate = rng() % 2 == 0;
    const auto descriptor = static_cast<ZipDescriptor>(rng() % 3);
    const bool zip64 = rng() % 4 == 0;
    cases.push_back(Entry("e" + std::to_string(i), Text(size, static_cast<std::uint32_t>(rng())), deflate, descriptor,
                          zip64));
  }
  return cases;
}

void Put(std::vector<std::uint8_t>& bytes, std::uint64_t at, std::uint64_t v, int n) {
  for (int i = 0; i < n; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint64_t Get(const std::vector<std::uint8_t>& bytes, std::uint64_t at, int n) {
  std::uint64_t v = 0;
  for (int i = 0; i < n; ++i) v |= std::uint64_t{bytes[at + i]} << (8 * i);
  return v;
}

void ExpectEntries(const Reading& r, const std::vector<Case>& cases, const ReadPlan& plan = {}) {
  ASSERT_EQ(r.seen.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    const Seen& s = r.seen[i];
    const bool unsupported = cases[i].end == TZipEnd::Unsupported;
    const std::size_t limit = plan ? plan(i) : kAll;
    EXPECT_EQ(s.name, cases[i].name);
    EXPECT_EQ(s.folder, cases[i].name.back() == '/');
    EXPECT_EQ(s.encrypted, cases[i].item.Encrypted);
    EXPECT_EQ(s.data, unsupported ? "" : cases[i].item.Data.substr(0, limit));
    if (limit == kAll || (limit > 0 && unsupported)) {
      EXPECT_EQ(s.end, cases[i].end);
    } else if (limit < cases[i].item.Data.size() || limit == 0) {
      EXPECT_EQ(s.end, TZipEnd::Open);
    }
  }
}

// Every form of entry, read from the file and as a stream: in one piece, in
// small pieces, and leaving some entries unread or half read.
TEST(ZipPackage, ReadsEveryFormFromTheFileAndAsAStream) {
  Case encrypted = Entry("secret.txt", Text(700, 9), true);
  encrypted.item.Encrypted = true;
  encrypted.end = TZipEnd::Unsupported;
  Case utf8 = Entry("\xCE\xB1\xCE\xB2.txt", "alpha beta", false);
  utf8.item.Utf8Name = true;
  Case cp437 = Entry("\x80\x9B\xE1\xE4\xFB.txt", "code page", true);
  cp437.name = "\xC3\x87\xC2\xA2\xC3\x9F\xCE\xA3\xE2\x88\x9A.txt";  // Ç¢ßΣ√
  Case unflagged = Entry("\xC3\x87.txt", "not flagged", false);
  unflagged.name = "\xE2\x94\x9C\xC3\xA7.txt";  // ├ç: these bytes without the UTF-8 flag

  struct Package {
    const char* what;
    std::vector<Case> cases;
    bool zip64End = false;
  };
  const std::vector<Package> packages = {
      {"stored and deflated",
       {Entry("a.txt", Text(1000, 1), false), Entry("dir/", "", false), Entry("dir/big.bin", Text(200000, 2), true),
        Entry("empty", "", true), Entry("one", "x", false), Entry("stored-big", Text(150000, 3), false)}},
      {"data descriptors",
       {Entry("signed.txt", Text(150000, 4), true, ZipDescriptor::Signed),
        Entry("unsigned.txt", Text(70000, 5), true, ZipDescriptor::Unsigned),
        Entry("empty", "", true, ZipDescriptor::Unsigned), Entry("empty-stored", "", false, ZipDescriptor::Signed),
        Entry("k.txt", Text(300, 6), false)}},
      {"Zip64",
       {Entry("z1", Text(100000, 7), true, ZipDescriptor::None, true), Entry("z2", Text(5000, 8), false, ZipDescriptor::None, true),
        Entry("z3", Text(90000, 9), true, ZipDescriptor::Signed, true),
        Entry("z4", Text(10, 10), true, ZipDescriptor::Unsigned, true)},
       true},
      {"names and encryption", {cp437, utf8, unflagged, encrypted, Entry("after", Text(5000, 11), true)}},
  };
  const ReadPlan someUnread = [](std::size_t i) { return i % 3 == 0 ? 0 : i % 3 == 1 ? 5 : kAll; };
  for (const Package& p : packages) {
    SCOPED_TRACE(p.what);
    const std::vector<std::uint8_t> zip = BuildZip(Items(p.cases), p.zip64End);
    const auto expectWhole = [&](const Reading& r) {
      EXPECT_TRUE(r.result.Package);
      EXPECT_FALSE(r.result.Damaged);
      EXPECT_FALSE(r.result.TooLarge);
      EXPECT_FALSE(r.result.Interrupted);
      EXPECT_EQ(r.result.Entries, p.cases.size());
    };
    {
      SCOPED_TRACE("file");
      const Reading r = FromFile(zip);
      expectWhole(r);
      ExpectEntries(r, p.cases);
      for (std::size_t i = 0; i < p.cases.size(); ++i) EXPECT_EQ(r.seen[i].size, p.cases[i].item.Data.size());
      const Reading half = FromFile(zip, {}, someUnread, 3);
      expectWhole(half);
      ExpectEntries(half, p.cases, someUnread);
    }
    {
      SCOPED_TRACE("stream");
      const Reading r = FromStream(zip);
      expectWhole(r);
      ExpectEntries(r, p.cases);
      const Reading small = FromStream(zip, 13, {}, {}, 1000);
      expectWhole(small);
      ExpectEntries(small, p.cases);
      const Reading half = FromStream(zip, 4093, {}, someUnread, 3);
      expectWhole(half);
      ExpectEntries(half, p.cases, someUnread);
    }
  }

  // Stored data whose size only a descriptor gives: the directory has its
  // size; a stream finds its end at the descriptor that agrees with the bytes
  // before it, with or without its signature, past look-alikes in the data.
  std::string lookalike = Text(1000, 13);
  lookalike.insert(500, std::string("PK\x07\x08\0\0\0\0\xF4\x01\0\0\xF4\x01\0\0", 16));
  const std::vector<Case> stored = {Entry("a", Text(100, 12), false),
                                    Entry("sd", lookalike, false, ZipDescriptor::Signed),
                                    Entry("su", Text(70000, 15), false, ZipDescriptor::Unsigned),
                                    Entry("b", Text(100, 14), true)};
  const std::vector<std::uint8_t> zip = BuildZip(Items(stored));
  const Reading file = FromFile(zip);
  EXPECT_FALSE(file.result.Damaged);
  ExpectEntries(file, stored);
  for (const Reading& stream : {FromStream(zip), FromStream(zip, 13, {}, {}, 1000)}) {
    EXPECT_TRUE(stream.result.Package);
    EXPECT_FALSE(stream.result.Damaged);
    ExpectEntries(stream, stored);
  }

  // Not a package at all.
  const std::vector<std::uint8_t> notZip(5000, 'P');
  EXPECT_FALSE(FromFile(notZip).result.Package);
  EXPECT_FALSE(FromStream(notZip).result.Package);
}

// Packages inside packages, read in order through the outer entry's bytes.
TEST(ZipPackage, ReadsPackagesInsidePackages) {
  const std::string x = Text(50000, 20);
  const std::vector<std::uint8_t> inner = BuildZip(
      {Entry("x.txt", x, true, ZipDescriptor::Signed).item, Entry("y.txt", "why", false).item});
  const std::vector<std::uint8_t> deepest = BuildZip({Entry("deep.txt", "deep down", true).item});
  const std::vector<std::uint8_t> middle = BuildZip({Entry("in.zip", test::AsText(deepest), false).item}, true);
  const std::vector<std::uint8_t> outer = BuildZip({
      Entry("stored.zip", test::AsText(inner), false).item,
      Entry("deflated.zip", test::AsText(inner), true).item,
      Entry("middle.zip", test::AsText(middle), true, ZipDescriptor::Unsigned).item,
      Entry("plain.txt", "plain", false).item,
  });
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"stored.zip/x.txt", x},      {"stored.zip/y.txt", "why"}, {"deflated.zip/x.txt", x},
      {"deflated.zip/y.txt", "why"}, {"middle.zip/in.zip/deep.txt", "deep down"}, {"plain.txt", "plain"},
  };

  std::vector<std::pair<std::string, std::string>> seen;
  std::function<TZipVisit(std::string)> walker = [&](std::string prefix) -> TZipVisit {
    return [&, prefix](const TZipEntry& entry, IZipEntryData& data) {
      const std::string path = prefix + entry.Name;
      if (path.size() > 4 && path.compare(path.size() - 4, 4, ".zip") == 0) {
        const TZipResult r = ReadZipStream(data, {}, walker(path + "/"));
        EXPECT_TRUE(r.Package) << path;
        EXPECT_FALSE(r.Damaged) << path;
      } else {
        seen.emplace_back(path, ReadEntry(data));
        EXPECT_EQ(data.End(), TZipEnd::Complete) << path;
      }
      return true;
    };
  };
  MemoryFile file(outer);
  const TZipResult fromFile = ReadZip(file, {}, walker(""));
  EXPECT_FALSE(fromFile.Damaged);
  EXPECT_EQ(seen, expected);
  seen.clear();
  MemoryStream stream(outer, 777);
  const TZipResult fromStream = ReadZipStream(stream, {}, walker(""));
  EXPECT_FALSE(fromStream.Damaged);
  EXPECT_EQ(seen, expected);
}

// Packages cut short, with bad checksums, and directories that lie.
TEST(ZipPackage, DamagedPackagesGiveWhatCanBeRead) {
  const std::vector<Case> cases = {Entry("a.txt", Text(3000, 30), true), Entry("b.bin", Text(40000, 31), false),
                                   Entry("c.txt", Text(20000, 32), true, ZipDescriptor::Signed),
                                   Entry("d.txt", Text(500, 33), true)};
  ZipLayout layout;
  const std::vector<std::uint8_t> zip = BuildZip(Items(cases), false, &layout);
  const auto entryEnd = [&](std::size_t i) { return i + 1 < cases.size() ? layout.Local[i + 1] : layout.Directory; };

  // Cut anywhere: the entries before the cut are whole, the bytes given of the
  // others are what they hold, and the package says it is damaged.
  for (std::size_t cut = 0; cut < zip.size(); cut += 97) {
    SCOPED_TRACE(cut);
    const std::vector<std::uint8_t> part(zip.begin(), zip.begin() + static_cast<std::ptrdiff_t>(cut));
    for (bool stream : {false, true}) {
      const Reading r = stream ? FromStream(part, 1000) : FromFile(part);
      ASSERT_LE(r.seen.size(), cases.size());
      for (std::size_t i = 0; i < r.seen.size(); ++i) {
        EXPECT_EQ(r.seen[i].name, cases[i].name);
        EXPECT_EQ(r.seen[i].data, cases[i].item.Data.substr(0, r.seen[i].data.size()));
      }
      for (std::size_t i = 0; i < cases.size() && entryEnd(i) <= cut; ++i) {
        ASSERT_LT(i, r.seen.size());
        EXPECT_EQ(r.seen[i].end, TZipEnd::Complete);
      }
      EXPECT_EQ(r.result.Package, cut >= layout.Data[0]);
      // A stream ends where the directory starts.
      EXPECT_EQ(r.result.Damaged, r.result.Package && (!stream || cut < layout.Directory + 4));
    }
  }

  // A checksum that disagrees: the bytes, then Damaged (also one from a descriptor).
  {
    std::vector<std::uint8_t> bad = zip;
    bad[layout.Local[0] + 14] ^= 1;
    bad[layout.Central[0] + 16] ^= 1;
    bad[layout.Local[3] - 12] ^= 1;  // c's descriptor
    bad[layout.Central[2] + 16] ^= 1;
    for (const Reading& r : {FromFile(bad), FromStream(bad)}) {
      ASSERT_EQ(r.seen.size(), cases.size());
      for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(r.seen[i].data, cases[i].item.Data);
        EXPECT_EQ(r.seen[i].end, i == 0 || i == 2 ? TZipEnd::Damaged : TZipEnd::Complete);
      }
      EXPECT_TRUE(r.result.Damaged);
    }
  }

  const auto put32 = [](std::vector<std::uint8_t>& bytes, std::uint64_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  // The directory said to start past the end: the local headers are read.
  {
    std::vector<std::uint8_t> bad = zip;
    put32(bad, layout.End + 16, 0xFFFFFF00);
    const Reading r = FromFile(bad);
    ExpectEntries(r, cases);
    EXPECT_TRUE(r.result.Package);
    EXPECT_TRUE(r.result.Damaged);
  }
  // An entry whose data is said to be outside the file: that entry is damaged,
  // the others are read.
  {
    std::vector<std::uint8_t> bad = zip;
    put32(bad, layout.Central[1] + 42, 0x7FFFFFF0);
    const Reading r = FromFile(bad);
    ASSERT_EQ(r.seen.size(), cases.size());
    EXPECT_EQ(r.seen[1].data, "");
    EXPECT_EQ(r.seen[1].end, TZipEnd::Damaged);
    for (std::size_t i : {0, 2, 3}) EXPECT_EQ(r.seen[i].end, TZipEnd::Complete);
    EXPECT_TRUE(r.result.Damaged);
  }
  // A directory that goes bad after two entries: those two, then the end.
  {
    std::vector<std::uint8_t> bad = zip;
    bad[layout.Central[2]] = 'X';
    const Reading r = FromFile(bad);
    ASSERT_EQ(r.seen.size(), 2u);
    EXPECT_EQ(r.seen[1].end, TZipEnd::Complete);
    EXPECT_TRUE(r.result.Damaged);
  }
  // A directory that counts more entries than it holds.
  {
    std::vector<std::uint8_t> bad = zip;
    bad[layout.End + 8] = bad[layout.End + 10] = 9;
    const Reading r = FromFile(bad);
    ExpectEntries(r, cases);
    EXPECT_TRUE(r.result.Damaged);
  }
}

// Raw deflate of `mib` MiB of zeros: one full-flushed block of 1 MiB repeated
// (after a full flush the compressor starts afresh, so each block is the same).
std::string ZeroBomb(std::size_t mib) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::vector<std::uint8_t> zeros(1 << 20);
  std::vector<std::uint8_t> out(1 << 20);
  const auto step = [&](int flush, std::size_t n) {
    z.next_in = zeros.data();
    z.avail_in = static_cast<uInt>(n);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_NE(deflate(&z, flush), Z_STREAM_ERROR);
    EXPECT_EQ(z.avail_in, 0u);
    return std::string(out.begin(), out.end() - z.avail_out);
  };
  std::string bomb = step(Z_FULL_FLUSH, zeros.size());
  const std::string block = step(Z_FULL_FLUSH, zeros.size());
  EXPECT_EQ(step(Z_FULL_FLUSH, zeros.size()), block);
  const std::string tail = step(Z_FINISH, 0);
  deflateEnd(&z);
  bomb.reserve(bomb.size() + block.size() * mib + tail.size());
  for (std::size_t i = 1; i < mib; ++i) bomb += block;
  return bomb + tail;
}

// A small entry that inflates to gigabytes ends soon after RatioFrom bytes,
// having read little of the file; the limits of size, total and count.
TEST(ZipPackage, LimitsEndWhatWouldInflateWithoutEnd) {
  constexpr std::size_t kMiB = 1 << 20;
  const std::string bombData = ZeroBomb(4096);  // 4 GiB of zeros
  ZipItem bomb;
  bomb.Name = "zeros";
  bomb.Deflate = true;
  bomb.Zip64 = true;
  bomb.Raw = bombData;
  bomb.RawSize = std::uint64_t{4096} * kMiB;
  // Zeros deflate about 1000 to 1 at most; the limit has a margin below that.
  TZipLimits ratio;
  ratio.MaxRatio = 200;
  const ZipItem after = Entry("after", Text(1000, 40), true).item;
  const auto expectBombEnded = [&](const Seen& s) {
    EXPECT_EQ(s.end, TZipEnd::TooLarge);
    EXPECT_GE(s.data.size(), ratio.RatioFrom);
    EXPECT_LE(s.data.size(), ratio.RatioFrom + 256 * 1024);
    EXPECT_EQ(s.data.find_first_not_of('\0'), std::string::npos);
  };
  {
    const std::vector<std::uint8_t> zip = BuildZip({bomb, after});
    Reading r;
    MemoryFile file(zip);
    r.result = ReadZip(file, ratio, Recorder(r, {}, 65536));
    ASSERT_EQ(r.seen.size(), 2u);
    expectBombEnded(r.seen[0]);
    EXPECT_EQ(r.seen[0].size, bomb.RawSize);
    EXPECT_EQ(r.seen[1].end, TZipEnd::Complete);
    EXPECT_FALSE(r.result.TooLarge);
    EXPECT_LT(file.bytesRead, bombData.size() / 8);

    const Reading s = FromStream(zip, kAll, ratio, {}, 65536);
    ASSERT_EQ(s.seen.size(), 2u);
    expectBombEnded(s.seen[0]);
    EXPECT_EQ(s.seen[1].end, TZipEnd::Complete);

    // Without a ratio limit, the file's budget ends it, and the reading.
    TZipLimits total;
    total.MaxRatio = std::numeric_limits<std::uint64_t>::max();
    TFileBudget budget = TFileBudget::WithCap(8 * kMiB);
    total.Budget = &budget;
    const Reading t = FromFile(zip, total, {}, 65536);
    ASSERT_EQ(t.seen.size(), 1u);
    EXPECT_EQ(t.seen[0].data.size(), 8 * kMiB);
    EXPECT_EQ(t.seen[0].end, TZipEnd::TooLarge);
    EXPECT_TRUE(t.result.TooLarge);
    EXPECT_TRUE(budget.Reached());
  }
  {
    // In a stream, a bomb whose size only its descriptor gives is inflated to
    // find its end though the visitor reads none of it: it ends all the same,
    // and the reading with it.
    bomb.Descriptor = ZipDescriptor::Signed;
    const std::vector<std::uint8_t> zip = BuildZip({bomb, after});
    Reading r;
    MemoryStream stream(zip, kAll);
    r.result = ReadZipStream(stream, ratio, Recorder(r, [](std::size_t) { return 0; }, 1));
    ASSERT_EQ(r.seen.size(), 1u);
    EXPECT_TRUE(r.result.Damaged);
    EXPECT_LT(stream.at, bombData.size() / 8);
  }
  {
    // MaxEntryBytes exactly, one byte over: those entries end, not the reading.
    TZipLimits limits;
    limits.MaxEntryBytes = 100000;
    const std::string over = Text(100001, 41);
    const std::vector<Case> cases = {Entry("exact", over.substr(0, 100000), true), Entry("over", over, true),
                                     Entry("over-stored", over, false), Entry("fourth", "4", false)};
    const std::vector<std::uint8_t> zip = BuildZip(Items(cases));
    for (const Reading& r : {FromFile(zip, limits), FromStream(zip, 999, limits)}) {
      ASSERT_EQ(r.seen.size(), 4u);
      EXPECT_EQ(r.seen[0].end, TZipEnd::Complete);
      EXPECT_EQ(r.seen[0].data, cases[0].item.Data);
      for (std::size_t i : {1, 2}) {
        EXPECT_EQ(r.seen[i].end, TZipEnd::TooLarge);
        EXPECT_EQ(r.seen[i].data, cases[0].item.Data);
      }
      EXPECT_EQ(r.seen[3].end, TZipEnd::Complete);
      EXPECT_FALSE(r.result.TooLarge);
    }
  }
}

// TZipLimits::Interrupted is asked often enough, and ends the reading at once.
TEST(ZipPackage, InterruptedEndsTheReading) {
  const std::string big = Text(3 << 20, 50);
  const std::vector<std::uint8_t> zip =
      BuildZip({Entry("big", big, true).item, Entry("stored", big, false).item, Entry("next", "n", false).item});
  for (bool stream : {false, true}) {
    SCOPED_TRACE(stream);
    std::size_t asked = 0;
    TZipLimits limits;
    limits.Interrupted = [&] { return ++asked > 1000000; };
    const Reading whole = stream ? FromStream(zip, kAll, limits) : FromFile(zip, limits);
    ASSERT_EQ(whole.seen.size(), 3u);
    EXPECT_GE(asked, 2 * big.size() / (256 * 1024));

    for (std::size_t stopAt : {std::size_t{1}, std::size_t{4}, std::size_t{20}, std::size_t{30}}) {
      asked = 0;
      limits.Interrupted = [&] { return ++asked >= stopAt; };
      const Reading r = stream ? FromStream(zip, kAll, limits) : FromFile(zip, limits);
      EXPECT_TRUE(r.result.Interrupted);
      EXPECT_EQ(asked, stopAt);  // not asked again once it said stop
      if (stopAt == 1) {
        EXPECT_TRUE(r.seen.empty());
        continue;
      }
      ASSERT_FALSE(r.seen.empty());
      ASSERT_LE(r.seen.size(), 2u);
      // Said between two reads of an entry, or after its last one.
      const Seen& last = r.seen.back();
      if (last.end == TZipEnd::Interrupted) {
        EXPECT_LT(last.data.size(), big.size());
        EXPECT_EQ(last.data, big.substr(0, last.data.size()));
      } else {
        EXPECT_EQ(last.end, TZipEnd::Complete);
      }
    }
  }
}


// Every byte an entry gives, or inflates or reads only to find its end, is
// spent from the file's budget; the entry that would pass what is left ends
// TooLarge having given what was left, and the reading ends with it. Packages
// read inside share the budget; without one, a reader makes its own.
TEST(ZipPackage, OneBudgetForTheFile) {
  for (std::uint32_t seed = 0; seed < 40; ++seed) {
    SCOPED_TRACE(seed);
    const std::vector<Case> cases = RandomCases(seed);
    const std::vector<std::uint8_t> zip = BuildZip(Items(cases), seed % 2 == 0);
    std::mt19937 rng(seed);
    for (const int way : {0, 1, 2}) {  // from the file, as a stream, as a stream reading nothing
      SCOPED_TRACE(way);
      const bool none = way == 2;
      // What each entry makes: read to its end, or only inflated or read to
      // find it (a stream's entries whose size only a descriptor gives).
      std::vector<std::uint64_t> makes;
      std::uint64_t needed = 0;
      for (const Case& c : cases) {
        makes.push_back(none && c.item.Descriptor == ZipDescriptor::None ? 0 : c.item.Data.size());
        needed += makes.back();
      }
      const std::uint64_t some = rng() % (needed + 1);
      for (const std::uint64_t cap : {needed, needed + 1, needed - (needed > 0), some, std::uint64_t{0}}) {
        SCOPED_TRACE(cap);
        TFileBudget budget = TFileBudget::WithCap(cap);
        TZipLimits limits;
        limits.Budget = &budget;
        const ReadPlan plan = none ? ReadPlan([](std::size_t) { return 0; }) : ReadPlan();
        const Reading r = way == 0 ? FromFile(zip, limits, plan) : FromStream(zip, 1000, limits, plan);
        std::size_t last = cases.size();  // the entry that passes the cap
        std::uint64_t before = 0;
        for (std::size_t i = 0; i < cases.size() && last == cases.size(); ++i) {
          if (before + makes[i] > cap) {
            last = i;
          } else {
            before += makes[i];
          }
        }
        const bool over = last < cases.size();
        EXPECT_EQ(budget.Used(), std::min(needed, cap));
        EXPECT_EQ(budget.Reached(), over);
        EXPECT_EQ(r.result.TooLarge, over);
        EXPECT_FALSE(r.result.Damaged);
        ASSERT_EQ(r.seen.size(), over ? last + 1 : cases.size());
        for (std::size_t i = 0; i < r.seen.size() && !none; ++i) {
          const std::string& data = cases[i].item.Data;
          EXPECT_EQ(r.seen[i].data, i == last ? data.substr(0, cap - before) : data);
          EXPECT_EQ(r.seen[i].end, i == last ? TZipEnd::TooLarge : TZipEnd::Complete);
        }
      }
    }
  }

  // A package inside shares the budget: the outer entry's bytes and its
  // entries' are spent from it, and when they reach it both readings end.
  const std::vector<std::uint8_t> inner =
      BuildZip({Entry("x", Text(50000, 60), true).item, Entry("y", Text(30000, 61), false).item});
  for (const bool deflated : {false, true}) {
    const std::vector<std::uint8_t> outer = BuildZip({Entry("a", Text(20000, 62), true).item,
                                                      Entry("in.zip", test::AsText(inner), deflated).item,
                                                      Entry("b", Text(10000, 63), false).item});
    const std::uint64_t needed = 20000 + inner.size() + 80000 + 10000;
    for (const std::uint64_t cap : {needed, needed - 5000, std::uint64_t{20000} + inner.size() + 40000,
                                    std::uint64_t{30000}}) {
      SCOPED_TRACE(cap);
      TFileBudget budget = TFileBudget::WithCap(cap);
      TZipLimits limits;
      limits.Budget = &budget;
      std::vector<std::string> names;
      TZipResult innerResult;
      MemoryFile file(outer);
      const TZipResult r = ReadZip(file, limits, [&](const TZipEntry& entry, IZipEntryData& data) {
        names.push_back(entry.Name);
        if (entry.Name == "in.zip") {
          innerResult = ReadZipStream(data, limits, [&](const TZipEntry& e, IZipEntryData& d) {
            names.push_back("in.zip/" + e.Name);
            ReadEntry(d);
            return true;
          });
        }
        ReadEntry(data);
        return true;
      });
      EXPECT_EQ(budget.Used(), std::min(cap, needed));
      EXPECT_EQ(r.TooLarge, cap < needed);
      if (cap == needed) {
        EXPECT_EQ(names, (std::vector<std::string>{"a", "in.zip", "in.zip/x", "in.zip/y", "b"}));
      } else if (cap < needed - 10000) {
        EXPECT_TRUE(innerResult.TooLarge || cap < 20000 + inner.size());
        EXPECT_EQ(std::count(names.begin(), names.end(), "b"), 0);
      }
    }
  }

  // Without a budget: ReadZip's is the file's own (TFileBudget(file.Size())),
  // ReadZipStream's the floor (TFileBudget(0)). Entries each under RatioFrom
  // that inflate about 1000 to 1 reach them.
  ZipItem zeros;
  zeros.Deflate = true;
  zeros.RawSize = (std::uint64_t{4} << 20) - 65536;
  zeros.Raw = test::RawDeflate(std::string(zeros.RawSize, '\0'), 9);
  zeros.RawCrc = test::ZipCrc(std::string(zeros.RawSize, '\0'));
  std::vector<ZipItem> many;
  for (int i = 0; i < 40; ++i) {
    zeros.Name = "z" + std::to_string(i);
    many.push_back(zeros);
  }
  const std::vector<std::uint8_t> zip = BuildZip(many);
  for (const bool stream : {false, true}) {
    SCOPED_TRACE(stream);
    std::uint64_t given = 0;
    std::size_t entries = 0;
    std::vector<std::uint8_t> buf(65536);
    const TZipVisit count = [&](const TZipEntry&, IZipEntryData& data) {
      ++entries;
      while (const std::size_t n = data.Read(buf.data(), buf.size())) given += n;
      return true;
    };
    MemoryFile file(zip);
    MemoryStream in(zip, kAll);
    const TZipResult r = stream ? ReadZipStream(in, {}, count) : ReadZip(file, {}, count);
    EXPECT_TRUE(r.TooLarge);
    EXPECT_EQ(given, TFileBudget::CapFor(stream ? 0 : zip.size()));
    EXPECT_LT(entries, many.size());
  }
}

// However many entries a package holds, each is read: the count in the end
// record (wrapped past 65,535, or Zip64) bounds nothing, the file's size does.
TEST(ZipPackage, ReadsEveryEntryHoweverMany) {
  std::vector<ZipItem> items(70000);
  for (std::size_t i = 0; i < items.size(); ++i) {
    items[i].Name = "e" + std::to_string(i);
    items[i].Data = std::string(i % 3, static_cast<char>('a' + i % 26));
  }
  for (const bool zip64End : {false, true}) {
    const std::vector<std::uint8_t> zip = BuildZip(items, zip64End);
    for (const bool stream : {false, true}) {
      SCOPED_TRACE(zip64End * 2 + stream);
      const Reading r = stream ? FromStream(zip, kAll, {}, {}, 16) : FromFile(zip, {}, {}, 16);
      EXPECT_EQ(r.result.Entries, items.size());
      EXPECT_FALSE(r.result.Damaged);
      EXPECT_FALSE(r.result.TooLarge);
      ASSERT_EQ(r.seen.size(), items.size());
      std::size_t wrong = 0;
      for (std::size_t i = 0; i < items.size(); ++i) {
        wrong += r.seen[i].name != items[i].Name || r.seen[i].data != items[i].Data ||
                 r.seen[i].end != TZipEnd::Complete;
      }
      EXPECT_EQ(wrong, 0u);
    }
  }
}

// A directory whose entries' local headers are none of them where it says
// (offsets out of range, or at bytes that are no local header): the local
// headers are read from the start, as when the directory itself can't be
// found. When only some are missing, those are damaged and the others read.
TEST(ZipPackage, LocalHeadersReadWhenTheDirectoryMissesThemAll) {
  for (std::uint32_t seed = 0; seed < 60; ++seed) {
    SCOPED_TRACE(seed);
    const std::vector<Case> cases = RandomCases(seed + 1000);
    ZipLayout layout;
    std::vector<std::uint8_t> zip = BuildZip(Items(cases), seed % 2 == 0, &layout);
    std::mt19937 rng(seed);
    std::vector<bool> bad(cases.size());
    bool all = true, any = false;
    for (std::size_t i = 0; i < cases.size(); ++i) {
      bad[i] = seed % 3 == 0 || rng() % 2 == 0;
      all = all && bad[i];
      any = any || bad[i];
      if (!bad[i]) continue;
      const std::uint64_t offsets[] = {zip.size() + rng() % 100000, 0xFFFFFFF0, layout.Data[i] + 1,
                                       layout.Directory, layout.End};
      Put(zip, layout.OffsetAt[i], offsets[rng() % 5], cases[i].item.Zip64 ? 8 : 4);
    }
    const Reading r = FromFile(zip);
    EXPECT_TRUE(r.result.Package);
    EXPECT_EQ(r.result.Damaged, any);
    if (all) {
      ExpectEntries(r, cases);
      continue;
    }
    ASSERT_EQ(r.seen.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
      EXPECT_EQ(r.seen[i].name, cases[i].name);
      EXPECT_EQ(r.seen[i].data, bad[i] ? "" : cases[i].item.Data);
      EXPECT_EQ(r.seen[i].end, bad[i] ? TZipEnd::Damaged : TZipEnd::Complete);
    }
  }
}

// Entries whose data is, or overlaps, data read before are passed over and
// counted: each byte of data is read once, in the directory's order.
TEST(ZipPackage, EntriesThatShareDataAreReadOnce) {
  for (std::uint32_t seed = 0; seed < 60; ++seed) {
    SCOPED_TRACE(seed);
    const std::vector<Case> cases = RandomCases(seed + 2000, 8);
    ZipLayout layout;
    const std::vector<std::uint8_t> zip = BuildZip(Items(cases), false, &layout);
    // The directory lists entries in any order, some again, some not at all,
    // and some with a compressed size that reaches further.
    std::mt19937 rng(seed);
    std::vector<std::size_t> order(1 + rng() % (3 * cases.size()));
    for (std::size_t& i : order) i = rng() % cases.size();
    std::vector<std::uint8_t> listed = WithDirectory(zip, layout, order);
    std::vector<std::uint64_t> stated(order.size());
    std::vector<bool> longer(order.size());
    for (std::uint64_t s = 0, at = layout.Directory; s < order.size(); ++s) {
      const std::size_t i = order[s];
      const std::uint64_t next = i + 1 < cases.size() ? layout.Central[i + 1] : layout.DirectoryEnd;
      const std::uint64_t header = next - layout.Central[i];
      const bool zip64 = cases[i].item.Zip64;
      const std::uint64_t field = zip64 ? layout.OffsetAt[i] - 8 - layout.Central[i] : 20;  // the compressed size
      stated[s] = Get(zip, layout.Central[i] + field, zip64 ? 8 : 4);
      longer[s] = rng() % 4 == 0;
      if (longer[s]) {
        stated[s] += rng() % 2 ? rng() % 40 : rng() % zip.size();
        Put(listed, at + field, stated[s], zip64 ? 8 : 4);
      }
      at += header;
    }
    // What reads each range once: an entry whose range meets one read before
    // is passed over.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> read;
    std::vector<std::size_t> visited;
    for (std::size_t s = 0; s < order.size(); ++s) {
      const std::size_t i = order[s];
      const std::uint64_t from = layout.Local[i];
      const std::uint64_t to = std::max(from + 30, std::min<std::uint64_t>(listed.size(), layout.Data[i] + stated[s]));
      if (std::none_of(read.begin(), read.end(), [&](const auto& r) { return r.first < to && from < r.second; })) {
        read.emplace_back(from, to);
        visited.push_back(s);
      }
    }
    const Reading r = FromFile(listed);
    EXPECT_EQ(r.result.Overlapping, order.size() - visited.size());
    ASSERT_EQ(r.seen.size(), visited.size());
    for (std::size_t v = 0; v < visited.size(); ++v) {
      const Case& c = cases[order[visited[v]]];
      EXPECT_EQ(r.seen[v].name, c.name);
      if (longer[visited[v]]) continue;
      EXPECT_EQ(r.seen[v].data, c.item.Data);
      EXPECT_EQ(r.seen[v].end, TZipEnd::Complete);
    }
  }

  // An entry whose stated compressed size reaches into the next entry's local
  // header: the next is passed over.
  {
    const std::vector<Case> cases = {Entry("a", Text(5000, 70), true), Entry("b", Text(100, 71), false),
                                     Entry("c", Text(100, 72), false)};
    ZipLayout layout;
    std::vector<std::uint8_t> zip = BuildZip(Items(cases), false, &layout);
    Put(zip, layout.Central[0] + 20, layout.Local[1] - layout.Data[0] + 1, 4);
    const Reading r = FromFile(zip);
    EXPECT_EQ(r.result.Overlapping, 1u);
    ExpectEntries(r, {cases[0], cases[2]});
  }

  // 20,000 entries of one deflate stream: one is read, the file read once.
  const Case shared = Entry("shared", Text(300000, 73), true);
  ZipLayout layout;
  const std::vector<std::uint8_t> one = BuildZip({shared.item}, false, &layout);
  const std::vector<std::uint8_t> zip = WithDirectory(one, layout, std::vector<std::size_t>(20000, 0));
  Reading r;
  MemoryFile file(zip);
  r.result = ReadZip(file, {}, Recorder(r, {}, 65536));
  EXPECT_EQ(r.result.Overlapping, 19999u);
  ExpectEntries(r, {shared});
  EXPECT_LT(file.bytesRead, 2 * zip.size());
}

// A stored entry whose size only its descriptor gives, read in order, with a
// false descriptor every 16 bytes whose sizes agree with the bytes before it:
// its end is found in one pass over the data (each byte checksummed once),
// however the stream and the visitor cut it.
TEST(ZipPackage, FalseDescriptorsCostOnePassOverTheData) {
  for (const bool signature : {true, false}) {
    SCOPED_TRACE(signature);
    test::ZipBytes fakes;
    for (std::uint64_t k = 0; k < (std::uint64_t{4} << 20); k += 16) {
      if (signature) fakes.U32(0x08074b50);
      fakes.U32(0x12345678 + k);  // not their checksum
      fakes.U32(k);
      fakes.U32(k);
      if (!signature) fakes.U32(0x04034b50);
    }
    const std::vector<Case> cases = {
        Entry("fakes", test::AsText(fakes.bytes), false, signature ? ZipDescriptor::Signed : ZipDescriptor::Unsigned),
        Entry("after", "after", false)};
    ZipLayout layout;
    const std::vector<std::uint8_t> zip = BuildZip(Items(cases), false, &layout);
    // Without its directory, the file too is read by its local headers.
    const std::vector<std::uint8_t> cut(zip.begin(), zip.begin() + static_cast<std::ptrdiff_t>(layout.Directory));
    for (const int way : {0, 1, 2, 3}) {
      SCOPED_TRACE(way);
      const Reading r = way == 0   ? FromStream(zip)
                        : way == 1 ? FromStream(zip, 13, {}, {}, 1000)
                        : way == 2 ? FromStream(zip, 4093, {}, {}, 7)
                                   : FromFile(cut);
      EXPECT_EQ(r.result.Damaged, way == 3);
      ExpectEntries(r, cases);
      EXPECT_LE(r.result.DescriptorBytes, fakes.Size());
    }
  }
}

}  // namespace
}  // namespace sorvik
