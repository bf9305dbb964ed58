// The floor of a names-only search on one thread: walks a tree, every folder
// before its subfolders, and opens and closes every file once, as the locked
// test does, without sharing on Windows. Prints the files opened and the files
// that could not be opened.
//
//   open-walk FOLDER
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

struct TCounts {
  long long Opened = 0, Failed = 0;
};

#ifdef _WIN32
void Walk(const std::wstring& folder, TCounts& counts) {
  std::vector<std::wstring> subfolders;
  WIN32_FIND_DATAW found;
  const HANDLE find = FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                       nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      subfolders.push_back(folder + name + L"\\");
      continue;
    }
    const HANDLE file = CreateFileW((folder + name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      ++counts.Failed;
    } else {
      ++counts.Opened;
      CloseHandle(file);
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
  for (const std::wstring& sub : subfolders) Walk(sub, counts);
}

std::wstring StartFolder(const char* arg) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, arg, -1, nullptr, 0);
  std::wstring folder(static_cast<std::size_t>(n > 0 ? n - 1 : 0), L'\0');
  if (n > 1) MultiByteToWideChar(CP_UTF8, 0, arg, -1, folder.data(), n);
  if (folder.empty() || (folder.back() != L'\\' && folder.back() != L'/')) folder += L'\\';
  return folder;
}
#else
void Walk(const std::string& folder, TCounts& counts) {
  std::vector<std::string> subfolders;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  const int at = dirfd(dir);
  while (const dirent* e = readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    bool isFolder = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN) {
      struct stat st;
      isFolder = fstatat(at, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    }
    if (isFolder) {
      subfolders.push_back(folder + name + "/");
      continue;
    }
    // By full path, as the search opens its files.
    const int fd = open((folder + name).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
      ++counts.Failed;
    } else {
      ++counts.Opened;
      close(fd);
    }
  }
  closedir(dir);
  for (const std::string& sub : subfolders) Walk(sub, counts);
}

std::string StartFolder(const char* arg) {
  std::string folder = arg;
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: open-walk FOLDER\n");
    return 2;
  }
  TCounts counts;
  Walk(StartFolder(argv[1]), counts);
  std::printf("opened\t%lld\tfailed\t%lld\n", counts.Opened, counts.Failed);
  return 0;
}
