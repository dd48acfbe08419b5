// The configuration dialog itself: the tab control with its nine pages,
// "Apply", "By default", "Cancel" and "Help".
#include "OptionsDialog.h"

#include <cctype>

#include "App.h"
#include "Frame.h"

OptionsPage* CreateOptionsPage(int index);  // OptionsPages.cpp

namespace {

constexpr int kTabControl = 1113;
constexpr int kByDefault = 1164;
constexpr int kHelp = 1187;
// Tab texts in page order.
constexpr UINT kTabStrings[Options::kPageCount] = {560, 561, 562, 563, 564, 565, 569, 611, 612};
constexpr UINT kPageTemplates[Options::kPageCount] = {
    IDD_OPTIONS_CONSTELLATIONS, IDD_OPTIONS_STARS, IDD_OPTIONS_DEEP_SKY,  IDD_OPTIONS_PLANETS,    IDD_OPTIONS_COORDINATES,
    IDD_OPTIONS_PLANETARIUM,    IDD_OPTIONS_WORK_UNIT, IDD_OPTIONS_3D, IDD_OPTIONS_SATELLITES};

}  // namespace

bool PathHasExtension(const CString& path, const char* extension) {
  const std::string p = path.c_str();
  const size_t slash = p.find_last_of("/\\");
  const size_t dot = p.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  const std::string own = p.substr(dot);
  const std::string wanted = extension;
  if (own.size() != wanted.size()) return false;
  for (size_t i = 0; i < own.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(own[i])) != std::tolower(static_cast<unsigned char>(wanted[i])))
      return false;
  return true;
}

Options::Options() : CDialog(IDD_OPTIONS) {
  for (int i = 0; i < kPageCount; ++i) m_pages[i] = CreateOptionsPage(i);
  MapCommand(kByDefault, [this] {
    // The pages are not read: the values copied in stay as they were.
    m_restoreDefaults = true;
    CDialog::EndDialog(IDOK);
  });
  MapCommand(kHelp, [] {
    if (auto* frame = dynamic_cast<CFrameWnd*>(AfxGetMainWnd())) frame->OnHelp();
  });
  MapNotify(kTabControl, TCN_SELCHANGE, [this](int) { ShowPage(AfxTabGetCurSel(this, kTabControl)); });
}

Options::~Options() {
  for (OptionsPage* page : m_pages) delete page;
}

BOOL Options::OnInitDialog() {
  CDialog::OnInitDialog();
  m_restoreDefaults = false;
  for (UINT id : kTabStrings) AfxTabInsertItem(this, kTabControl, AfxString(id).c_str());
  if (m_currentPage < 0 || m_currentPage >= kPageCount) m_currentPage = 0;
  const RECT pane = AfxTabPageRect(this, kTabControl);
  for (int i = 0; i < kPageCount; ++i) {
    OptionsPage* page = m_pages[i];
    page->m_runDialog = &m_runDialog;
    page->Create(kPageTemplates[i], this);
    page->MoveWindow(&pane);
    page->ShowWindow(SW_HIDE);
    page->Load(m_settings);
  }
  m_pages[m_currentPage]->ShowWindow(SW_SHOW);
  AfxTabSetCurSel(this, kTabControl, m_currentPage);
  return TRUE;
}

void Options::ShowPage(int index) {
  if (index < 0 || index >= kPageCount) return;
  if (index != m_currentPage) m_pages[m_currentPage]->ShowWindow(SW_HIDE);
  m_currentPage = index;
  AfxTabSetCurSel(this, kTabControl, index);
  m_pages[index]->ShowWindow(SW_SHOW);
}

void Options::OnOK() {
  // Every page must pass before anything is taken: the first page whose
  // value fails is shown with its control focused, and the dialog stays.
  for (int i = 0; i < kPageCount; ++i) {
    CDataExchange dx(m_pages[i], TRUE);
    m_pages[i]->DoDataExchange(&dx);
    if (dx.m_failed) {
      ShowPage(i);
      if (CWnd* control = m_pages[i]->GetDlgItem(dx.m_lastControl)) control->SetFocus();
      return;
    }
  }
  for (OptionsPage* page : m_pages) page->Store(m_settings);
  m_currentPage = AfxTabGetCurSel(this, kTabControl);
  EndDialog(IDOK);
}

void Options::OnCancel() {
  m_currentPage = AfxTabGetCurSel(this, kTabControl);
  EndDialog(IDCANCEL);
}
