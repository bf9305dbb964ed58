#include "TestFolder.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <system_error>
#include <thread>

#ifdef _WIN32
#include <windows.h>

#include "Win32Handles.h"
#include "WinText.h"
#else
#include <spawn.h>
#include <unistd.h>
#include <sys/wait.h>
#endif

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
  for (const std::string& link : FolderLinks_) {
    fs::remove(FromUtf8(link), ec);
#ifdef _WIN32
    // Wine can't remove a Linux link (and would walk into it): the Linux side does.
    if (fs::exists(FromUtf8(link), ec) && RunUnixProgram("/bin/rm", {UnixPath(link)}))
      for (int i = 0; i < 1000 && fs::exists(FromUtf8(link), ec); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
#endif
  }
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

std::string TTestFolder::HardLink(const std::string& relative, const std::string& target) {
  const std::string path = Path(relative);
  fs::create_hard_link(FromUtf8(Path(target)), FromUtf8(path));
  return path;
}

std::string TTestFolder::FolderLink(const std::string& relative, const std::string& target) {
  const std::string path = Path(relative);
  FolderLinks_.push_back(path);
  std::error_code ec;
  fs::create_directory_symlink(FromUtf8(Path(target)), FromUtf8(path), ec);
#ifdef _WIN32
  // Wine can't make one: the Linux side does.
  if (!fs::exists(FromUtf8(path), ec) && RunUnixProgram("/bin/ln", {"-s", UnixPath(Path(target)), UnixPath(path)}))
    for (int i = 0; i < 1000 && !fs::exists(FromUtf8(path), ec); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
#endif
  return path;
}

#ifdef _WIN32
std::string UnixPath(const std::string& path) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  static const auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) return {};
  char* name = unixName(Widen(path).c_str());
  if (!name) return {};
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

bool RunUnixProgram(const std::string& program, const std::vector<std::string>& arguments) {
  std::string line = "Z:" + program;
  for (char& c : line)
    if (c == '/') c = '\\';
  for (const std::string& a : arguments) line += " \"" + a + "\"";
  std::wstring command = Widen(line);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  // Wine gives no handle of a Linux process to wait on: the caller waits for its effect.
  const UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
  if (process) WaitForSingleObject(process.get(), 30000);
  return true;
}
#else
std::string UnixPath(const std::string& path) { return path; }

bool RunUnixProgram(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<std::string> args{program};
  args.insert(args.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
#endif

}  // namespace sorvik::test
