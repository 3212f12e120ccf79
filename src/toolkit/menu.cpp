#include "toolkit/menu.h"

#include <algorithm>

TMenuItem::TMenuItem(TPopupMenu* menu, const std::string& caption)
    : TComponent(menu), caption_(caption) {
  menu->items_.push_back(this);
}

void TMenuItem::Click() {
  if (enabled_ && OnClick) OnClick(this);
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove)
    items_.erase(std::remove(items_.begin(), items_.end(), component), items_.end());
}

void TPopupMenu::Popup(int x, int y, HWND owner) {
  UniqueMenu menu(CreatePopupMenu());
  if (!menu) return;
  for (size_t i = 0; i < items_.size(); ++i) {
    TMenuItem* item = items_[i];
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    if (item->IsSeparator()) {
      info.fMask = MIIM_FTYPE;
      info.fType = MFT_SEPARATOR;
    } else {
      info.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE | (item->Bitmap() ? MIIM_BITMAP : 0);
      info.wID = static_cast<UINT>(i + 1);
      info.dwTypeData = const_cast<char*>(item->Caption().c_str());
      info.fState = (item->Checked() ? MFS_CHECKED : 0) | (item->Default() ? MFS_DEFAULT : 0) |
                    (item->Enabled() ? 0 : MFS_DISABLED);
      info.hbmpItem = item->Bitmap();
    }
    InsertMenuItemA(menu.get(), static_cast<UINT>(i), TRUE, &info);
  }
  UINT chosen = static_cast<UINT>(TrackPopupMenu(
      menu.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0, owner,
      nullptr));
  PostMessageA(owner, WM_NULL, 0, 0);
  if (chosen >= 1 && chosen <= items_.size()) items_[chosen - 1]->Click();
}
