#include "Win32Shares.h"

#include <windows.h>

#include <cstring>

namespace sorvik {

bool IsRemoteFolder(const std::string& folder) {
  std::string full = folder;
  if (full.rfind("\\\\.\\", 0) == 0 || full.rfind("\\\\?\\", 0) == 0) {
    full.erase(0, 4);  // a device or literal path: "UNC\server\share\..." or "C:\..." after the prefix
    if (_strnicmp(full.c_str(), "UNC\\", 4) == 0) return true;
  } else if (full.rfind("\\\\", 0) == 0) {
    return true;
  }
  if (full.size() < 2 || full[1] != ':') return false;  // a volume named by its GUID is local
  const wchar_t root[] = {static_cast<wchar_t>(static_cast<unsigned char>(full[0])), L':', L'\\', L'\0'};
  return GetDriveTypeW(root) == DRIVE_REMOTE;
}

}  // namespace sorvik
