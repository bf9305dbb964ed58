#include "uSettings.h"

#include <windows.h>

#include <optional>
#include <string_view>
#include <stdexcept>
#include <utility>
#include <vector>

#include "Dpi.h"
#include "FileReplace.h"
#include "Win32Handles.h"
#include "WinText.h"
#include "CommaText.h"

namespace sorvik {

TSettings Settings;

namespace {

constexpr wchar_t kSection[] = L"formMain";
constexpr DWORD kFirstValueBuffer = 2048;

std::wstring& FilePath() {
  static std::wstring path;
  return path;
}

// The whole value, however long: the profile reader cuts a value to the buffer
// (giving back size - 1 characters), so the buffer grows until the value fits.
std::string ReadString(const wchar_t* key, const std::wstring& file) {
  std::wstring buffer(kFirstValueBuffer, L'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD n = GetPrivateProfileStringW(kSection, key, L"", buffer.data(), size, file.c_str());
    if (n + 1 < size) return Narrow(buffer.data(), static_cast<int>(n));
    buffer.assign(buffer.size() * 2, L'\0');
  }
}

// A comma text's value as the file holds it. The profile reader takes off a
// pair of quotes around a value, which may be a pair the value can't lose (a
// list typed by hand that begins and ends with a quoted entry); the section's
// lines come as they stand. The first line of the key counts, as for the profile
// reader; a key without a line reads as empty.
std::string ReadCommaTextValue(const wchar_t* key, const std::wstring& file) {
  std::wstring buffer(kFirstValueBuffer, L'\0');
  DWORD n = 0;
  for (;;) {
    n = GetPrivateProfileSectionW(kSection, buffer.data(), static_cast<DWORD>(buffer.size()), file.c_str());
    if (n + 2 < buffer.size()) break;  // a section cut to the buffer fills it but for 2 characters
    buffer.assign(buffer.size() * 2, L'\0');
  }
  const auto trimmed = [](std::wstring_view text) {
    const std::size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring_view::npos) return text.substr(text.size());
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
  };
  for (std::size_t i = 0; i < n;) {
    const std::wstring_view line(buffer.data() + i);  // each line ends with a NUL
    i += line.size() + 1;
    const std::size_t equals = line.find(L'=');
    if (equals == std::wstring_view::npos) continue;
    const std::wstring_view name = trimmed(line.substr(0, equals));
    if (CompareStringOrdinal(name.data(), static_cast<int>(name.size()), key, -1, TRUE) != CSTR_EQUAL) continue;
    const std::wstring_view value = trimmed(line.substr(equals + 1));
    return CommaTextFromProfile(Narrow(value.data(), static_cast<int>(value.size())));
  }
  return {};
}

std::int32_t ReadInteger(const wchar_t* key, std::int32_t fallback, const std::wstring& file) {
  return ReadProfileInteger(ReadString(key, file), fallback);
}

// Whether the ANSI code page holds the text exactly: it comes back from the
// code page unchanged, no character replaced by "?" or by a look-alike.
bool FitsAnsiCodePage(const std::wstring& text) {
  if (text.empty()) return true;
  const std::string ansi = NarrowCodePage(CP_ACP, text.c_str(), static_cast<int>(text.size()));
  if (ansi.empty()) return false;
  return WidenCodePage(CP_ACP, ansi.data(), static_cast<int>(ansi.size())) == text;
}

// The bytes of a file; nothing when it can't be read.
std::optional<std::string> ReadFileBytes(const std::wstring& file) {
  UniqueFile in(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!in || !GetFileSizeEx(in.get(), &size) || size.QuadPart > (1 << 28)) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() && (!ReadFile(in.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                         read != bytes.size()))
    return std::nullopt;
  return bytes;
}

// The text of a profile file as the profile functions read one without a
// UTF-16 byte-order mark: UTF-8 after its byte-order mark, ANSI otherwise.
std::wstring DecodeProfileBytes(const std::string& bytes) {
  static constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
  const bool utf8 = bytes.compare(0, 3, kUtf8Mark) == 0;
  const UINT codePage = utf8 ? CP_UTF8 : CP_ACP;
  const char* text = bytes.data() + (utf8 ? 3 : 0);
  const int length = static_cast<int>(bytes.size() - (utf8 ? 3 : 0));
  return WidenCodePage(codePage, text, length);
}

// Makes the profile file UTF-16 LE with a byte-order mark, its text unchanged:
// the profile functions keep a file's encoding when they write to it, and a
// Unicode one holds every character. A file that is Unicode already stays as it
// is. The new text goes to a file beside it first, which then replaces it, so a
// failure leaves the old file whole. False when the file can't be read or replaced.
bool MakeProfileUnicode(const std::wstring& file) {
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());  // nothing left in the cache
  const std::optional<std::string> bytes = ReadFileBytes(file);
  if (!bytes) return false;
  if (bytes->compare(0, 2, "\xFF\xFE") == 0 || bytes->compare(0, 2, "\xFE\xFF") == 0) return true;
  std::wstring text = DecodeProfileBytes(*bytes);
  text.insert(text.begin(), L'\xFEFF');
  return ReplaceFileWith(file, std::string_view(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)));
}

// Writes keys through the profile functions and flushes their cache at the end.
// Not every system reports a file it can't write (Wine writes a read-only file's
// keys into its cache, then drops them unsaid): the file is tried first. With
// `unicode` the file is made Unicode before the first key goes in.
class TProfileWriter {
 public:
  TProfileWriter(const std::wstring& file, bool unicode) : File_(file) {
    const DWORD attributes = GetFileAttributesW(File_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
      Fail();
    {
      UniqueFile probe(CreateFileW(File_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!probe) Fail();
    }
    if (unicode && !MakeProfileUnicode(File_)) Fail();
  }
  ~TProfileWriter() { WritePrivateProfileStringW(nullptr, nullptr, nullptr, File_.c_str()); }
  TProfileWriter(const TProfileWriter&) = delete;
  TProfileWriter& operator=(const TProfileWriter&) = delete;

  void Write(const wchar_t* key, const std::wstring& value) {
    if (!WritePrivateProfileStringW(kSection, key, value.c_str(), File_.c_str())) Fail();
  }

 private:
  [[noreturn]] void Fail() { throw std::runtime_error(std::string("Unable to write to ").append(Narrow(File_))); }
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

TSettings ReadSettingsFile() {
  TSettings settings;
  const std::wstring& file = SettingsFile();
  TSettings defaults;
  const std::int32_t dpi = ReadInteger(L"PixelsPerInch", defaults.PixelsPerInch, file);
  settings.PixelsPerInch = dpi >= 24 && dpi <= 2400 ? static_cast<std::uint16_t>(dpi) : defaults.PixelsPerInch;
  for (std::int16_t* v :
       {&defaults.MainLeft, &defaults.MainTop, &defaults.MainWidth, &defaults.MainHeight, &defaults.HitPaneHeight})
    *v = static_cast<std::int16_t>(Scale(*v, settings.PixelsPerInch));
  settings.MainWindowState = static_cast<std::uint8_t>(ReadInteger(L"MainWindowState", defaults.MainWindowState, file));
  settings.MainLeft = static_cast<std::int16_t>(ReadInteger(L"MainLeft", defaults.MainLeft, file));
  settings.MainTop = static_cast<std::int16_t>(ReadInteger(L"MainTop", defaults.MainTop, file));
  settings.MainWidth = static_cast<std::int16_t>(ReadInteger(L"MainWidth", defaults.MainWidth, file));
  settings.MainHeight = static_cast<std::int16_t>(ReadInteger(L"MainHeight", defaults.MainHeight, file));
  settings.MaxListItems = static_cast<std::uint8_t>(ReadInteger(L"MaxListItems", defaults.MaxListItems, file));
  settings.MaskList = ReadCommaTextValue(L"MaskList", file);
  settings.WordList = ReadCommaTextValue(L"WordList", file);
  settings.SkipList = ReadCommaTextValue(L"SkipList", file);
  settings.ColumnSizes = ReadCommaTextValue(L"ColumnSizes", file);
  settings.SearchInside = ReadInteger(L"SearchInside", defaults.SearchInside ? 1 : 0, file) != 0;
  settings.HitPaneShown = ReadInteger(L"HitPaneShown", defaults.HitPaneShown ? 1 : 0, file) != 0;
  settings.HitPaneHeight = static_cast<std::int16_t>(ReadInteger(L"HitPaneHeight", defaults.HitPaneHeight, file));
  return settings;
}

void LoadSettings() { Settings = ReadSettingsFile(); }

// The file stays ANSI while the code page holds every value; otherwise it is
// made Unicode, so that nothing typed is changed on the way.
void SaveSettings() {
  const std::pair<const wchar_t*, std::wstring> values[] = {
      {L"MainWindowState", std::to_wstring(Settings.MainWindowState)},
      {L"MainLeft", std::to_wstring(Settings.MainLeft)},
      {L"MainTop", std::to_wstring(Settings.MainTop)},
      {L"MainWidth", std::to_wstring(Settings.MainWidth)},
      {L"MainHeight", std::to_wstring(Settings.MainHeight)},
      {L"MaxListItems", std::to_wstring(Settings.MaxListItems)},
      {L"MaskList", Widen(Settings.MaskList)},
      {L"WordList", Widen(Settings.WordList)},
      {L"SkipList", Widen(Settings.SkipList)},
      {L"ColumnSizes", Widen(Settings.ColumnSizes)},
      {L"SearchInside", Settings.SearchInside ? L"1" : L"0"},
      {L"HitPaneShown", Settings.HitPaneShown ? L"1" : L"0"},
      {L"HitPaneHeight", std::to_wstring(Settings.HitPaneHeight)},
      {L"PixelsPerInch", std::to_wstring(Settings.PixelsPerInch)},
  };
  bool unicode = false;
  for (const auto& [key, value] : values) unicode = unicode || !FitsAnsiCodePage(value);
  TProfileWriter ini(SettingsFile(), unicode);
  for (const auto& [key, value] : values) ini.Write(key, value);
}

}  // namespace sorvik
