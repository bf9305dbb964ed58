#include "TestFolder.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace sorvik::test {

namespace {

std::string ToUtf8(const fs::path& p) {
  const auto u8 = p.u8string();
  return std::string(u8.begin(), u8.end());
}

fs::path FromUtf8(const std::string& s) {
  return fs::path(std::u8string(s.begin(), s.end()));
}

}  // namespace

char Delim() {
#ifdef _WIN32
  return '\\';
#else
  return '/';
#endif
}

TTestFolder::TTestFolder() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  Dir_ = fs::temp_directory_path() /
         ("sorvik-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  fs::create_directories(Dir_);
  Root_ = ToUtf8(Dir_);
  while (Root_.size() > 1 && (Root_.back() == '/' || Root_.back() == '\\')) Root_.pop_back();
}

TTestFolder::~TTestFolder() {
  std::error_code ec;
  // Undo read-only bits that would stop the removal.
  for (auto it = fs::recursive_directory_iterator(Dir_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(Dir_, ec);
}

std::string TTestFolder::Path(const std::string& relative) const {
  std::string p = Root_ + Delim() + relative;
  for (char& c : p)
    if (c == '/' && Delim() == '\\') c = '\\';
  return p;
}

std::string TTestFolder::File(const std::string& relative, const std::string& bytes) {
  const std::string path = Path(relative);
  fs::create_directories(FromUtf8(path).parent_path());
  std::ofstream out(FromUtf8(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::string TTestFolder::SizedFile(const std::string& relative, std::uint64_t size) {
  const std::string path = File(relative);
  fs::resize_file(FromUtf8(path), size);
  return path;
}

std::string TTestFolder::Folder(const std::string& relative) {
  const std::string path = Path(relative);
  fs::create_directories(FromUtf8(path));
  return path;
}

}  // namespace sorvik::test
