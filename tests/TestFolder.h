// A temporary folder for tests, removed with everything in it at the end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

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
  // Another name for the file `target` (both relative): a hard link. Returns its full path.
  std::string HardLink(const std::string& relative, const std::string& target);
  // A symbolic link to the folder `target` (both relative); under Wine, which
  // can't make one, made on the Linux side. Returns its full path.
  std::string FolderLink(const std::string& relative, const std::string& target);

 private:
  std::filesystem::path Dir_;
  std::string Root_;
  std::vector<std::string> FolderLinks_;  // removed first, so that removing the rest doesn't walk into them
};

// Native delimiter of the platform.
char Delim();

// Runs a Linux program with its arguments (paths as Linux paths, see UnixPath).
// Natively it waits for the program's end and is false unless it succeeded.
// Under Wine it is false only when the program couldn't start, and may return
// before the program is done: wait for its effect.
bool RunUnixProgram(const std::string& program, const std::vector<std::string>& arguments);
// The Linux path of a path as the program sees it (`Z:\tmp\x` is `/tmp/x` under
// Wine); the path itself elsewhere.
std::string UnixPath(const std::string& path);

}  // namespace sorvik::test
