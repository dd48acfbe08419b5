// Objects to display: every loaded name on the left, the picks (record
// indices, at most kSelectionCapacity) on the right.
#include <algorithm>

#include "OptionsDialog.h"

namespace {
constexpr int kFullList = 1119, kDisplayList = 1120, kAdd = 1007, kRemove = 1063;
}  // namespace

BOOL SelectionObjets::OnInitDialog() {
  MapCommand(kAdd, [this] { OnAdd(); });
  MapCommand(kRemove, [this] { OnRemove(); });
  CDialog::OnInitDialog();
  const int nameCount = m_names ? static_cast<int>(m_names->size()) : 0;
  for (int i = 0; i < nameCount; ++i) AfxAddListString(this, kFullList, (*m_names)[i].c_str());
  m_workingCount = std::max(0, std::min(m_selectionCount, kSelectionCapacity));
  for (int i = 0; i < m_workingCount; ++i)
    if (m_selection[i] >= 0 && m_selection[i] < nameCount)
      AfxAddListString(this, kDisplayList, (*m_names)[m_selection[i]].c_str());
  return TRUE;
}

void SelectionObjets::OnAdd() {
  const int count = AfxGetListCount(this, kFullList);
  bool leftOver = false;
  for (int i = 0; i < count; ++i) {
    if (!AfxIsListSelected(this, kFullList, i)) continue;
    bool present = false;
    for (int j = 0; j < m_workingCount && !present; ++j) present = m_selection[j] == i;
    if (present) continue;
    if (m_workingCount >= kSelectionCapacity) {
      leftOver = true;
      continue;
    }
    m_selection[m_workingCount++] = i;
    AfxAddListString(this, kDisplayList, AfxGetListText(this, kFullList, i).c_str());
  }
  if (leftOver) ::MessageBox(GetSafeHwnd(), AfxString(3700).c_str(), "Nuvarine 2.0", MB_OK);
}

void SelectionObjets::OnRemove() {
  if (m_workingCount == 0) return;
  for (int i = 0; i < m_workingCount; ++i)
    if (AfxIsListSelected(this, kDisplayList, i)) m_selection[i] = -1;
  int kept = 0;
  for (int i = 0; i < kSelectionCapacity; ++i)
    if (m_selection[i] != -1 && i < m_workingCount) m_selection[kept++] = m_selection[i];
  for (int i = kept; i < kSelectionCapacity; ++i) m_selection[i] = -1;
  m_workingCount = kept;
  AfxResetListContent(this, kDisplayList);
  for (int i = 0; i < m_workingCount; ++i)
    AfxAddListString(this, kDisplayList, AfxGetListText(this, kFullList, m_selection[i]).c_str());
}

void SelectionObjets::OnOK() {
  m_selectionCount = m_workingCount;
  CDialog::OnOK();
}
