#include "OpticsDialogs.h"

#include <cstring>
#include <string>
#include <vector>

#include "NumberFormat.h"
#include "UiDefs.h"

int g_selectedOpticsItem = -1;

namespace {

constexpr int IDC_TABS = 1113;
constexpr int kListIds[3] = {1119, 1120, 1121};
constexpr int IDC_ADD = 1007, IDC_MODIFY = 1063, IDC_DELETE = 1065, IDC_ERASE = 1066;
constexpr int IDC_FIELD_1 = 1019, IDC_FIELD_2 = 1020, IDC_FIELD_3 = 1021, IDC_DESCRIPTION = 1022;
constexpr int IDC_MOUNT = 1023;
constexpr int IDC_EYEPIECE_HELP = 1007;

CString Number(float value) { return FormatC("%3.1f", static_cast<double>(value)).c_str(); }
CString Description(const char (&d)[kOpticsDescriptionSize]) { return CString(std::string(d, strnlen(d, sizeof d)).c_str()); }

}  // namespace

// ---- Editing dialogs ------------------------------------------------------------------------

BOOL CEyepieceFieldDialog::OnInitDialog() {
  MapCommand(IDC_EYEPIECE_HELP, [this] { OnCmdMsg(ID_HELP, nullptr); });
  return CDialog::OnInitDialog();
}

void CEyepieceFieldDialog::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_FIELD_1, m_eyepieceFocal);
  DDV_MinMaxFloat(pDX, m_eyepieceFocal, 0.0f, 1e9f);
  DDX_Text(pDX, IDC_FIELD_2, m_telescopeFocal);
  DDV_MinMaxFloat(pDX, m_telescopeFocal, 0.0f, 1e9f);
  DDX_Text(pDX, IDC_FIELD_3, m_apparentField);
  DDV_MinMaxFloat(pDX, m_apparentField, 0.0f, 1e9f);
  DDX_Text(pDX, IDC_DESCRIPTION, m_description);
  DDV_MaxChars(pDX, m_description, 49);
}

BOOL CCD::OnInitDialog() {
  AfxAddComboString(this, IDC_MOUNT, AfxString(850).c_str());
  AfxAddComboString(this, IDC_MOUNT, AfxString(851).c_str());
  m_mountText = !m_modify ? "" : m_mountType == 1.0f ? AfxString(850).c_str() : m_mountType == 2.0f ? AfxString(851).c_str() : "";
  CDialog::OnInitDialog();
  return TRUE;
}

void CCD::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_DESCRIPTION, m_description);
  DDV_MaxChars(pDX, m_description, 49);
  DDX_Text(pDX, IDC_FIELD_1, m_width);
  DDX_Text(pDX, IDC_FIELD_2, m_height);
  DDX_CBString(pDX, IDC_MOUNT, m_mountText);
}

void CCD::OnOK() {
  if (!UpdateData(TRUE)) return;
  const std::string text = m_mountText.c_str();
  m_mountType = text.find("Altazimuth") != std::string::npos   ? 1.0f
                : text.find("Equatorial") != std::string::npos ? 2.0f
                                                               : 0.0f;
  EndDialog(IDOK);
}

void Autres::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_FIELD_1, m_diameter);
  DDX_Text(pDX, IDC_DESCRIPTION, m_description);
  DDV_MaxChars(pDX, m_description, 49);
}

// ---- The three lists ------------------------------------------------------------------------

int SelectOculaires::ListId() const { return kListIds[m_currentTab >= 0 && m_currentTab < 3 ? m_currentTab : 0]; }

BOOL SelectOculaires::OnInitDialog() {
  CDialog::OnInitDialog();
  const UINT columns[3][4] = {{900, 901, 902, 903}, {909, 906, 907, 908}, {909, 912, 0, 0}};
  for (int tab = 0; tab < 3; ++tab) {
    for (UINT title : columns[tab])
      if (title) AfxListViewAddColumn(this, kListIds[tab], AfxString(title).c_str(), 100);
    MapNotify(kListIds[tab], LVN_ITEMCHANGED, [this](int index) {
      if (!m_refilling) g_selectedOpticsItem = index;
    });
  }
  AfxTabInsertItem(this, IDC_TABS, AfxString(904).c_str());
  AfxTabInsertItem(this, IDC_TABS, AfxString(905).c_str());
  AfxTabInsertItem(this, IDC_TABS, AfxString(911).c_str());
  MapNotify(IDC_TABS, TCN_SELCHANGE, [this](int) { OnTabChange(); });
  MapCommand(IDC_ADD, [this] { OnAdd(); });
  MapCommand(IDC_MODIFY, [this] { OnModify(); });
  MapCommand(IDC_DELETE, [this] { OnDelete(); });
  MapCommand(IDC_ERASE, [this] { OnErase(); });
  m_currentTab = 0;
  for (int tab = 0; tab < 3; ++tab)
    if (CWnd* list = GetDlgItem(kListIds[tab])) list->ShowWindow(tab == 0 ? SW_SHOW : SW_HIDE);
  Refill();
  return TRUE;
}

// The list of the current tab, rebuilt from the records (as on each repaint):
// the highlight goes, the shared index stays.
void SelectOculaires::Refill() {
  m_refilling = true;
  const int id = ListId();
  AfxListViewDeleteAllItems(this, id);
  const OpticsLists& l = m_lists;
  for (int i = OpticsCount(l, m_currentTab) - 1; i >= 0; --i) {
    std::vector<CString> cells;
    if (m_currentTab == 0)
      cells = {Description(l.m_eyepieceDescriptions[i]), Number(l.m_eyepieces[i][0]), Number(l.m_eyepieces[i][1]),
               Number(l.m_eyepieces[i][2])};
    else if (m_currentTab == 1)
      cells = {Description(l.m_ccdDescriptions[i]), Number(l.m_ccds[i][0]), Number(l.m_ccds[i][1]),
               AfxString(l.m_ccds[i][2] == 2.0f ? 851 : 850).c_str()};
    else
      cells = {Description(l.m_otherFieldDescriptions[i]), Number(l.m_otherFields[i])};
    AfxListViewInsertItem(this, id, 0, cells);
  }
  m_refilling = false;
}

// A row picked on one tab names no record of another: the index is cleared.
void SelectOculaires::OnTabChange() {
  m_currentTab = AfxTabGetCurSel(this, IDC_TABS);
  if (m_currentTab < 0 || m_currentTab > 2) m_currentTab = 0;
  g_selectedOpticsItem = -1;
  for (int tab = 0; tab < 3; ++tab)
    if (CWnd* list = GetDlgItem(kListIds[tab])) list->ShowWindow(tab == m_currentTab ? SW_SHOW : SW_HIDE);
  Refill();
}

void SelectOculaires::OnAdd() {
  OpticsLists& l = m_lists;
  if (OpticsCount(l, m_currentTab) >= kOpticsCapacity) {
    MessageBox(FormatC("The list is full: it holds at most %d entries.", kOpticsCapacity).c_str(), "Nuvarine 2.0",
               MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (m_currentTab == 0) {
    CEyepieceFieldDialog d(this);
    if (d.DoModal() != IDOK) return;
    const int i = l.m_eyepieceCount++;
    l.m_eyepieces[i][0] = d.m_eyepieceFocal, l.m_eyepieces[i][1] = d.m_telescopeFocal;
    l.m_eyepieces[i][2] = d.m_apparentField;
    SetOpticsDescription(l.m_eyepieceDescriptions[i], d.m_description.c_str());
  } else if (m_currentTab == 1) {
    CCD d(this);
    if (d.DoModal() != IDOK) return;
    const int i = l.m_ccdCount++;
    l.m_ccds[i][0] = d.m_width, l.m_ccds[i][1] = d.m_height, l.m_ccds[i][2] = d.m_mountType;
    SetOpticsDescription(l.m_ccdDescriptions[i], d.m_description.c_str());
  } else {
    Autres d(this);
    if (d.DoModal() != IDOK) return;
    const int i = l.m_otherFieldCount++;
    l.m_otherFields[i] = d.m_diameter;
    SetOpticsDescription(l.m_otherFieldDescriptions[i], d.m_description.c_str());
  }
  Refill();
}

void SelectOculaires::OnModify() {
  const int i = g_selectedOpticsItem;
  OpticsLists& l = m_lists;
  if (i < 0 || i >= OpticsCount(l, m_currentTab)) return;
  if (m_currentTab == 0) {
    CEyepieceFieldDialog d(this);
    d.m_eyepieceFocal = l.m_eyepieces[i][0], d.m_telescopeFocal = l.m_eyepieces[i][1];
    d.m_apparentField = l.m_eyepieces[i][2];
    d.m_description = Description(l.m_eyepieceDescriptions[i]);
    if (d.DoModal() != IDOK) return;
    l.m_eyepieces[i][0] = d.m_eyepieceFocal, l.m_eyepieces[i][1] = d.m_telescopeFocal;
    l.m_eyepieces[i][2] = d.m_apparentField;
    SetOpticsDescription(l.m_eyepieceDescriptions[i], d.m_description.c_str());
  } else if (m_currentTab == 1) {
    CCD d(this);
    d.m_modify = true;
    d.m_width = l.m_ccds[i][0], d.m_height = l.m_ccds[i][1], d.m_mountType = l.m_ccds[i][2];
    d.m_description = Description(l.m_ccdDescriptions[i]);
    if (d.DoModal() != IDOK) return;
    l.m_ccds[i][0] = d.m_width, l.m_ccds[i][1] = d.m_height, l.m_ccds[i][2] = d.m_mountType;
    SetOpticsDescription(l.m_ccdDescriptions[i], d.m_description.c_str());
  } else {
    Autres d(this);
    d.m_diameter = l.m_otherFields[i];
    d.m_description = Description(l.m_otherFieldDescriptions[i]);
    if (d.DoModal() != IDOK) return;
    l.m_otherFields[i] = d.m_diameter;
    SetOpticsDescription(l.m_otherFieldDescriptions[i], d.m_description.c_str());
  }
  Refill();
}

void SelectOculaires::OnDelete() {
  const int i = g_selectedOpticsItem;
  if (i < 0 || i >= OpticsCount(m_lists, m_currentTab) || !AfxListViewIsItemSelectedAndFocused(this, ListId(), i)) {
    g_selectedOpticsItem = -1;
    return;
  }
  DeleteOpticsRecord(m_lists, m_currentTab, i);
  Refill();
}

void SelectOculaires::OnOK() {
  const OpticsChoice choice = ChooseOptics(m_lists, m_currentTab, g_selectedOpticsItem);
  m_fieldOfView = choice.fieldOfView;
  m_magnification = choice.magnification;
  m_ccdWidth = choice.ccdWidth;
  m_ccdHeight = choice.ccdHeight;
  m_ccdMountType = choice.ccdMountType;
  EndDialog(IDOK);
}

void SelectOculaires::OnErase() {
  g_selectedOpticsItem = -1;
  OnOK();
}
