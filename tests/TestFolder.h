// A temporary folder for tests, removed with everything in it at the end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace sorvik::test {

class TTestFolder {
 public:
  TTestFolder();
  ~TTestFolder();
  TTestFolder(const TTestFolder&) = delete;
  TTestFolder& operator=(const TTestFolder&) = delete;

  // The folder's path (UTF-8, native delimiters), without a trailing delimiter.
  const std::string& Root() const { return Root_; }
  // Root + delimiter + relative path (relative paths use '/' between parts).
  std::string Path(const std::string& relative) const;

  // Creates a file (and its folders) holding `bytes`; returns its full path.
  std::string File(const std::string& relative, const std::string& bytes = "");
  // Creates a file of `size` bytes without writing them (sparse where possible).
  std::string SizedFile(const std::string& relative, std::uint64_t size);
  std::string Folder(const std::string& relative);

 private:
  std::filesystem::path Dir_;
  std::string Root_;
};

// Native delimiter of the platform.
char Delim();

}  // namespace sorvik::test
