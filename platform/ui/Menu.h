#pragma once
// Pop-up menus built from the menu resources: loaded, changed by command or
// by position, and tracked modally at a screen point, returning the chosen
// command (TPM_RETURNCMD). The layer's menus are plain data until tracked.
#include <functional>
#include <memory>
#include <vector>

#include "Frame.h"

constexpr UINT MF_BYCOMMAND = 0x0;
constexpr UINT MF_BYPOSITION = 0x400;
constexpr UINT TPM_LEFTALIGN = 0x0;
constexpr UINT TPM_NONOTIFY = 0x80;
constexpr UINT TPM_RETURNCMD = 0x100;

class CMenu {
 public:
  struct Item {
    UINT flags = MF_STRING;
    UINT id = 0;
    CString text;
    std::unique_ptr<CMenu> popup;
  };

  CMenu();
  ~CMenu();
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  // FALSE when the resource is not registered.
  BOOL LoadMenu(UINT resourceId);
  BOOL DestroyMenu();
  // The pop-up at a position, null when that entry opens none.
  CMenu* GetSubMenu(int position) const;
  int GetMenuItemCount() const;
  // The entry's command, 0 for a separator, -1 for a pop-up or a bad position.
  UINT GetMenuItemID(int position) const;
  CString GetMenuString(int position) const;
  UINT GetMenuState(int position) const;
  // By command (the first entry carrying it, searched through the pop-ups)
  // or by position: the entry becomes (flags, newId, text).
  BOOL ModifyMenu(UINT item, UINT flags, UINT_PTR newId = 0, const char* text = nullptr);
  BOOL DeleteMenu(UINT item, UINT flags);
  // Shows the menu at (x, y) in screen pixels and returns the chosen
  // command, 0 when it was dismissed (TPM_RETURNCMD).
  UINT TrackPopupMenu(UINT flags, int x, int y, CWnd* owner);

  const std::vector<Item>& Items() const { return m_items; }

 private:
  bool Find(UINT id, CMenu*& menu, int& position);
  std::vector<Item> m_items;
};

// The cursor's position in screen pixels.
BOOL GetCursorPos(POINT* point);

// Replaces the tracking (tests, unattended runs): the handler gets the menu
// and returns the command chosen; null restores real menus.
using PopupMenuHandler = std::function<UINT(const CMenu& menu)>;
void SetPopupMenuHandler(PopupMenuHandler handler);
