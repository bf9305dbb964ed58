// Small PDF files made by the tests, byte by byte as the format writes them:
// numbered objects, streams (deflated when asked, with zlib), and a
// cross-reference as a table or as a stream, or none; object streams. Made
// here, independently of the reader the tests check.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sorvik::test {

inline std::string Deflated(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
           static_cast<uLong>(data.size()));
  out.resize(size);
  return out;
}

class TPdfWriter {
 public:
  enum class TXref { Table, Stream, None };

  // An object's body ("<< /Type /Page >>"); its number.
  int Add(const std::string& body) {
    Bodies_.push_back(body);
    return static_cast<int>(Bodies_.size());
  }
  // A stream: its dictionary's entries but /Length, and its data (deflated
  // when asked, with /Filter /FlateDecode added).
  int AddStream(const std::string& entries, const std::string& data, bool deflate = false) {
    const std::string bytes = deflate ? Deflated(data) : data;
    return Add("<< " + entries + (deflate ? " /Filter /FlateDecode" : "") + " /Length " +
               std::to_string(bytes.size()) + " >>\nstream\n" + bytes + "\nendstream");
  }
  // Objects to be kept in an object stream when the file is written with a
  // cross-reference stream (never streams themselves).
  void Compress(int num) { Compressed_.push_back(num); }

  // The whole file, /Root the given object; `trailer` adds entries (/Info 3 0 R).
  std::string Finish(int root, TXref xref = TXref::Table, const std::string& trailer = "") const {
    std::string out = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
    std::map<int, std::size_t> offsets;
    std::map<int, std::pair<int, int>> inStream;  // object -> (object stream, index)
    const int count = static_cast<int>(Bodies_.size());
    int next = count + 1;
    std::vector<int> compressed = xref == TXref::Stream ? Compressed_ : std::vector<int>{};
    for (int num = 1; num <= count; ++num) {
      bool skip = false;
      for (const int c : compressed) skip = skip || c == num;
      if (skip) continue;
      offsets[num] = out.size();
      out += std::to_string(num) + " 0 obj\n" + Bodies_[static_cast<std::size_t>(num - 1)] + "\nendobj\n";
    }
    if (!compressed.empty()) {
      std::string head, body;
      for (std::size_t k = 0; k < compressed.size(); ++k) {
        head += std::to_string(compressed[k]) + " " + std::to_string(body.size()) + " ";
        body += Bodies_[static_cast<std::size_t>(compressed[k] - 1)] + "\n";
        inStream[compressed[k]] = {next, static_cast<int>(k)};
      }
      const std::string data = head + body;
      const std::string packed = Deflated(data);
      offsets[next] = out.size();
      out += std::to_string(next) + " 0 obj\n<< /Type /ObjStm /N " + std::to_string(compressed.size()) + " /First " +
             std::to_string(head.size()) + " /Filter /FlateDecode /Length " + std::to_string(packed.size()) +
             " >>\nstream\n" + packed + "\nendstream\nendobj\n";
      ++next;
    }
    const std::string rootEntry = "/Root " + std::to_string(root) + " 0 R " + trailer;
    if (xref == TXref::None) return out + "trailer\n<< " + rootEntry + " >>\n%%EOF\n";
    if (xref == TXref::Table) {
      const std::size_t at = out.size();
      out += "xref\n0 " + std::to_string(next) + "\n0000000000 65535 f \n";
      for (int num = 1; num < next; ++num) {
        char line[32];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offsets.count(num) ? offsets.at(num) : std::size_t{0});
        out += line;
      }
      out += "trailer\n<< /Size " + std::to_string(next) + " " + rootEntry + " >>\nstartxref\n" + std::to_string(at) +
             "\n%%EOF\n";
      return out;
    }
    // A cross-reference stream: rows of 1, 4 and 2 bytes, itself the last object.
    const int self = next;
    const std::size_t at = out.size();
    std::string rows;
    const auto row = [&](int type, std::uint32_t field, int gen) {
      rows += static_cast<char>(type);
      for (int b = 3; b >= 0; --b) rows += static_cast<char>((field >> (8 * b)) & 0xFF);
      rows += static_cast<char>((gen >> 8) & 0xFF);
      rows += static_cast<char>(gen & 0xFF);
    };
    row(0, 0, 0xFFFF);
    for (int num = 1; num <= self; ++num) {
      if (num == self)
        row(1, static_cast<std::uint32_t>(at), 0);
      else if (inStream.count(num))
        row(2, static_cast<std::uint32_t>(inStream.at(num).first), inStream.at(num).second);
      else
        row(1, static_cast<std::uint32_t>(offsets.at(num)), 0);
    }
    const std::string packed = Deflated(rows);
    out += std::to_string(self) + " 0 obj\n<< /Type /XRef /Size " + std::to_string(self + 1) + " /W [1 4 2] " +
           rootEntry + " /Filter /FlateDecode /Length " + std::to_string(packed.size()) + " >>\nstream\n" + packed +
           "\nendstream\nendobj\nstartxref\n" + std::to_string(at) + "\n%%EOF\n";
    return out;
  }

 private:
  std::vector<std::string> Bodies_;
  std::vector<int> Compressed_;
};

}  // namespace sorvik::test
