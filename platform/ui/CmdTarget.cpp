#include "CmdTarget.h"

const CCmdTarget::Entry* CCmdTarget::Find(UINT id, bool update) const {
  for (const Entry& e : m_entries)
    if (id >= e.first && id <= e.last && (update ? static_cast<bool>(e.update) : static_cast<bool>(e.command)))
      return &e;
  return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT id, CCmdUI* pUI) {
  const Entry* e = Find(id, pUI != nullptr);
  if (!e) return FALSE;
  if (pUI) {
    pUI->m_nID = id;
    e->update(pUI);
  } else {
    e->command(id);
  }
  return TRUE;
}

bool CCmdTarget::HasCommandHandler(UINT id) const { return Find(id, false) != nullptr; }
bool CCmdTarget::HasUpdateHandler(UINT id) const { return Find(id, true) != nullptr; }

void CCmdTarget::MapCommand(UINT id, std::function<void()> handler) {
  m_entries.push_back({id, id, [h = std::move(handler)](UINT) { h(); }, nullptr});
}
void CCmdTarget::MapCommandRange(UINT first, UINT last, std::function<void(UINT)> handler) {
  m_entries.push_back({first, last, std::move(handler), nullptr});
}
void CCmdTarget::MapUpdateCommandUI(UINT id, std::function<void(CCmdUI*)> handler) {
  m_entries.push_back({id, id, nullptr, std::move(handler)});
}
void CCmdTarget::MapUpdateCommandUIRange(UINT first, UINT last, std::function<void(CCmdUI*)> handler) {
  m_entries.push_back({first, last, nullptr, std::move(handler)});
}
