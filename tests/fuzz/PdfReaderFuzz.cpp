// The whole PDF reader over any bytes: the cross-reference, its rebuilding by
// a scan, object streams, filters, the security handler, fonts and content
// streams. Whatever the bytes, the reading ends, spends no more than the
// file's budget, gives valid UTF-8 in streams named "page N" or
// "Properties", and reads the same bytes the same way twice.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "PdfFonts.h"
#include "PdfText.h"

namespace {

using namespace sorvik;

bool IsValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<std::uint8_t>(s[i]);
    const int n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + static_cast<std::size_t>(n) > s.size()) return false;
    for (int k = 1; k < n; ++k)
      if ((static_cast<std::uint8_t>(s[i + static_cast<std::size_t>(k)]) & 0xC0) != 0x80) return false;
    i += static_cast<std::size_t>(n);
  }
  return true;
}

class TRecord : public IStreamSearch {
 public:
  void BeginFile() override {}
  void BeginStream(bool text, const std::string& name) override {
    FUZZ_CHECK(text);
    FUZZ_CHECK(name == "Properties" || name.rfind("page ", 0) == 0);
    Log += "|" + name + ":";
  }
  bool Feed(const std::uint8_t* data, std::size_t n) override {
    Log.append(reinterpret_cast<const char*>(data), n);
    return true;
  }
  bool EndStream() override { return true; }
  bool Done() const override { return false; }
  bool Found() const override { return false; }
  std::string Log;
};

std::string Read(std::string_view bytes, std::uint64_t& spent) {
  TRecord record;
  // A small cap, so that bombs end soon and the cap itself is tried.
  TFileBudget budget = TFileBudget::WithCap(std::uint64_t{8} << 20);
  ReadPdfText(bytes, record, budget, MakePdfFont, PdfTextString, {});
  spent = budget.Used();
  FUZZ_CHECK(budget.Used() <= budget.Cap());
  return record.Log;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::uint64_t first = 0, second = 0;
  const std::string log = Read(bytes, first);
  FUZZ_CHECK(IsValidUtf8(log));
  FUZZ_CHECK(Read(bytes, second) == log);
  FUZZ_CHECK(first == second);
  return 0;
}
