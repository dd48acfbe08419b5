#pragma once
// Objects, run-time classes and command routing by id. A command target keeps
// a table of command handlers and update handlers (its message map); the
// frame routes a command to the active view, its document, the frame and the
// application in that order, and the first target with an entry handles it.
#include <functional>
#include <vector>

#include "Object.h"
#include "UiDefs.h"

// State of one menu item or tool-bar button, filled by update handlers.
class CCmdUI {
 public:
  UINT m_nID = 0;
  virtual ~CCmdUI() = default;
  virtual void Enable(BOOL on = TRUE) { m_enabled = on != 0; m_enableChanged = true; }
  virtual void SetCheck(int check = 1) { m_checked = check; m_checkChanged = true; }
  virtual void SetRadio(BOOL on = TRUE) { SetCheck(on ? 1 : 0); }
  virtual void SetText(const char* text) { m_text = text ? text : ""; m_textChanged = true; }

  bool m_enabled = true;
  bool m_enableChanged = false;
  int m_checked = 0;
  bool m_checkChanged = false;
  CString m_text;
  bool m_textChanged = false;
};

class CCmdTarget : public CObject {
 public:
  // A command (pUI null) or its update (pUI set) for this target alone;
  // TRUE when this target has an entry for it.
  virtual BOOL OnCmdMsg(UINT id, CCmdUI* pUI);
  bool HasCommandHandler(UINT id) const;
  bool HasUpdateHandler(UINT id) const;

 protected:
  // Message-map entries; later entries for the same id are not reached.
  void MapCommand(UINT id, std::function<void()> handler);
  void MapCommandRange(UINT first, UINT last, std::function<void(UINT)> handler);
  void MapUpdateCommandUI(UINT id, std::function<void(CCmdUI*)> handler);
  void MapUpdateCommandUIRange(UINT first, UINT last, std::function<void(CCmdUI*)> handler);

 private:
  struct Entry {
    UINT first;
    UINT last;
    std::function<void(UINT)> command;
    std::function<void(CCmdUI*)> update;
  };
  const Entry* Find(UINT id, bool update) const;
  std::vector<Entry> m_entries;
};
