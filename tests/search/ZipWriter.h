// Builds zip packages in memory for tests, byte by byte from the format's
// records (it shares nothing with the reader): stored or deflated entries, data
// descriptors with or without their signature, Zip64 fields and records, the
// encryption and UTF-8 flags, entries whose data is given ready-made, and
// directories made anew (entries listed in another order, or again).
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace sorvik::test {

enum class ZipDescriptor { None, Signed, Unsigned };

struct ZipItem {
  std::string Name;          // as stored (bytes)
  std::string Data;          // the entry's bytes
  bool Deflate = false;      // method 8 (raw deflate), else 0 (stored)
  ZipDescriptor Descriptor = ZipDescriptor::None;  // sizes and CRC after the data, 0 in the local header
  bool Zip64 = false;        // sizes (and offset) in Zip64 extra fields, 0xFFFFFFFF in the headers
  bool Encrypted = false;    // sets the flag only; the data is written as given
  bool Utf8Name = false;     // flag bit 11
  // Written as the entry's data as it is, with RawSize and RawCrc as the
  // entry's size and checksum (bombs, broken data); Data is then unused.
  std::optional<std::string> Raw;
  std::uint64_t RawSize = 0;
  std::uint32_t RawCrc = 0;
};

// Where the records of a built package are.
struct ZipLayout {
  std::vector<std::uint64_t> Local;    // each entry's local header
  std::vector<std::uint64_t> Data;     // each entry's data
  std::vector<std::uint64_t> Central;  // each entry's central directory header
  // Where each directory header holds its local header's offset: 8 bytes in
  // its Zip64 field (ZipItem::Zip64), else 4.
  std::vector<std::uint64_t> OffsetAt;
  std::uint64_t Directory = 0;         // the central directory
  std::uint64_t DirectoryEnd = 0;      // the records after it
  std::uint64_t End = 0;               // the end of central directory record
};

inline std::uint32_t ZipCrc(const std::string& bytes) {
  std::uint32_t crc = crc32(0, nullptr, 0);
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t n = std::min<std::size_t>(bytes.size() - at, 1u << 30);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data() + at), static_cast<uInt>(n));
    at += n;
  }
  return crc;
}

// Raw deflate (no zlib header) of `bytes`.
inline std::string RawDeflate(const std::string& bytes, int level = Z_DEFAULT_COMPRESSION) {
  z_stream z{};
  if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw std::runtime_error("deflateInit2");
  std::string out;
  std::size_t at = 0;
  int ret = Z_OK;
  char buf[16384];
  while (ret != Z_STREAM_END) {
    const std::size_t n = std::min<std::size_t>(bytes.size() - at, 1u << 20);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data() + at));
    z.avail_in = static_cast<uInt>(n);
    const bool last = at + n == bytes.size();
    do {
      z.next_out = reinterpret_cast<Bytef*>(buf);
      z.avail_out = sizeof buf;
      ret = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
      out.append(buf, sizeof buf - z.avail_out);
    } while (z.avail_out == 0 || (last && ret != Z_STREAM_END));
    at += n;
  }
  deflateEnd(&z);
  return out;
}

class ZipBytes {
 public:
  void U16(std::uint64_t v) { Put(v, 2); }
  void U32(std::uint64_t v) { Put(v, 4); }
  void U64(std::uint64_t v) { Put(v, 8); }
  void Text(const std::string& s) { bytes.insert(bytes.end(), s.begin(), s.end()); }
  std::uint64_t Size() const { return bytes.size(); }
  std::vector<std::uint8_t> bytes;

 private:
  void Put(std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
};

// The package holding `items` in order. `zip64End` adds the Zip64 end records
// (and puts 0xFFFF/0xFFFFFFFF in the classic one).
inline std::vector<std::uint8_t> BuildZip(const std::vector<ZipItem>& items, bool zip64End = false,
                                          ZipLayout* layout = nullptr) {
  constexpr std::uint64_t kFull = 0xFFFFFFFF;
  struct Written {
    std::uint64_t offset, size, compressed;
    std::uint32_t crc;
    std::uint16_t flags, method;
  };
  ZipLayout where;
  std::vector<Written> written;
  ZipBytes out;
  for (const ZipItem& item : items) {
    const std::string data = item.Raw ? *item.Raw : item.Deflate ? RawDeflate(item.Data) : item.Data;
    Written w{out.Size(), item.Raw ? item.RawSize : item.Data.size(), data.size(),
              item.Raw ? item.RawCrc : ZipCrc(item.Data), 0, static_cast<std::uint16_t>(item.Deflate ? 8 : 0)};
    if (item.Encrypted) w.flags |= 1;
    if (item.Descriptor != ZipDescriptor::None) w.flags |= 8;
    if (item.Utf8Name) w.flags |= 1 << 11;
    const bool later = item.Descriptor != ZipDescriptor::None;
    where.Local.push_back(out.Size());
    out.U32(0x04034b50);
    out.U16(item.Zip64 ? 45 : 20);
    out.U16(w.flags);
    out.U16(w.method);
    out.U32(0);  // time and date
    out.U32(later ? 0 : w.crc);
    out.U32(item.Zip64 ? kFull : later ? 0 : w.compressed);
    out.U32(item.Zip64 ? kFull : later ? 0 : w.size);
    out.U16(item.Name.size());
    out.U16(item.Zip64 ? 20 : 0);
    out.Text(item.Name);
    if (item.Zip64) {
      out.U16(1);
      out.U16(16);
      out.U64(later ? 0 : w.size);
      out.U64(later ? 0 : w.compressed);
    }
    where.Data.push_back(out.Size());
    out.Text(data);
    if (later) {
      if (item.Descriptor == ZipDescriptor::Signed) out.U32(0x08074b50);
      out.U32(w.crc);
      if (item.Zip64) {
        out.U64(w.compressed);
        out.U64(w.size);
      } else {
        out.U32(w.compressed);
        out.U32(w.size);
      }
    }
    written.push_back(w);
  }
  where.Directory = out.Size();
  for (std::size_t i = 0; i < items.size(); ++i) {
    const ZipItem& item = items[i];
    const Written& w = written[i];
    where.Central.push_back(out.Size());
    out.U32(0x02014b50);
    out.U16(item.Zip64 ? 45 : 20);
    out.U16(item.Zip64 ? 45 : 20);
    out.U16(w.flags);
    out.U16(w.method);
    out.U32(0);
    out.U32(w.crc);
    out.U32(item.Zip64 ? kFull : w.compressed);
    out.U32(item.Zip64 ? kFull : w.size);
    out.U16(item.Name.size());
    out.U16(item.Zip64 ? 28 : 0);
    out.U16(0);  // comment
    out.U16(0);  // disk
    out.U16(0);  // internal attributes
    out.U32(item.Name.size() && item.Name.back() == '/' ? 0x10 : 0);
    where.OffsetAt.push_back(out.Size());
    out.U32(item.Zip64 ? kFull : w.offset);
    out.Text(item.Name);
    if (item.Zip64) {
      out.U16(1);
      out.U16(24);
      out.U64(w.size);
      out.U64(w.compressed);
      where.OffsetAt.back() = out.Size();
      out.U64(w.offset);
    }
  }
  where.DirectoryEnd = out.Size();
  const std::uint64_t directorySize = out.Size() - where.Directory;
  if (zip64End) {
    const std::uint64_t record = out.Size();
    out.U32(0x06064b50);
    out.U64(44);
    out.U16(45);
    out.U16(45);
    out.U32(0);
    out.U32(0);
    out.U64(items.size());
    out.U64(items.size());
    out.U64(directorySize);
    out.U64(where.Directory);
    out.U32(0x07064b50);
    out.U32(0);
    out.U64(record);
    out.U32(1);
  }
  where.End = out.Size();
  out.U32(0x06054b50);
  out.U16(0);
  out.U16(0);
  out.U16(zip64End ? 0xFFFF : items.size());
  out.U16(zip64End ? 0xFFFF : items.size());
  out.U32(zip64End ? kFull : directorySize);
  out.U32(zip64End ? kFull : where.Directory);
  out.U16(0);
  if (layout) *layout = where;
  return std::move(out.bytes);
}

// The package `zip` (built with `layout`) with its central directory made
// anew from its directory headers in `order` (repeats and omissions too), and
// end records for that count (the Zip64 ones too when it passes 65,535).
inline std::vector<std::uint8_t> WithDirectory(const std::vector<std::uint8_t>& zip, const ZipLayout& layout,
                                               const std::vector<std::size_t>& order) {
  ZipBytes out;
  out.bytes.assign(zip.begin(), zip.begin() + static_cast<std::ptrdiff_t>(layout.Directory));
  for (std::size_t i : order) {
    const std::uint64_t end = i + 1 < layout.Central.size() ? layout.Central[i + 1] : layout.DirectoryEnd;
    out.bytes.insert(out.bytes.end(), zip.begin() + static_cast<std::ptrdiff_t>(layout.Central[i]),
                     zip.begin() + static_cast<std::ptrdiff_t>(end));
  }
  const std::uint64_t size = out.Size() - layout.Directory;
  const bool zip64 = order.size() > 0xFFFF;
  if (zip64) {
    const std::uint64_t record = out.Size();
    out.U32(0x06064b50);
    out.U64(44);
    out.U16(45);
    out.U16(45);
    out.U32(0);
    out.U32(0);
    out.U64(order.size());
    out.U64(order.size());
    out.U64(size);
    out.U64(layout.Directory);
    out.U32(0x07064b50);
    out.U32(0);
    out.U64(record);
    out.U32(1);
  }
  out.U32(0x06054b50);
  out.U16(0);
  out.U16(0);
  out.U16(zip64 ? 0xFFFF : order.size());
  out.U16(zip64 ? 0xFFFF : order.size());
  out.U32(size);
  out.U32(layout.Directory);
  out.U16(0);
  return std::move(out.bytes);
}

inline void WriteZipFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("can't write " + path.string());
}

inline std::string AsText(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace sorvik::test
