#include "ActionList.h"

#include <commctrl.h>

namespace sorvik {

TAction& TActionList::Add(TAction action) {
  Actions_.push_back(std::move(action));
  return Actions_.back();
}

const TAction* TActionList::Find(int id) const {
  for (const TAction& a : Actions_)
    if (a.Id == id) return &a;
  return nullptr;
}

bool TActionList::IsEnabled(int id) const {
  const TAction* a = Find(id);
  return a && (!a->Enabled || a->Enabled());
}

bool TActionList::Execute(int id) {
  if (!IsEnabled(id)) return false;
  const TAction* a = Find(id);
  if (a->Run) a->Run();
  return true;
}

void TActionList::Update(HWND toolbar, HMENU menu) {
  for (const TAction& a : Actions_) {
    const bool enabled = !a.Enabled || a.Enabled();
    if (toolbar) SendMessageW(toolbar, TB_ENABLEBUTTON, static_cast<WPARAM>(a.Id), MAKELPARAM(enabled ? 1 : 0, 0));
    if (menu) EnableMenuItem(menu, static_cast<UINT>(a.Id), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
  }
}

std::wstring ShortcutText(BYTE flags, WORD key) {
  if (key == 0) return {};
  std::wstring text;
  if (flags & FCONTROL) text += L"Ctrl+";
  if (flags & FSHIFT) text += L"Shift+";
  if (flags & FALT) text += L"Alt+";
  text += static_cast<wchar_t>(key);
  return text;
}

std::wstring TActionList::MenuText(int id) const {
  const TAction* a = Find(id);
  if (!a) return {};
  std::wstring text = a->Caption;
  if (a->Key) text += L"\t" + ShortcutText(a->KeyFlags, a->Key);
  return text;
}

HACCEL TActionList::CreateAccelerators(const std::vector<ACCEL>& extra) const {
  std::vector<ACCEL> table = extra;
  for (const TAction& a : Actions_)
    if (a.Key) table.push_back({static_cast<BYTE>(a.KeyFlags | FVIRTKEY), a.Key, static_cast<WORD>(a.Id)});
  return CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
}

void TActionList::ShowImagesIn(HMENU menu) const {
  MENUINFO style{};
  style.cbSize = sizeof style;
  style.fMask = MIM_STYLE;
  style.dwStyle = MNS_CHECKORBMP;
  SetMenuInfo(menu, &style);
  for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
    const TAction* a = Find(static_cast<int>(GetMenuItemID(menu, i)));
    if (!a || a->Image < 0) continue;
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_BITMAP;
    info.hbmpItem = HBMMENU_CALLBACK;
    SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
  }
}

bool TActionList::MeasureMenuImage(MEASUREITEMSTRUCT& item, int size) const {
  if (item.CtlType != ODT_MENU) return false;
  item.itemWidth = static_cast<UINT>(size);
  item.itemHeight = static_cast<UINT>(size);
  return true;
}

bool TActionList::DrawMenuImage(const DRAWITEMSTRUCT& item, HIMAGELIST images, int size) const {
  if (item.CtlType != ODT_MENU) return false;
  if (const TAction* a = Find(static_cast<int>(item.itemID)); a && a->Image >= 0) {
    const int y = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - size) / 2;
    ImageList_DrawEx(images, a->Image, item.hDC, item.rcItem.left, y, size, size, CLR_NONE, CLR_DEFAULT,
                     (item.itemState & ODS_GRAYED) ? ILD_BLEND50 : ILD_TRANSPARENT);
  }
  return true;
}

}  // namespace sorvik
