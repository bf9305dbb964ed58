#include "ExplorerEntry.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "ExplorerCommand.h"
#include "SystemError.h"
#include "Win32Handles.h"
#include "WinText.h"

namespace sorvik {

namespace {

constexpr wchar_t kClasses[] = L"Software\\Classes";
constexpr const wchar_t* kVerbKeys[] = {L"Directory\\shell\\Sorvik", L"Directory\\Background\\shell\\Sorvik"};
// The keys above the verb keys, each before those below it.
constexpr const wchar_t* kParents[] = {L"Directory", L"Directory\\shell", L"Directory\\Background",
                                       L"Directory\\Background\\shell"};
// The value of a verb key that names the parents adding made.
constexpr wchar_t kMadeValue[] = L"SorvikMadeKeys";

UniqueRegKey OpenKey(HKEY parent, const std::wstring& path, REGSAM access) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(parent, path.c_str(), 0, access, &key) != ERROR_SUCCESS) return UniqueRegKey();
  return UniqueRegKey(key);
}

UniqueRegKey UserClasses(REGSAM access) { return OpenKey(HKEY_CURRENT_USER, kClasses, access); }

// A string value of a key; empty when it isn't one.
std::wstring StringValue(HKEY key, const wchar_t* name) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ) return {};
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return {};
  text.resize(std::min<std::size_t>(size / sizeof(wchar_t), text.size()));
  // Stored with or without its terminator: the text ends at the first NUL.
  text.resize(std::min(text.size(), text.find(L'\0')));
  return text;
}

// The parents a verb key notes as made by adding, of those the entry has.
std::vector<std::wstring> MadeParents(HKEY classes, const wchar_t* verbKey) {
  std::vector<std::wstring> made;
  const UniqueRegKey key = OpenKey(classes, verbKey, KEY_QUERY_VALUE);
  DWORD type = 0, size = 0;
  if (!key || RegQueryValueExW(key.get(), kMadeValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_MULTI_SZ)
    return made;
  std::wstring list(size / sizeof(wchar_t) + 2, L'\0');
  size = static_cast<DWORD>((list.size() - 2) * sizeof(wchar_t));
  if (RegQueryValueExW(key.get(), kMadeValue, nullptr, &type, reinterpret_cast<BYTE*>(list.data()), &size) !=
      ERROR_SUCCESS)
    return made;
  for (std::size_t at = 0; at < list.size() && list[at] != L'\0';) {
    const std::size_t end = list.find(L'\0', at);
    const std::wstring name = list.substr(at, end - at);
    // Only ever one of the entry's own parents, whatever the value says.
    if (std::find(std::begin(kParents), std::end(kParents), name) != std::end(kParents)) made.push_back(name);
    at = end + 1;
  }
  return made;
}

// The parents noted as made by adding, in either verb key, each once.
std::vector<std::wstring> NotedParents(HKEY classes) {
  std::vector<std::wstring> made;
  for (const wchar_t* verb : kVerbKeys)
    for (std::wstring& parent : MadeParents(classes, verb))
      if (std::find(made.begin(), made.end(), parent) == made.end()) made.push_back(std::move(parent));
  return made;
}

void Check(LONG result, const std::string& what) {
  if (result != ERROR_SUCCESS) ThrowSystemError(what, static_cast<DWORD>(result));
}

void SetString(HKEY key, const wchar_t* name, const std::wstring& text, const std::string& what) {
  Check(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
        what);
}

UniqueRegKey CreateKey(HKEY parent, const std::wstring& path, const std::string& what) {
  HKEY key = nullptr;
  Check(RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                        nullptr, &key, nullptr),
        what);
  return UniqueRegKey(key);
}

// Whether a key holds nothing: no subkey, no value.
bool IsEmptyKey(HKEY classes, const wchar_t* path) {
  const UniqueRegKey key = OpenKey(classes, path, KEY_QUERY_VALUE);
  DWORD subkeys = 0, values = 0;
  return key && RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                 nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         subkeys == 0 && values == 0;
}

void RemoveFrom(HKEY classes) {
  const std::vector<std::wstring> made = NotedParents(classes);
  for (const wchar_t* verb : kVerbKeys) {
    const LONG result = RegDeleteTreeW(classes, verb);
    if (result != ERROR_FILE_NOT_FOUND) Check(result, "Can't remove \"Search with Sorvik\" from Explorer's menus");
  }
  // The parents adding made, those below first, where nothing else has come in since.
  for (auto parent = std::rbegin(kParents); parent != std::rend(kParents); ++parent)
    if (std::find(made.begin(), made.end(), *parent) != made.end() && IsEmptyKey(classes, *parent))
      RegDeleteKeyW(classes, *parent);
}

}  // namespace

bool HasExplorerEntry(const std::string& program) {
  const UniqueRegKey classes = UserClasses(KEY_READ);
  if (!classes) return false;
  const std::wstring command = Widen(ExplorerEntryCommand(program));
  for (const wchar_t* verb : kVerbKeys) {
    const UniqueRegKey key = OpenKey(classes.get(), std::wstring(verb) + L"\\command", KEY_QUERY_VALUE);
    if (!key || StringValue(key.get(), nullptr) != command) return false;
  }
  return true;
}

void AddExplorerEntry(const std::string& program) {
  const std::string what = "Can't add \"Search with Sorvik\" to Explorer's menus";
  if (program.empty()) throw std::runtime_error(what + ": the program's own path can't be had");
  if (!FitsExplorerCommand(program))
    throw std::runtime_error(what + ": Explorer would read the \"%\" in the program's path as a placeholder: " +
                             program);
  HKEY created = nullptr;
  Check(RegCreateKeyExW(HKEY_CURRENT_USER, kClasses, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &created, nullptr),
        what);
  const UniqueRegKey classes(created);
  // What an earlier adding made stays noted; what this one makes is added.
  std::vector<std::wstring> made = NotedParents(classes.get());
  for (const wchar_t* parent : kParents)
    if (!OpenKey(classes.get(), parent, KEY_QUERY_VALUE) && std::find(made.begin(), made.end(), parent) == made.end())
      made.emplace_back(parent);
  std::wstring madeList;
  for (const std::wstring& parent : made) madeList += parent + L'\0';
  madeList += L'\0';
  try {
    for (const wchar_t* verb : kVerbKeys) {
      const UniqueRegKey key = CreateKey(classes.get(), verb, what);
      SetString(key.get(), nullptr, Widen(kExplorerEntryText), what);
      SetString(key.get(), L"Icon", Widen(program) + L",0", what);
      Check(RegSetValueExW(key.get(), kMadeValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(madeList.data()),
                           static_cast<DWORD>(madeList.size() * sizeof(wchar_t))),
            what);
      const UniqueRegKey command = CreateKey(key.get(), L"command", what);
      SetString(command.get(), nullptr, Widen(ExplorerEntryCommand(program)), what);
    }
  } catch (...) {
    // Half an entry is none: what was made goes again, as far as it can; the
    // error said is the one that stopped the adding.
    try {
      RemoveFrom(classes.get());
    } catch (const std::exception&) {
    }
    throw;
  }
}

void RemoveExplorerEntry() {
  const UniqueRegKey classes = UserClasses(KEY_ALL_ACCESS);
  if (classes) RemoveFrom(classes.get());
}

std::string ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return Narrow(path);
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace sorvik
