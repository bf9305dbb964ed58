#include "uSettings.h"

#include <windows.h>

#include <stdexcept>

#include "Dpi.h"
#include "Win32Handles.h"
#include "WinText.h"
#include "uCommaText.h"

namespace sorvik {

TSettings Settings;

namespace {

constexpr wchar_t kSection[] = L"formMain";
constexpr DWORD kValueBuffer = 2048;

std::wstring& FilePath() {
  static std::wstring path;
  return path;
}

std::string ReadString(const wchar_t* key, const std::wstring& file) {
  wchar_t buffer[kValueBuffer] = {};
  const DWORD n = GetPrivateProfileStringW(kSection, key, L"", buffer, kValueBuffer, file.c_str());
  return Narrow(buffer, static_cast<int>(n));
}

std::int32_t ReadInteger(const wchar_t* key, std::int32_t fallback, const std::wstring& file) {
  return ReadProfileInteger(ReadString(key, file), fallback);
}

// Writes keys through the profile functions and flushes their cache at the end.
// Not every system reports a file it can't write (Wine writes a read-only file's
// keys into its cache, then drops them unsaid): the file is tried first.
class TProfileWriter {
 public:
  explicit TProfileWriter(const std::wstring& file) : File_(file) {
    const DWORD attributes = GetFileAttributesW(File_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
      Fail();
    UniqueFile probe(CreateFileW(File_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe) Fail();
  }
  ~TProfileWriter() { WritePrivateProfileStringW(nullptr, nullptr, nullptr, File_.c_str()); }
  TProfileWriter(const TProfileWriter&) = delete;
  TProfileWriter& operator=(const TProfileWriter&) = delete;

  void Write(const wchar_t* key, const std::string& value) {
    if (!WritePrivateProfileStringW(kSection, key, Widen(value).c_str(), File_.c_str())) Fail();
  }

 private:
  [[noreturn]] void Fail() { throw std::runtime_error("Unable to write to " + Narrow(File_)); }
  std::wstring File_;
};

}  // namespace

std::wstring GetApplicationFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

const std::wstring& SettingsFile() {
  if (FilePath().empty()) FilePath() = GetApplicationFolder() + L"sorvik.ini";
  return FilePath();
}

void SetSettingsFile(const std::wstring& path) { FilePath() = path; }

void LoadSettings(unsigned dpi) {
  const std::wstring& file = SettingsFile();
  TSettings defaults;
  for (std::int16_t* v : {&defaults.MainLeft, &defaults.MainTop, &defaults.MainWidth, &defaults.MainHeight})
    *v = static_cast<std::int16_t>(Scale(*v, dpi));
  Settings.MainWindowState = static_cast<std::uint8_t>(ReadInteger(L"MainWindowState", defaults.MainWindowState, file));
  Settings.MainLeft = static_cast<std::int16_t>(ReadInteger(L"MainLeft", defaults.MainLeft, file));
  Settings.MainTop = static_cast<std::int16_t>(ReadInteger(L"MainTop", defaults.MainTop, file));
  Settings.MainWidth = static_cast<std::int16_t>(ReadInteger(L"MainWidth", defaults.MainWidth, file));
  Settings.MainHeight = static_cast<std::int16_t>(ReadInteger(L"MainHeight", defaults.MainHeight, file));
  Settings.MaxListItems = static_cast<std::uint8_t>(ReadInteger(L"MaxListItems", defaults.MaxListItems, file));
  Settings.MaskList = ReadString(L"MaskList", file);
  Settings.WordList = ReadString(L"WordList", file);
  Settings.ColumnSizes = ReadString(L"ColumnSizes", file);
}

void SaveSettings() {
  TProfileWriter ini(SettingsFile());
  ini.Write(L"MainWindowState", std::to_string(Settings.MainWindowState));
  ini.Write(L"MainLeft", std::to_string(Settings.MainLeft));
  ini.Write(L"MainTop", std::to_string(Settings.MainTop));
  ini.Write(L"MainWidth", std::to_string(Settings.MainWidth));
  ini.Write(L"MainHeight", std::to_string(Settings.MainHeight));
  ini.Write(L"MaxListItems", std::to_string(Settings.MaxListItems));
  ini.Write(L"MaskList", Settings.MaskList);
  ini.Write(L"WordList", Settings.WordList);
  ini.Write(L"ColumnSizes", Settings.ColumnSizes);
}

}  // namespace sorvik
