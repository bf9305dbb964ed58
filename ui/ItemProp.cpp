#include "ItemProp.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "LongPath.h"
#include "MessageText.h"
#include "SystemError.h"
#include "WaitCursor.h"
#include "Win32Handles.h"
#include "WinText.h"
#include "Window.h"
#include "WindowBinding.h"

namespace sorvik {

namespace {

constexpr wchar_t kCallbackClass[] = L"ItemPropMenuCallbackHelper";
constexpr wchar_t kCallbackWindow[] = L"ItemPropCallbackProcessor";
constexpr UINT kFirstCommand = 1;
constexpr UINT kLastCommand = 0x7FFF;

// The handler of the menu being shown, bound to its callback window (no
// reference of its own: the caller holds it while the window lives), and which
// richer forms it answered for.
struct TMenuHandler {
  IContextMenu* Menu = nullptr;
  bool Menu2 = false;
  bool Menu3 = false;
};
std::string Hint;

bool InvokeShellVerb(const std::string& path, HWND owner, const char* verb);

std::wstring CommandString(IContextMenu* menu, UINT offset, UINT type) {
  wchar_t buffer[MAX_PATH] = {};
  if (FAILED(menu->GetCommandString(offset, type, nullptr, reinterpret_cast<char*>(buffer), MAX_PATH))) return {};
  buffer[MAX_PATH - 1] = L'\0';
  return buffer;
}

// Forwards a menu message to the handler, in its richest form.
LRESULT ForwardMenuMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  const auto* handler = BoundObject<TMenuHandler>(hwnd);
  LRESULT result = 0;
  if (!handler || !handler->Menu) return 0;  // can't happen: WM_CREATE binds it before any menu message
  if (handler->Menu3)
    static_cast<IContextMenu3*>(handler->Menu)->HandleMenuMsg2(msg, wp, lp, &result);
  else if (handler->Menu2)
    static_cast<IContextMenu2*>(handler->Menu)->HandleMenuMsg(msg, wp, lp);
  return result;
}

LRESULT CALLBACK CallbackProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return GuardMessage(hwnd, msg, LRESULT{0}, [&]() -> LRESULT {
    switch (msg) {
      case WM_CREATE:
        BindObject(hwnd, static_cast<TMenuHandler*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
        return DefWindowProcW(hwnd, msg, wp, lp);
      case WM_NCDESTROY:
        UnbindObject(hwnd);
        return DefWindowProcW(hwnd, msg, wp, lp);
      case WM_INITMENUPOPUP:
        ForwardMenuMessage(hwnd, msg, wp, lp);
        return 0;
      case WM_DRAWITEM:
      case WM_MEASUREITEM:
        ForwardMenuMessage(hwnd, msg, wp, lp);
        return TRUE;
      case WM_MENUCHAR:
        // Keyboard access to owner-drawn entries: only the richest form answers.
        if (const auto* handler = BoundObject<TMenuHandler>(hwnd); handler && handler->Menu3)
          return ForwardMenuMessage(hwnd, msg, wp, lp);
        return DefWindowProcW(hwnd, msg, wp, lp);
      case WM_MENUSELECT: {
        if (HIWORD(wp) == 0xFFFF && lp == 0) {
          Hint.clear();
        } else if (LOWORD(wp) >= kFirstCommand) {
          if (const auto* handler = BoundObject<TMenuHandler>(hwnd); handler && handler->Menu) {
            const UINT offset = LOWORD(wp) - kFirstCommand;
            Hint = Narrow(CommandString(handler->Menu, offset, GCS_VERBW)) + "|" +
                   Narrow(CommandString(handler->Menu, offset, GCS_HELPTEXTW));
          }
        }
        return 0;
      }
      default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
  });
}

// A hidden window that receives the menu's messages, owned by the menu's owner
// (so that an error in it is reported by that window). Throws when it can't be
// made: without it the shell's entries can't draw or run.
HWND CreateCallbackWindow(TMenuHandler* handler, HWND owner) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_PARENTDC;
  wc.lpfnWndProc = CallbackProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kCallbackClass;
  RegisterWindowClass(wc);
  const HWND window = CreateWindowExW(0, kCallbackClass, kCallbackWindow, WS_POPUPWINDOW, 0, 0, 0, 0, owner, nullptr,
                                      GetModuleHandleW(nullptr), handler);
  if (!window) ThrowSystemError("Can't create the context menu's window", GetLastError());
  return window;
}

// Shows the menu of one item of a folder and invokes the pick.
bool RunMenu(IShellFolder* folder, PCUITEMID_CHILD item, HWND owner, POINT point, bool& setAside) {
  ComPtr<IContextMenu> menu;
  if (FAILED(folder->GetUIObjectOf(owner, 1, &item, IID_IContextMenu, nullptr, menu.put_void()))) return false;
  ComPtr<IContextMenu2> menu2;
  ComPtr<IContextMenu3> menu3;
  TMenuHandler handler{menu.get()};
  if (SUCCEEDED(menu->QueryInterface(IID_IContextMenu2, menu2.put_void()))) {
    handler = {menu2.get(), true, false};
    if (SUCCEEDED(menu2->QueryInterface(IID_IContextMenu3, menu3.put_void()))) handler = {menu3.get(), true, true};
  }
  IContextMenu* const used = handler.Menu;
  UniqueMenu popup(CreatePopupMenu());
  if (!popup) return false;
  if (FAILED(used->QueryContextMenu(popup.get(), 0, kFirstCommand, kLastCommand, CMF_EXPLORE | CMF_CANRENAME)))
    return false;
  UniqueWindow callback(CreateCallbackWindow(&handler, owner));
  const UINT picked = static_cast<UINT>(TrackPopupMenuEx(popup.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x,
                                                         point.y, callback.get(), nullptr));
  if (picked == 0) return true;
  const UINT offset = picked - kFirstCommand;
  if (IsSetAsideCommand(used, offset)) {
    setAside = true;
    return true;
  }
  CMINVOKECOMMANDINFO info{};
  info.cbSize = sizeof info;
  info.hwnd = owner;
  info.lpVerb = MAKEINTRESOURCEA(offset);
  info.nShow = SW_SHOWNORMAL;
  return SUCCEEDED(used->InvokeCommand(&info));
}

}  // namespace

bool IsSetAsideCommand(IContextMenu* menu, UINT offset) {
  std::wstring verb = CommandString(menu, offset, GCS_VERBW);
  if (verb.empty()) {
    // Handlers that only answer in ANSI.
    char buffer[MAX_PATH] = {};
    if (SUCCEEDED(menu->GetCommandString(offset, GCS_VERBA, nullptr, buffer, MAX_PATH))) {
      buffer[MAX_PATH - 1] = '\0';
      for (const char* p = buffer; *p; ++p) verb += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    }
  }
  return CompareStringOrdinal(verb.c_str(), -1, L"rename", -1, TRUE) == CSTR_EQUAL;
}

const std::string& ApplicationHint() { return Hint; }

namespace {

// The longest path the shell's parsing takes whole.
constexpr std::size_t kShellPathLimit = MAX_PATH - 12;

// The name of an item in its folder as the folder's parsing takes it.
std::wstring InFolderName(IShellFolder* folder, PCUITEMID_CHILD item) {
  STRRET name{};
  if (FAILED(folder->GetDisplayNameOf(item, SHGDN_INFOLDER | SHGDN_FORPARSING, &name))) return {};
  wchar_t* text = nullptr;
  if (FAILED(StrRetToStrW(&name, item, &text))) return {};
  const UniqueCoTaskMem owned(text);
  return text;
}

// The item of a folder named exactly `name`: parsed where the system's rules
// leave the name as it is and the parse gives that very name, else found among
// the folder's items. Empty when there is none.
UniqueCoTaskMem ChildNamed(IShellFolder* folder, std::wstring name, HWND owner) {
  if (!RulesChangeName(Narrow(name))) {
    PIDLIST_RELATIVE child = nullptr;
    if (SUCCEEDED(folder->ParseDisplayName(owner, nullptr, name.data(), nullptr, &child, nullptr))) {
      UniqueCoTaskMem id(child);
      if (InFolderName(folder, static_cast<PCUITEMID_CHILD>(child)) == name) return id;
    }
  }
  ComPtr<IEnumIDList> items;
  if (folder->EnumObjects(owner, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, items.put()) != S_OK ||
      !items)
    return UniqueCoTaskMem();
  for (PITEMID_CHILD item = nullptr; items->Next(1, &item, nullptr) == S_OK; item = nullptr) {
    UniqueCoTaskMem id(item);
    if (InFolderName(folder, item) == name) return id;
  }
  return UniqueCoTaskMem();
}

}  // namespace

UniqueCoTaskMem ShellItemIdList(const std::string& path, HWND owner) {
  const std::string plain = PlainPath(LongForm(path));
  // A folder lists its items through its path as text: inside one whose name
  // the rules change they would be another folder's.
  const std::size_t parent = std::string_view(plain).substr(0, plain.size() - plain.ends_with('\\')).rfind('\\');
  if (parent != std::string::npos && ShellRoute(plain.substr(0, parent + 1)) == TShellRoute::None)
    return UniqueCoTaskMem();
  // The longest leading folder the shell parses whole: short, and no part its rules would change.
  std::size_t cut = plain.size();
  while (cut >= kShellPathLimit || NeedsSystemForm(plain.substr(0, cut))) {
    cut = plain.find_last_of('\\', cut - 1);
    if (cut == std::string::npos || cut < 2) return UniqueCoTaskMem();
    if (cut == 2) {
      ++cut;  // "C:\" keeps its delimiter
      break;
    }
  }
  const std::wstring head = Widen(plain.substr(0, cut));
  PIDLIST_ABSOLUTE first = nullptr;
  if (FAILED(SHParseDisplayName(head.c_str(), nullptr, &first, 0, nullptr))) return UniqueCoTaskMem();
  UniqueCoTaskMem id(first);
  ComPtr<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(desktop.put()))) return UniqueCoTaskMem();
  // Each further part found in its folder.
  for (std::size_t i = cut + 1; i < plain.size();) {
    std::size_t end = plain.find('\\', i);
    if (end == std::string::npos) end = plain.size();
    const std::string part = plain.substr(i, end - i);
    i = end + 1;
    if (part.empty()) continue;
    ComPtr<IShellFolder> folder;
    if (FAILED(desktop->BindToObject(static_cast<PCUIDLIST_RELATIVE>(id.get()), nullptr, IID_IShellFolder,
                                     folder.put_void())))
      return UniqueCoTaskMem();
    const UniqueCoTaskMem child = ChildNamed(folder.get(), Widen(part), owner);
    if (!child) return UniqueCoTaskMem();
    PIDLIST_ABSOLUTE combined =
        ILCombine(static_cast<PCIDLIST_ABSOLUTE>(id.get()), static_cast<PCUIDLIST_RELATIVE>(child.get()));
    if (!combined) return UniqueCoTaskMem();
    id.reset(combined);
  }
  return id;
}

void SayShellCantReach(HWND owner, const std::string& path) {
  ShowMessage(owner, "Windows can't carry this out on this path:\n" + path, MB_OK | MB_ICONINFORMATION);
}

namespace {

// A step's answer from a shell function's HRESULT: its Win32 error where it carries one.
TShellAnswer AnswerOf(HRESULT hr) {
  if (SUCCEEDED(hr)) return {};
  const auto code = static_cast<std::uint32_t>(HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : hr);
  return {TShellAnswer::Failed, code};
}

}  // namespace

TShellAnswer TShellSteps::Execute(const TShellCall& call) {
  const std::wstring operation = Widen(call.Operation), file = Widen(call.File), parameters = Widen(call.Parameters),
                     directory = Widen(call.Directory);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // The shell says nothing of its own: what fails comes back to be said here.
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.hwnd = Owner_;
  info.lpVerb = operation.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.nShow = call.ShowCommand;
  const TShellRoute route = ShellRoute(call.File);
  UniqueCoTaskMem id;
  if (route == TShellRoute::Text && ShellRoute(call.Directory) == TShellRoute::Text) {
    info.lpFile = file.c_str();
    info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
  } else {
    // The shell takes no such path as text: the item's identifier list
    // instead, and no working folder.
    if (route == TShellRoute::Item) id = ShellItemIdList(call.File, Owner_);
    if (!id) return {TShellAnswer::Unreachable};
    info.fMask |= SEE_MASK_IDLIST;
    info.lpIDList = id.get();
  }
  SetLastError(ERROR_SUCCESS);
  if (ShellExecuteExW(&info)) return {};
  const DWORD lastError = GetLastError();
  return {TShellAnswer::Failed, ShellExecuteError(reinterpret_cast<std::uintptr_t>(info.hInstApp), lastError)};
}

TShellAnswer TShellSteps::OpenWithDialog(const std::string& path) {
  const std::wstring file = Widen(path);
  OPENASINFO info{};
  info.pcszFile = file.c_str();
  // The program chosen opens the file, and may become the one for its type.
  info.oaifInFlags = OAIF_ALLOW_REGISTRATION | OAIF_REGISTER_EXT | OAIF_EXEC;
  return AnswerOf(SHOpenWithDialog(Owner_, &info));
}

TShellAnswer TShellSteps::ShowSelected(const std::string& path) {
  // One item, named by its full identifier list: its folder opens with it selected.
  UniqueCoTaskMem id;
  if (ShellRoute(path) == TShellRoute::Text) {
    PIDLIST_ABSOLUTE parsed = nullptr;
    if (SUCCEEDED(SHParseDisplayName(Widen(path).c_str(), nullptr, &parsed, 0, nullptr))) id.reset(parsed);
  } else {
    id = ShellItemIdList(path, Owner_);
  }
  if (!id) return {TShellAnswer::Unreachable};
  return AnswerOf(SHOpenFolderAndSelectItems(static_cast<PCIDLIST_ABSOLUTE>(id.get()), 0, nullptr, 0));
}

void TShellSteps::SayCantReach(const std::string& path) { SayShellCantReach(Owner_, path); }

void TShellSteps::SayRefused(const TShellCall& call, std::uint32_t error) {
  ShowMessage(Owner_, RefusalHeadline(call.Act) + "\n" + call.File + "\n\n" + SystemErrorText(error),
              MB_OK | MB_ICONWARNING);
}

void RunShellCall(HWND owner, const TShellCall& call) {
  TShellSteps steps(owner);
  CarryOut(call, steps);
}

bool ShowFileProperties(HWND owner, const std::string& path) {
  const std::wstring file = Widen(path);
  // A path the shell takes only as its item goes by its identifier list.
  const TShellRoute route = ShellRoute(path);
  const bool byItem = route != TShellRoute::Text;
  const UniqueCoTaskMem id = route == TShellRoute::Item ? ShellItemIdList(path, owner) : UniqueCoTaskMem();
  if (byItem && !id) return false;
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_INVOKEIDLIST | SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.hwnd = owner;
  info.lpVerb = L"properties";
  info.lpFile = byItem ? nullptr : file.c_str();
  info.lpIDList = id.get();
  info.nShow = SW_HIDE;
  const bool accepted = ShellExecuteExW(&info) != FALSE;
  // Asked for, so it must be closed: a process handle the sheet may hand back.
  UniqueKernelHandle process(info.hProcess);
  // Shells that don't take the request this way (Wine's) still show the sheet
  // through the file's context menu.
  return accepted || InvokeShellVerb(path, owner, "properties");
}

namespace {

// Resolves the file through the shell's namespace and runs `use` with its folder
// and item: the item in its own folder, or else the whole path parsed in the
// desktop's first folder. False when the file can't be resolved.
template <typename Use>
bool WithShellItem(const std::string& path, HWND owner, Use use) {
  if (const TShellRoute route = ShellRoute(path); route != TShellRoute::Text) {
    // Part by part, and the item in its parent folder.
    const UniqueCoTaskMem id = route == TShellRoute::Item ? ShellItemIdList(path, owner) : UniqueCoTaskMem();
    if (!id) return false;
    ComPtr<IShellFolder> parent;
    PCUITEMID_CHILD child = nullptr;
    if (FAILED(SHBindToParent(static_cast<PCIDLIST_ABSOLUTE>(id.get()), IID_IShellFolder, parent.put_void(), &child)))
      return false;
    return use(parent.get(), child);
  }
  const std::size_t cut = path.find_last_of('\\');
  std::wstring folderPart = Widen(cut == std::string::npos ? std::string() : path.substr(0, cut + 1));
  std::wstring namePart = Widen(cut == std::string::npos ? path : path.substr(cut + 1));
  std::wstring whole = Widen(path);

  ComPtr<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(desktop.put()))) return false;
  PIDLIST_RELATIVE folderPidl = nullptr;
  if (FAILED(desktop->ParseDisplayName(owner, nullptr, folderPart.data(), nullptr, &folderPidl, nullptr)))
    return false;
  UniqueCoTaskMem folderId(folderPidl);
  ComPtr<IShellFolder> folder;
  if (FAILED(desktop->BindToObject(folderPidl, nullptr, IID_IShellFolder, folder.put_void()))) return false;

  PIDLIST_RELATIVE itemPidl = nullptr;
  if (SUCCEEDED(folder->ParseDisplayName(owner, nullptr, namePart.data(), nullptr, &itemPidl, nullptr))) {
    UniqueCoTaskMem itemId(itemPidl);
    return use(folder.get(), static_cast<PCUITEMID_CHILD>(itemPidl));
  }
  ComPtr<IEnumIDList> items;
  if (desktop->EnumObjects(owner, SHCONTF_FOLDERS, items.put()) != S_OK || !items) return false;
  PITEMID_CHILD firstPidl = nullptr;
  if (items->Next(1, &firstPidl, nullptr) != S_OK) return false;
  UniqueCoTaskMem firstId(firstPidl);
  ComPtr<IShellFolder> first;
  if (FAILED(desktop->BindToObject(firstPidl, nullptr, IID_IShellFolder, first.put_void()))) return false;
  if (FAILED(first->ParseDisplayName(owner, nullptr, whole.data(), nullptr, &itemPidl, nullptr))) return false;
  UniqueCoTaskMem itemId(itemPidl);
  return use(first.get(), static_cast<PCUITEMID_CHILD>(itemPidl));
}

// Carries out one verb of the file's context menu without showing the menu.
bool InvokeShellVerb(const std::string& path, HWND owner, const char* verb) {
  return WithShellItem(path, owner, [&](IShellFolder* folder, PCUITEMID_CHILD item) {
    ComPtr<IContextMenu> menu;
    if (FAILED(folder->GetUIObjectOf(owner, 1, &item, IID_IContextMenu, nullptr, menu.put_void()))) return false;
    UniqueMenu popup(CreatePopupMenu());
    if (!popup || FAILED(menu->QueryContextMenu(popup.get(), 0, kFirstCommand, kLastCommand, CMF_NORMAL)))
      return false;
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.hwnd = owner;
    info.lpVerb = verb;
    info.nShow = SW_SHOWNORMAL;
    return SUCCEEDED(menu->InvokeCommand(&info));
  });
}

}  // namespace

bool ShowShellContextMenu(const std::string& path, HWND owner, POINT point, bool& setAside) {
  setAside = false;
  TWaitCursor wait;
  return WithShellItem(path, owner, [&](IShellFolder* folder, PCUITEMID_CHILD item) {
    return RunMenu(folder, item, owner, point, setAside);
  });
}

}  // namespace sorvik
