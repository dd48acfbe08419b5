#include "Menu.h"

#include <QAction>
#include <QCursor>
#include <QMenu>

#include "UiPrivate.h"

namespace {

PopupMenuHandler& Handler() {
  static PopupMenuHandler handler;
  return handler;
}

void Fill(QMenu& menu, const CMenu& source) {
  for (const CMenu::Item& item : source.Items()) {
    if (item.flags & MF_SEPARATOR) {
      menu.addSeparator();
    } else if (item.popup) {
      QMenu* sub = menu.addMenu(ToQ(item.text));
      Fill(*sub, *item.popup);
    } else {
      QAction* action = menu.addAction(ToQ(item.text));
      action->setData(item.id);
      action->setEnabled((item.flags & MF_GRAYED) == 0);
      if (item.flags & MF_CHECKED) {
        action->setCheckable(true);
        action->setChecked(true);
      }
    }
  }
}

// The title a tracked menu shows first (the text of its first entry).
CString FirstText(const CMenu& menu) {
  for (const CMenu::Item& item : menu.Items())
    if (!(item.flags & MF_SEPARATOR)) return item.text;
  return CString();
}

}  // namespace

CMenu::CMenu() = default;
CMenu::~CMenu() = default;

BOOL CMenu::LoadMenu(UINT resourceId) {
  const std::vector<MenuItemResource>* table = AfxFindMenu(resourceId);
  if (!table) return FALSE;
  m_items.clear();
  std::vector<CMenu*> stack{this};
  for (const MenuItemResource& r : *table) {
    if (r.flags & MF_END) {
      if (stack.size() > 1) stack.pop_back();
      continue;
    }
    Item item;
    item.flags = r.flags & ~(MF_POPUP | MF_END);
    item.id = r.id;
    item.text = r.text ? r.text : "";
    CMenu* owner = stack.back();
    if (r.flags & MF_POPUP) {
      item.popup = std::make_unique<CMenu>();
      CMenu* sub = item.popup.get();
      owner->m_items.push_back(std::move(item));
      stack.push_back(sub);
    } else {
      owner->m_items.push_back(std::move(item));
    }
  }
  return TRUE;
}

BOOL CMenu::DestroyMenu() {
  m_items.clear();
  return TRUE;
}

CMenu* CMenu::GetSubMenu(int position) const {
  if (position < 0 || position >= static_cast<int>(m_items.size())) return nullptr;
  return m_items[position].popup.get();
}

int CMenu::GetMenuItemCount() const { return static_cast<int>(m_items.size()); }

UINT CMenu::GetMenuItemID(int position) const {
  if (position < 0 || position >= static_cast<int>(m_items.size()) || m_items[position].popup)
    return static_cast<UINT>(-1);
  return (m_items[position].flags & MF_SEPARATOR) ? 0 : m_items[position].id;
}

CString CMenu::GetMenuString(int position) const {
  if (position < 0 || position >= static_cast<int>(m_items.size())) return CString();
  return m_items[position].text;
}

UINT CMenu::GetMenuState(int position) const {
  if (position < 0 || position >= static_cast<int>(m_items.size())) return static_cast<UINT>(-1);
  return m_items[position].flags;
}

bool CMenu::Find(UINT id, CMenu*& menu, int& position) {
  for (size_t i = 0; i < m_items.size(); ++i) {
    Item& item = m_items[i];
    if (item.popup) {
      if (item.popup->Find(id, menu, position)) return true;
      continue;
    }
    // A separator answers to command 0, as its identifier is 0.
    const UINT itemId = (item.flags & MF_SEPARATOR) ? 0 : item.id;
    if (itemId == id) {
      menu = this;
      position = static_cast<int>(i);
      return true;
    }
  }
  return false;
}

BOOL CMenu::ModifyMenu(UINT item, UINT flags, UINT_PTR newId, const char* text) {
  CMenu* menu = this;
  int position = static_cast<int>(item);
  if (!(flags & MF_BYPOSITION)) {
    if (!Find(item, menu, position)) return FALSE;
  } else if (position < 0 || position >= static_cast<int>(m_items.size())) {
    return FALSE;
  }
  Item& target = menu->m_items[position];
  target.flags = flags & ~(MF_BYPOSITION | MF_POPUP | MF_END);
  target.id = static_cast<UINT>(newId);
  target.text = (flags & MF_SEPARATOR) || !text ? "" : text;
  target.popup.reset();
  return TRUE;
}

BOOL CMenu::DeleteMenu(UINT item, UINT flags) {
  CMenu* menu = this;
  int position = static_cast<int>(item);
  if (!(flags & MF_BYPOSITION)) {
    if (!Find(item, menu, position)) return FALSE;
  } else if (position < 0 || position >= static_cast<int>(m_items.size())) {
    return FALSE;
  }
  menu->m_items.erase(menu->m_items.begin() + position);
  return TRUE;
}

UINT CMenu::TrackPopupMenu(UINT, int x, int y, CWnd* owner) {
  ModalScope modal;
  OpenModalEntry entry(true, FirstText(*this));
  if (Handler()) return Handler()(*this);
  QMenu menu(owner ? owner->GetWidget() : nullptr);
  Fill(menu, *this);
  QAction* chosen = menu.exec(QPoint(x, y));
  return chosen ? chosen->data().toUInt() : 0;
}

BOOL GetCursorPos(POINT* point) {
  if (!point) return FALSE;
  const QPoint p = QCursor::pos();
  point->x = p.x();
  point->y = p.y();
  return TRUE;
}

void SetPopupMenuHandler(PopupMenuHandler handler) { Handler() = std::move(handler); }
