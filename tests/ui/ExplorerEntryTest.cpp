// The "Search with Sorvik" entry on Explorer's menus: what adding writes to the
// user's registry, its command run as Explorer runs it on folders with odd
// names, what removing leaves, and the File menu item that switches it.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "ExplorerEntry.h"
#include "TestFolder.h"
#include "Win32Handles.h"
#include "WinText.h"
#include "formMain.h"

namespace sorvik {
namespace {

const std::wstring kClasses = L"Software\\Classes\\";
const std::vector<std::wstring> kVerbKeys = {L"Directory\\shell\\Sorvik", L"Directory\\Background\\shell\\Sorvik"};
const std::vector<std::wstring> kAbove = {L"Directory", L"Directory\\shell", L"Directory\\Background",
                                          L"Directory\\Background\\shell"};

bool KeyExists(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, (kClasses + path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::map<std::wstring, bool> KeysAbove() {
  std::map<std::wstring, bool> exist;
  for (const std::wstring& key : kAbove) exist[key] = KeyExists(key);
  return exist;
}

// A string value under the user's classes, as the registry gives it; "(none)" when there is none.
std::string ReadString(const std::wstring& path, const wchar_t* name) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, (kClasses + path).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
    return "(none)";
  const UniqueRegKey key(opened);
  wchar_t text[2048] = {};
  DWORD type = 0, size = sizeof text - sizeof(wchar_t);
  if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return "(none)";
  return Narrow(text);
}

// Every value of a key under the user's classes and of its subkeys: path, name, type and bytes.
std::vector<std::string> Contents(const std::wstring& path) {
  std::vector<std::string> seen;
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, (kClasses + path).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return seen;
  const UniqueRegKey key(opened);
  for (DWORD i = 0;; ++i) {
    wchar_t name[256] = {};
    BYTE data[4096] = {};
    DWORD nameSize = 256, type = 0, size = sizeof data;
    if (RegEnumValueW(key.get(), i, name, &nameSize, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
    seen.push_back(Narrow(path) + "|" + Narrow(name) + "|" + std::to_string(type) + "|" +
                   std::string(reinterpret_cast<const char*>(data), size));
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256] = {};
    DWORD nameSize = 256;
    if (RegEnumKeyExW(key.get(), i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    for (std::string& below : Contents(path + L"\\" + name)) seen.push_back(std::move(below));
  }
  return seen;
}

// Starts a command line as Explorer does (CreateProcess) and returns the
// "name=value" lines the program writes to its standard output.
std::map<std::string, std::string> RunAndRead(const std::string& commandLine) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return {{"error", "no pipe"}};
  const UniqueKernelHandle reader(readEnd);
  UniqueKernelHandle writer(writeEnd);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION started{};
  std::wstring line = Widen(commandLine);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &started))
    return {{"error", "not started: " + std::to_string(GetLastError())}};
  const UniqueKernelHandle process(started.hProcess), thread(started.hThread);
  writer.reset();  // the program's end closes the pipe
  std::string out;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
  WaitForSingleObject(process.get(), 30000);
  std::map<std::string, std::string> values;
  for (std::size_t at = 0; at < out.size();) {
    std::size_t end = out.find('\n', at);
    if (end == std::string::npos) end = out.size();
    const std::string entry = out.substr(at, end - at);
    const std::size_t equals = entry.find('=');
    if (equals != std::string::npos) values[entry.substr(0, equals)] = entry.substr(equals + 1);
    at = end + 1;
  }
  return values;
}

// What Explorer runs for a folder: the command with each %V replaced by the
// folder's path, in one pass.
std::string AsExplorerRuns(const std::string& command, const std::string& folder) {
  std::string run;
  for (std::size_t i = 0; i < command.size(); ++i) {
    if (command[i] == '%' && i + 1 < command.size() && (command[i + 1] == 'V' || command[i + 1] == 'v')) {
      run += folder;
      ++i;
    } else {
      run += command[i];
    }
  }
  return run;
}

// Folders made, and removed, through the literal form, which takes every name
// as it is (a trailing blank, any length).
class TLiteralFolders {
 public:
  ~TLiteralFolders() {
    for (auto it = Made_.rbegin(); it != Made_.rend(); ++it) RemoveDirectoryW(it->c_str());
  }
  // Makes the folder at a full path and those above it; false when it can't.
  bool Make(const std::string& path) {
    const std::wstring literal = L"\\\\?\\" + Widen(path);
    for (std::size_t at = 7; at <= literal.size(); ++at) {
      if (at < literal.size() && literal[at] != L'\\') continue;
      const std::wstring part = literal.substr(0, at);
      if (CreateDirectoryW(part.c_str(), nullptr))
        Made_.push_back(part);
      else if (GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    }
    const DWORD attributes = GetFileAttributesW(literal.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

 private:
  std::vector<std::wstring> Made_;
};

class ExplorerEntry : public testing::Test {
 protected:
  void SetUp() override {
    RemoveExplorerEntry();  // whatever an earlier run left
    Before = KeysAbove();
  }
  void TearDown() override { RemoveExplorerEntry(); }
  std::map<std::wstring, bool> Before;
};

// Adding writes the entry, on the folders' menu and on a folder's background,
// for this user; its command, read back from the registry and run as Explorer
// runs it, starts the program with the folder whole: with "%" and what looks
// like a placeholder in its name, a trailing blank, 300 characters. Removing
// leaves the keys above it as they were before.
TEST_F(ExplorerEntry, ItsCommandStartsTheProgramOnEveryFolderAndGoesWhole) {
  const std::string probe = SORVIK_COMMAND_PROBE;
  test::TTestFolder dir;
  std::string long300 = dir.Root() + "\\";
  while (long300.size() < 260) long300 += std::string(40, 'l') + "\\";
  long300 += std::string(298 - long300.size(), 'e') + " e";
  ASSERT_EQ(long300.size(), 300u);
  const std::vector<std::string> folders = {dir.Root() + "\\100% %V %1 %PATH% sure", dir.Root() + "\\trail ",
                                            dir.Root() + "\\a b & c (d) ^e,f;g=h", long300};
  TLiteralFolders made;
  for (const std::string& folder : folders) ASSERT_TRUE(made.Make(folder)) << folder;

  EXPECT_FALSE(HasExplorerEntry(probe));
  AddExplorerEntry(probe);
  EXPECT_TRUE(HasExplorerEntry(probe));
  EXPECT_FALSE(HasExplorerEntry("Z:\\elsewhere\\sorvik.exe"));
  for (const std::wstring& verb : kVerbKeys) {
    EXPECT_EQ(ReadString(verb, nullptr), "Search with Sorvik");
    const std::string command = ReadString(verb + L"\\command", nullptr);
    EXPECT_EQ(command, "\"" + probe + "\" \"--dir=%V\\\"");
    for (const std::string& folder : folders) {
      const std::map<std::string, std::string> read = RunAndRead(AsExplorerRuns(command, folder));
      ASSERT_EQ(read.count("error"), 0u) << read.at("error");
      EXPECT_EQ(read.count("Folder") ? read.at("Folder") : "(none)", folder + "\\");
      EXPECT_EQ(read.count("Start") ? read.at("Start") : "(none)", folder) << "where a search starts";
      EXPECT_EQ(read.count("HasValues") ? read.at("HasValues") : "(none)", "1") << folder;
      EXPECT_EQ(read.count("RunAtOnce") ? read.at("RunAtOnce") : "(none)", "0") << folder;
    }
  }
  RemoveExplorerEntry();
  EXPECT_FALSE(HasExplorerEntry(probe));
  for (const std::wstring& verb : kVerbKeys) EXPECT_FALSE(KeyExists(verb)) << Narrow(verb);
  EXPECT_EQ(KeysAbove(), Before);
}

// Keys the entry didn't make stay, with what they hold; those it made go. An
// entry of another copy of the program is taken over, and what the first
// adding made is still known when it goes.
TEST_F(ExplorerEntry, RemovingTakesOnlyWhatAddingMade) {
  const std::string probe = SORVIK_COMMAND_PROBE;
  // Another program's verb on the folders' menu, which the test makes and removes.
  const std::wstring other = kClasses + L"Directory\\shell\\SorvikTestOther\\command";
  HKEY created = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, other.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &created, nullptr),
            ERROR_SUCCESS);
  {
    const UniqueRegKey key(created);
    const std::wstring text = L"other.exe \"%1\"";
    RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  const std::map<std::wstring, bool> withOther = KeysAbove();
  AddExplorerEntry("Z:\\old copy\\sorvik.exe");
  EXPECT_FALSE(HasExplorerEntry(probe));
  AddExplorerEntry(probe);
  EXPECT_TRUE(HasExplorerEntry(probe));
  // Adding again changes nothing.
  const std::vector<std::string> once = Contents(L"Directory");
  AddExplorerEntry(probe);
  EXPECT_EQ(Contents(L"Directory"), once);
  RemoveExplorerEntry();
  EXPECT_EQ(ReadString(L"Directory\\shell\\SorvikTestOther\\command", nullptr), "other.exe \"%1\"");
  EXPECT_EQ(KeysAbove(), withOther);
  EXPECT_FALSE(KeyExists(kVerbKeys[0]));
  EXPECT_FALSE(KeyExists(kVerbKeys[1]));
  // The test's own keys, and those above them it made.
  EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, (kClasses + L"Directory\\shell\\SorvikTestOther").c_str()),
            ERROR_SUCCESS);
  for (const std::wstring& key : {std::wstring(L"Directory\\shell"), std::wstring(L"Directory")})
    if (!Before.at(key)) RegDeleteKeyW(HKEY_CURRENT_USER, (kClasses + key).c_str());
  EXPECT_EQ(KeysAbove(), Before);
}

// A program whose path Explorer would read otherwise is refused, with the
// reason and the path; nothing is written.
TEST_F(ExplorerEntry, AProgramPathWithAPercentSignIsRefused) {
  const std::string odd = "Z:\\tools\\100%\\sorvik.exe";
  std::string said;
  try {
    AddExplorerEntry(odd);
  } catch (const std::runtime_error& e) {
    said = e.what();
  }
  EXPECT_NE(said.find("\"%\""), std::string::npos) << said;
  EXPECT_NE(said.find(odd), std::string::npos) << said;
  for (const std::wstring& verb : kVerbKeys) EXPECT_FALSE(KeyExists(verb));
  EXPECT_EQ(KeysAbove(), Before);
}

// File > Search with Sorvik in Explorer adds the entry for this program and
// checks the item; chosen again, it removes the entry. The check follows the
// registry when the menu opens.
TEST_F(ExplorerEntry, TheFileMenuItemSwitchesItAndShowsIt) {
  TCommandObject none;
  TfrmMain f(none, false);
  std::vector<std::string> errors;
  f.ErrorReporter = [&](const std::string& message) { errors.push_back(message); };
  const HMENU file = GetSubMenu(GetMenu(f.Handle()), 0);
  UINT id = 0;
  for (int i = 0; i < GetMenuItemCount(file); ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(file, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
    if (std::wstring(text) == L"Search with Sorvik in &Explorer") id = GetMenuItemID(file, i);
  }
  ASSERT_NE(id, 0u);
  const auto checked = [&] { return (GetMenuState(file, id, MF_BYCOMMAND) & MF_CHECKED) != 0; };
  const std::string program = ProgramPath();
  EXPECT_FALSE(checked());
  SendMessageW(f.Handle(), WM_COMMAND, id, 0);
  EXPECT_TRUE(HasExplorerEntry(program));
  EXPECT_TRUE(checked());
  // Removed behind the window's back: the menu shows it when it opens.
  RemoveExplorerEntry();
  SendMessageW(f.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
  EXPECT_FALSE(checked());
  SendMessageW(f.Handle(), WM_COMMAND, id, 0);
  EXPECT_TRUE(HasExplorerEntry(program));
  SendMessageW(f.Handle(), WM_COMMAND, id, 0);
  EXPECT_FALSE(HasExplorerEntry(program));
  EXPECT_FALSE(checked());
  EXPECT_TRUE(errors.empty()) << errors.front();
  EXPECT_EQ(KeysAbove(), Before);
}

}  // namespace
}  // namespace sorvik
